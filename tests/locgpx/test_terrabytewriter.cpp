// What the golden files of realistic.json and options.json (test_exporter)
// leave open in the TerraByte LOC writer.
#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include "support/storefile.h"

class TerraByteWriterTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private Q_SLOTS:
    void recordGc1() {
        WaypointStore store;
        Waypoint gc1;
        gc1.Name = QStringLiteral("GC1");
        gc1.TypeText = QStringLiteral("Geocache");
        gc1.Symbol = 117;
        store.Waypoints = {gc1};
        QCOMPARE(EncodeTerraByteFile(store, TestOptions()).bytes,
                 FileBytes(kWriterData + QStringLiteral("terrabyte-gc1.loc")));
    }

    // A waypoint without a type text gets the name of the symbol it is
    // written with in MapSource; a symbol beyond the table, IconNumber's. The
    // Icon field carries the symbol as stored.
    void typeTextGiven_data() {
        QTest::addColumn<int>("iconNumber");
        QTest::addColumn<int>("symbol");
        QTest::addColumn<QString>("written");
        QTest::newRow("beyond the table") << 118 << 149 << QStringLiteral("Geocache Found");
        QTest::newRow("negative") << 111 << -1 << QStringLiteral("Tall Tower");
    }
    void typeTextGiven() {
        QFETCH(int, iconNumber);
        QFETCH(int, symbol);
        QFETCH(QString, written);
        WaypointStore store;
        store.Waypoints = {NamedWaypoint(QStringLiteral("X"))};
        store.Waypoints[0].Symbol = symbol;
        Options o = TestOptions();
        o.IconNumber = iconNumber;
        const QByteArray bytes = EncodeTerraByteFile(store, o).bytes;
        QCOMPARE(store.Waypoints[0].TypeText, written);
        char icon[4];
        qToLittleEndian<qint32>(symbol, icon);
        QVERIFY(bytes.contains('\x07' + (char(written.size()) + written.toLatin1()) + '\x84' +
                               QByteArray(icon, 4)));
    }

    void longTextsAreCutAndReported() {
        WaypointStore store;
        store.Waypoints = {NamedWaypoint(QString(300, u'n')),
                           NamedWaypoint(QStringLiteral("short"))};
        store.Waypoints[0].Comment = QString(256, u'c');
        store.Waypoints[0].TypeText = QString(255, u't');
        store.Waypoints[0].Description = QString(1000, u'd');
        store.Waypoints[1].TypeText = QString(999, u'u');
        const QString out = dir_.filePath(QStringLiteral("long.loc"));
        const WriteResult result = WriteTerraByteFile(out, store, TestOptions());
        QCOMPARE(result.status, WriteResult::Written);
        const QByteArray bytes = FileBytes(out);
        // Each cut text is followed by the next field; the description ends
        // at its 0x00 and needs no cut.
        QVERIFY(bytes.contains("W\x01\xFF" + QByteArray(255, 'n') + "\x02\xFF" +
                               QByteArray(255, 'c') + "\x08" + QByteArray(1000, 'd') + '\0' +
                               "\x07\xFF" + QByteArray(255, 't') + "\x84"));
        QVERIFY(bytes.contains("\x07\xFF" + QByteArray(255, 'u') + "\x84"));
        QCOMPARE(result.messages.size(), size_t(1));
        QCOMPARE(result.messages[0].text,
                 QStringLiteral("3 texts were longer than 255 characters and cut to 255 in ") +
                     QDir::toNativeSeparators(out) + QLatin1Char('.'));
        QCOMPARE(result.messages[0].icon, MessageIcon::Exclamation);
        // The store keeps the whole texts.
        QCOMPARE(store.Waypoints[0].Name.size(), 300);
    }
};

QTEST_GUILESS_MAIN(TerraByteWriterTest)
#include "test_terrabytewriter.moc"
