#include <QTemporaryDir>
#include <QtTest>

#include "settings/options.h"
#include "settings/settingsstore.h"

class OptionsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void emptyStoreGivesTheDefaults() {
        MemorySettingsStore settings;
        Options o;
        RestoreOptions(o, settings);
        QCOMPARE(o.IconNumber, 18);
        QCOMPARE(o.DisplayMode, 1);
        QVERIFY(o.PreserveIcons);
        QVERIFY(o.PreserveDisplay);
        QVERIFY(!o.ModNames && !o.SwapNameDesc && !o.CopyHint && !o.PreserveTimes &&
                !o.PreserveCats);
        QCOMPARE(o.Categories, qint16(0));
        // Only the replaced values are written back; the defaults are not.
        QVERIFY(settings.values.isEmpty());
    }

    void restore_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("display");
        QTest::addColumn<int>("categories");
        QTest::addColumn<QString>("writtenBack");  // value of `name` afterwards
        QTest::newRow("icon 5") << QStringLiteral("IconNumber") << QStringLiteral("5") << 18 << 1
                                << 0 << QStringLiteral("18");
        QTest::newRow("icon 117") << QStringLiteral("IconNumber") << QStringLiteral("117") << 117
                                  << 1 << 0 << QStringLiteral("117");
        QTest::newRow("icon text") << QStringLiteral("IconNumber") << QStringLiteral("geocache")
                                   << 18 << 1 << 0 << QStringLiteral("18");
        QTest::newRow("display 7") << QStringLiteral("DisplayMode") << QStringLiteral("7") << 18
                                   << 1 << 0 << QStringLiteral("1");
        QTest::newRow("display 0") << QStringLiteral("DisplayMode") << QStringLiteral("0") << 18
                                   << 0 << 0 << QStringLiteral("0");
        QTest::newRow("display 2 spaced") << QStringLiteral("DisplayMode") << QStringLiteral(" 2")
                                          << 18 << 2 << 0 << QStringLiteral(" 2");
        QTest::newRow("categories -32768")
            << QStringLiteral("Categories") << QStringLiteral("-32768") << 18 << 1 << -32768
            << QStringLiteral("-32768");
        QTest::newRow("categories -32767")
            << QStringLiteral("Categories") << QStringLiteral("-32767") << 18 << 1 << -32767
            << QStringLiteral("-32767");
        QTest::newRow("categories too big")
            << QStringLiteral("Categories") << QStringLiteral("70000") << 18 << 1 << 0
            << QStringLiteral("70000");
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
        QVERIFY(!o.PreserveIcons);
        QVERIFY(o.ModNames);
        QVERIFY(o.PreserveCats);
        QVERIFY(!o.CopyHint);
    }

    void cacheSite_data() {
        QTest::addColumn<QString>("stored");  // null: absent
        QTest::addColumn<QString>("site");
        QTest::addColumn<QString>("details");
        const QString path = QStringLiteral("/seek/cache_details.aspx?wp=GC1A2B");
        QTest::newRow("absent") << QString() << QString()
                                << QStringLiteral("https://www.geocaching.com") + path;
        QTest::newRow("scheme and host")
            << "http://caches.example"
            << "http://caches.example" << QStringLiteral("http://caches.example") + path;
        QTest::newRow("path and query dropped")
            << "https://caches.example/some/page?x=1"
            << "https://caches.example" << QStringLiteral("https://caches.example") + path;
        QTest::newRow("port kept") << " https://caches.example:8443/ "
                                   << "https://caches.example:8443"
                                   << QStringLiteral("https://caches.example:8443") + path;
        QTest::newRow("no scheme")
            << "caches.example" << QString() << QStringLiteral("https://www.geocaching.com") + path;
        QTest::newRow("empty") << "" << QString()
                               << QStringLiteral("https://www.geocaching.com") + path;
    }
    void cacheSite() {
        QFETCH(QString, stored);
        MemorySettingsStore settings;
        if (!stored.isNull()) {
            settings.setValue(QStringLiteral("CacheSiteUrl"), stored);
        }
        Options o;
        RestoreOptions(o, settings);
        QTEST(o.CacheSiteUrl, "site");
        QTEST(CacheDetailsUrl(o.CacheSiteUrl, QStringLiteral("GC1A2B")), "details");
        // Nothing is written back.
        QCOMPARE(settings.value(QStringLiteral("CacheSiteUrl")).has_value(), !stored.isNull());
    }

    void qtStoreLivesInTheXdgConfigFolder() {
        QTemporaryDir dir;
        qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
        {
            QtSettingsStore store;
            QCOMPARE(store.location(), dir.path() + QStringLiteral("/Wayfold/Wayfold.ini"));
            store.setValue(QStringLiteral("Generate Mode"), QStringLiteral("4"));
        }
        QtSettingsStore again;
        QCOMPARE(again.value(QStringLiteral("Generate Mode")).value_or(QString()),
                 QStringLiteral("4"));
        QVERIFY(!again.value(QStringLiteral("Top")).has_value());
        QFile ini(dir.path() + QStringLiteral("/Wayfold/Wayfold.ini"));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QByteArray content = ini.readAll();
        QVERIFY2(content.contains("[Program%20Settings]"), content.constData());
    }
};

QTEST_GUILESS_MAIN(OptionsTest)
#include "test_options.moc"
