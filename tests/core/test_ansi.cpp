#include <QtTest>

#include "core/ansi.h"

class AnsiTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyByteRoundTrips() {
        QByteArray all;
        for (int b = 0; b < 256; ++b) {
            all.append(static_cast<char>(b));
        }
        const QString text = DecodeAnsi(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(text.at(0x80), QChar(0x20AC));  // euro sign
        QCOMPARE(text.at(0x92), QChar(0x2019));  // right single quote
        QCOMPARE(text.at(0xE9), QChar(0x00E9));
        qsizetype replaced = 0;
        QCOMPARE(EncodeAnsi(text, &replaced), all);
        QCOMPARE(replaced, qsizetype(0));
    }

    void unencodableCharactersBecomeOneQuestionMarkEach_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("replaced");
        QTest::newRow("Łódź") << QString::fromUtf8("Łódź")
                              << QByteArray(
                                     "?\xF3"
                                     "d?")
                              << 2;
        QTest::newRow("euro and quote") << QString::fromUtf8("€5 Joe’s")
                                        << QByteArray(
                                               "\x80"
                                               "5 Joe\x92s")
                                        << 0;
        QTest::newRow("outside the BMP") << QString::fromUtf8("a😀b") << QByteArray("a?b") << 1;
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << QByteArray("?") << 1;
        QTest::newRow("empty") << QString() << QByteArray() << 0;
    }
    void unencodableCharactersBecomeOneQuestionMarkEach() {
        QFETCH(QString, text);
        qsizetype replaced = 0;
        QTEST(EncodeAnsi(text, &replaced), "bytes");
        QTEST(static_cast<int>(replaced), "replaced");
    }
};

QTEST_GUILESS_MAIN(AnsiTest)
#include "test_ansi.moc"
