#include <QtTest>

#include "settings/options.h"
#include "settings/settingsstore.h"
#include "support/fakes.h"

class OptionsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void emptyStoreGivesTheDefaults() {
        MemorySettingsStore settings;
        Options o;
        RestoreOptions(o, settings);
        QCOMPARE(o.IconNumber, 18);
        QCOMPARE(o.DisplayMode, 1);
        QVERIFY(o.PreserveIcons && o.PreserveDisplay);
        QVERIFY(!o.ModNames && !o.SwapNameDesc && !o.CopyHint && !o.PreserveTimes &&
                !o.PreserveCats);
        QCOMPARE(o.Categories, qint16(0));
        // Only the replaced values are written back; the defaults are not.
        QVERIFY(settings.values.isEmpty());
    }

    void restore_data() {
        // "writtenBack" is the value of `name` afterwards.
        AddColumns<QString, QString, int, int, int, QString>("name", "stored", "icon", "display",
                                                             "categories", "writtenBack");
        AddRow("icon 5", "IconNumber", "5", 18, 1, 0, "18");
        AddRow("icon text", "IconNumber", "geocache", 18, 1, 0, "18");
        AddRow("display 7", "DisplayMode", "7", 18, 1, 0, "1");
        AddRow("display 2 spaced", "DisplayMode", " 2", 18, 2, 0, " 2");
        AddRow("categories -32768", "Categories", "-32768", 18, 1, -32768, "-32768");
        AddRow("categories too big", "Categories", "70000", 18, 1, 0, "70000");
    }
    void restore() {
        QFETCH(QString, name);
        QFETCH(QString, stored);
        MemorySettingsStore settings;
        settings.setValue(name, stored);
        Options o;
        RestoreOptions(o, settings);
        QTEST(static_cast<int>(o.IconNumber), "icon");
        QTEST(static_cast<int>(o.DisplayMode), "display");
        QTEST(static_cast<int>(o.Categories), "categories");
        QTEST(settings.values.value(name), "writtenBack");
    }

    void checkBoxStates() {
        MemorySettingsStore settings;
        settings.setValue(QStringLiteral("PreserveIcons"), QStringLiteral("0"));
        settings.setValue(QStringLiteral("ModNames"), QStringLiteral("2"));
        settings.setValue(QStringLiteral("PreserveCats"), QStringLiteral("1"));
        settings.setValue(QStringLiteral("CopyHint"), QStringLiteral("yes"));
        Options o;
        RestoreOptions(o, settings);
        QVERIFY(!o.PreserveIcons && o.ModNames && o.PreserveCats && !o.CopyHint);
    }

    // Only "3" chooses version 3; the stored text is left as it is.
    void gdbVersion_data() {
        AddColumns<QString, int>("stored", "version");
        AddRow("absent", QString(), 1);
        AddRow("1", "1", 1);
        AddRow("3", "3", 3);
        AddRow("3 spaced", " 3", 3);
        AddRow("2", "2", 1);
        AddRow("3.5", "3.5", 1);
    }
    void gdbVersion() {
        QFETCH(QString, stored);
        MemorySettingsStore settings;
        if (!stored.isNull()) {
            settings.setValue(QStringLiteral("GdbVersion"), stored);
        }
        Options o;
        RestoreOptions(o, settings);
        QTEST(int(o.GdbVersion), "version");
        QCOMPARE(settings.values.value(QStringLiteral("GdbVersion")), stored);
    }

    void cacheSite_data() {
        // A null "stored" is no value at all.
        AddColumns<QString, QString>("stored", "site");
        AddRow("absent", QString(), "");
        AddRow("scheme and host", "http://caches.example", "http://caches.example");
        AddRow("path and query dropped", "https://caches.example/some/page?x=1",
               "https://caches.example");
        AddRow("port kept", " https://caches.example:8443/ ", "https://caches.example:8443");
        AddRow("no scheme", "caches.example", "");
        AddRow("empty", "", "");
    }
    void cacheSite() {
        QFETCH(QString, stored);
        QFETCH(QString, site);
        MemorySettingsStore settings;
        if (!stored.isNull()) {
            settings.setValue(QStringLiteral("CacheSiteUrl"), stored);
        }
        Options o;
        RestoreOptions(o, settings);
        QCOMPARE(o.CacheSiteUrl, site);
        QCOMPARE(CacheDetailsUrl(o.CacheSiteUrl, QStringLiteral("GC1A2B")),
                 (site.isEmpty() ? QStringLiteral("https://www.geocaching.com") : site) +
                     QStringLiteral("/seek/cache_details.aspx?wp=GC1A2B"));
        // Nothing is written back.
        QCOMPARE(settings.value(QStringLiteral("CacheSiteUrl")).has_value(), !stored.isNull());
    }
};

QTEST_GUILESS_MAIN(OptionsTest)
#include "test_options.moc"
