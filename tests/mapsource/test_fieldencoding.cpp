#include <QtTest>

#include "mapsource/fieldencoding.h"

class FieldEncodingTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A character outside the BMP is one "?"; so is a NUL, which would end
    // the field early and shift every later field.
    void zeroTerminatedTexts() {
        QByteArray out;
        ByteWriter w(out);
        qsizetype replaced = 0;
        w.zeroText(QString::fromUtf8("a😀b"), &replaced);
        w.zeroText(QStringView(u"A\0B", 3), &replaced);
        QCOMPARE(out, QByteArray("a?b\0A?B\0", 8));
        QCOMPARE(replaced, 2);
    }

    // 200 surrogate pairs are 200 characters (400 UTF-16 units): nothing to cut.
    void shortTextsCountCharacters() {
        QByteArray out;
        ByteWriter w(out);
        QVERIFY(!w.shortText(QString::fromUtf8("😀").repeated(200), nullptr));
        QCOMPARE(out, char(200) + QByteArray(200, '?'));
    }

    // The options golden files hold Multi-cache, "unknown", an empty cache
    // type, a name that is no cache and ModNames off; these are the rest, in
    // which the MapSource and TerraByte tables agree.
    void exportName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("cacheType");
        QTest::addColumn<QString>("written");  // by both tables
        const auto row = [](const char* tag, const char* name, const char* type,
                            const char* written) {
            QTest::newRow(tag) << QString::fromUtf8(name) << QString::fromUtf8(type)
                               << QString::fromUtf8(written);
        };
        row("traditional", "gc1A2B", "Traditional Cache", "GC1A2B");
        row("webcam", "GC1", "WEBCAM CACHE", "WC1");
        row("virtual", "GC1234", "virtual cache", "VC1234");
        row("locationless", "Gc77", "Locationless (Reverse) Cache", "LC77");
        row("Unknown Cache", "GC5", "Unknown Cache", "GC5");
        row("padded type", "GC5", " multi-cache", "GC5");
        row("bare GC", "GC", "Multi-cache", "MC");
        row("one letter", "G", "Multi-cache", "G");
        row("empty name", "", "Multi-cache", "");
    }
    void exportName() {
        QFETCH(QString, name);
        QFETCH(QString, cacheType);
        Options o;
        o.ModNames = true;
        Waypoint w;
        w.Name = name;
        w.CacheType = cacheType;
        QTEST(ExportName(w, o), "written");
        QTEST(ExportName(w, o, CacheCodes::TerraByte), "written");
    }
};

QTEST_GUILESS_MAIN(FieldEncodingTest)
#include "test_fieldencoding.moc"
