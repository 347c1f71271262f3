// Whole imports: the built program on the real files, and the readers
// under a locale whose decimal separator is a comma.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <clocale>
#include <pugixml.hpp>

#include "core/store.h"
#include "locgpx/gpxreader.h"
#include "locgpx/locreader.h"
#include "support/fakes.h"

namespace {

struct Run {
    int status = -1;
    QString err;
};

const QString kGerman = QStringLiteral("de_DE.UTF-8");

// The environment of a child process under the German locale, or empty when
// the test build has no compiled German locale.
std::optional<QProcessEnvironment> GermanEnvironment() {
    const QString locales = qEnvironmentVariable("WAYFOLD_LOCPATH");
    if (locales.isEmpty() || !QFileInfo(locales + QLatin1Char('/') + kGerman).isDir()) {
        return std::nullopt;
    }
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(QStringLiteral("LOCPATH"), locales);
    e.insert(QStringLiteral("LANG"), kGerman);
    e.insert(QStringLiteral("LC_ALL"), kGerman);
    return e;
}

}  // namespace

class HeadlessImportTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size()) {
            qFatal("cannot write the test file");
        }
        return path;
    }

    Run run(const QStringList& arguments, QProcessEnvironment environment) {
        environment.insert(QStringLiteral("HOME"), dir_.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                           dir_.filePath(QStringLiteral("config")));
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        QProcess p;
        p.setProcessEnvironment(environment);
        p.start(QStringLiteral(WAYFOLD_PROGRAM),
                QStringList{QStringLiteral("--headless")} + arguments);
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished();
            return {};
        }
        Run r;
        r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    // A waypoint file whose numbers a locale-dependent parse would change.
    QByteArray numbersGpx() {
        return "<?xml version=\"1.0\"?><gpx><wpt lat=\"47.5\" lon=\"-7.25\"><ele>512.75</ele>"
               "<name>GC1</name></wpt></gpx>";
    }

private Q_SLOTS:
    void fixtures_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("german");
        for (const bool german : {false, true}) {
            const char* locale = german ? " under de_DE" : "";
            QTest::addRow("geocaching.loc%s", locale) << "geocaching.loc" << 9 << german;
            QTest::addRow("pathaway-geo.loc%s", locale) << "pathaway-geo.loc" << 9 << german;
            QTest::addRow("easygps.loc%s", locale) << "easygps.loc" << 9 << german;
            QTest::addRow("GC7FA4.gpx%s", locale) << "GC7FA4.gpx" << 1 << german;
            QTest::addRow("GCGCA8.gpx%s", locale) << "GCGCA8.gpx" << 1 << german;
            QTest::addRow("expertgps.gpx%s", locale) << "expertgps.gpx" << 86 << german;
        }
    }
    void fixtures() {
        if (!FixturesAvailable()) {
            QSKIP("The peer fixtures (../shared/fixtures/peer) are not at hand.");
        }
        QFETCH(QString, file);
        QFETCH(int, count);
        QFETCH(bool, german);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (german) {
            const std::optional<QProcessEnvironment> e = GermanEnvironment();
            if (!e) {
                QSKIP("The test build has no compiled de_DE.UTF-8 locale.");
            }
            environment = *e;
        }
        const Run r = run({FixturePath(file), QStringLiteral("/q")}, environment);
        QCOMPARE(r.status, 0);
        QCOMPARE(r.err, QStringLiteral("Imported waypoints: %1 | Last Import: %1\n").arg(count));
    }

    void problemsSetTheExitStatus_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("status");
        QTest::newRow("parse error")
            << QByteArray("<gpx><wpt lat=\"1\" lon=\"2\"></gpx>") << "bad.gpx"
            << "Imported waypoints: 0 | Last Import: 0";
        QTest::newRow("neither LOC format") << QByteArray("<gpx") << "bad.loc"
                                            << "Imported waypoints: 0 | Last Import: -1";
        QTest::newRow("truncated TerraByte")
            << QByteArray(
                   "TerraByte Location File Copyright 2002 TopoGrafix\x0A\x0EW\x01\x01"
                   "AW")
            << "cut.loc"
            << "Imported waypoints: 0 | Last Import: 0";
        QTest::newRow("skipped waypoint")
            << QByteArray("<gpx><wpt lat=\"1\"/><wpt lat=\"1\" lon=\"2\"/></gpx>") << "skip.gpx"
            << "Imported waypoints: 1 | Last Import: 1";
    }
    void problemsSetTheExitStatus() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        QFETCH(QString, status);
        const QString path = write(name, bytes);
        const Run r = run({path, QStringLiteral("/q")}, QProcessEnvironment::systemEnvironment());
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.endsWith(status + QLatin1Char('\n')), qPrintable(r.err));
        QVERIFY2(r.err.contains(path), qPrintable(r.err));
    }

    // Runs itself again in a child process under the German locale, where
    // the readers must still take "47.5" as 47.5.
    void readersUnderGermanLocale() {
        if (qEnvironmentVariable("LC_ALL") != kGerman) {
            const std::optional<QProcessEnvironment> e = GermanEnvironment();
            if (!e) {
                QSKIP("The test build has no compiled de_DE.UTF-8 locale.");
            }
            QProcess child;
            child.setProcessEnvironment(*e);
            child.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("readersUnderGermanLocale")});
            QVERIFY(child.waitForFinished(60000));
            const QByteArray output = child.readAllStandardOutput() + child.readAllStandardError();
            QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                     output.constData());
            QVERIFY2(output.contains("PASS   : HeadlessImportTest::readersUnderGermanLocale()"),
                     output.constData());
            return;
        }
        // The application object has set the locale from the environment: the
        // C library's numbers now use a comma, and pugixml's own number
        // reading follows it.
        QCOMPARE(QString::fromLatin1(std::localeconv()->decimal_point), QStringLiteral(","));
        QCOMPARE(QLocale::system().decimalPoint(), QStringLiteral(","));
        pugi::xml_document probe;
        QVERIFY(probe.load_string("<a v=\"47.5\"/>"));
        QCOMPARE(probe.child("a").attribute("v").as_double(), 47.0);

        WaypointStore store;
        RecordingProgress progress;
        QCOMPARE(
            ReadGpxFile(write(QStringLiteral("numbers.gpx"), numbersGpx()), store, progress).result,
            1);
        QCOMPARE(ReadLocFile(write(QStringLiteral("numbers.loc"),
                                   "<loc><waypoint><name id=\"GC2\">x</name>"
                                   "<coord lat=\"47.5\" lon=\"-7.25\"/></waypoint></loc>"),
                             store, progress)
                     .result,
                 1);
        for (const Waypoint& w : store.Waypoints) {
            QCOMPARE(w.Latitude, 47.5);
            QCOMPARE(w.Longitude, -7.25);
            QCOMPARE(w.LatSemicircles, DegreesToSemicircles(47.5));
        }
        QCOMPARE(store.record(1).Altitude, 512.75);
        QVERIFY(!store.CoordinatesFixed);
    }
};

QTEST_GUILESS_MAIN(HeadlessImportTest)
#include "test_headlessimport.moc"
