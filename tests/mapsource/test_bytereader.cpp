// The byte reader's failures, each kind of them: the readers built on it
// reach only some.
#include <QtTest>

#include "mapsource/bytereader.h"

class ByteReaderTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each row reads past what is there in its own way; the failure keeps the
    // offset where the read started and every later read gives nothing.
    void failures_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("read");  // 0 i32, 1 f64, 2 text, 3 skip(-1), 4 take(5)
        QTest::addColumn<int>("error");
        QTest::newRow("i32 of 3 bytes")
            << QByteArray("\x01\x02\x03") << 0 << int(ByteReader::Error::EndOfData);
        QTest::newRow("f64 of 7 bytes")
            << QByteArray(7, '\0') << 1 << int(ByteReader::Error::EndOfData);
        QTest::newRow("text without 00")
            << QByteArray("abc") << 2 << int(ByteReader::Error::UnterminatedText);
        QTest::newRow("text of no bytes")
            << QByteArray() << 2 << int(ByteReader::Error::UnterminatedText);
        QTest::newRow("negative count")
            << QByteArray("abc") << 3 << int(ByteReader::Error::NegativeCount);
        QTest::newRow("take beyond the end")
            << QByteArray("abcd") << 4 << int(ByteReader::Error::EndOfData);
    }
    void failures() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, read);
        QFETCH(int, error);
        ByteReader r(bytes, 10);
        switch (read) {
            case 0:
                QCOMPARE(r.i32(), 0);
                break;
            case 1:
                QCOMPARE(r.f64(), 0.0);
                break;
            case 2:
                QVERIFY(r.text().isEmpty());
                break;
            case 3:
                r.skip(-1);
                break;
            default: {
                ByteReader part = r.take(5);
                QVERIFY(!part.ok());
                QCOMPARE(part.bytesLeft(), 0);
            }
        }
        QVERIFY(!r.ok());
        QCOMPARE(int(r.error()), error);
        QCOMPARE(r.errorOffset(), 10);
        QCOMPARE(r.offset(), 10);
        // Sticky: a read that would fit now gives nothing and moves nothing.
        QCOMPARE(r.u8(), quint8(0));
        QCOMPARE(r.offset(), 10);
        QCOMPARE(r.errorOffset(), 10);
    }
};

QTEST_GUILESS_MAIN(ByteReaderTest)
#include "test_bytereader.moc"
