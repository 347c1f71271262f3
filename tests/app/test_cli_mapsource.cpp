// "Open in MapSource" from the command line, with a recording stand-in for
// MapSource and a temporary folder whose path has a space and a ";".
#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "mapsource/gdbreader.h"
#include "mapsource/mpsreader.h"
#include "support/fakes.h"

namespace {

const QByteArray kRecordingScript =
    "#!/bin/sh\n"
    "here=$(dirname \"$0\")\n"
    "printf '%s\\n' \"$@\" >> \"$here/args.txt\"\n"
    "cp \"$1\" \"$here/copy.bin\"\n"
    "echo done >> \"$here/done.txt\"\n";

bool WaitForFile(const QString& path) {
    for (int i = 0; i < 400 && !QFileInfo::exists(path); ++i) {
        QTest::qWait(25);
    }
    return QFileInfo::exists(path);
}

}  // namespace

class CliMapSourceTest : public QObject {
    Q_OBJECT

    struct Run {
        int status = -1;
        QString err;
    };

    Run run(const QTemporaryDir& home, const QString& temp, const QStringList& arguments) {
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("HOME"), home.path());
        e.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        e.insert(QStringLiteral("WINEPREFIX"), home.filePath(QStringLiteral("wine")));
        e.insert(QStringLiteral("TMPDIR"), temp);
        p.setProcessEnvironment(e);
        p.start(QStringLiteral(WAYFOLD_PROGRAM),
                QStringList{QStringLiteral("--headless")} + arguments);
        if (!p.waitForFinished(60000)) {
            p.kill();
            return {};
        }
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardError())};
    }

    static QString makeFakeMapSource(const QTemporaryDir& home) {
        const QString folder = home.filePath(QStringLiteral("Fake GPS"));
        QDir().mkpath(folder);
        QFile script(folder + QStringLiteral("/mapsource.exe"));
        if (!script.open(QIODevice::WriteOnly)) {
            return QString();
        }
        script.write(kRecordingScript);
        script.close();
        script.setPermissions(script.permissions() | QFile::ExeOwner | QFile::ExeUser);
        QSettings ini(home.filePath(QStringLiteral("config/Wayfold/Wayfold.ini")),
                      QSettings::IniFormat);
        ini.setValue(QStringLiteral("Program Settings/Mapsource_Dir"), folder + QLatin1Char('/'));
        ini.sync();
        return folder;
    }

private Q_SLOTS:
    void startsTheFakeOnceWithTheTemporaryFile_data() {
        QTest::addColumn<QString>("flag");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("mps") << QStringLiteral("/m") << QStringLiteral("MPS");
        QTest::newRow("gdb") << QStringLiteral("/6") << QStringLiteral("GDB");
    }
    void startsTheFakeOnceWithTheTemporaryFile() {
        QFETCH(QString, flag);
        QFETCH(QString, prefix);
        QTemporaryDir home;
        const QString folder = makeFakeMapSource(home);
        QVERIFY(!folder.isEmpty());
        const QString temp = home.filePath(QStringLiteral("tmp dir;x"));
        QVERIFY(QDir().mkpath(temp));

        const Run r =
            run(home, temp,
                {QStringLiteral(WAYFOLD_EXAMPLES "/lakeside.gpx"), flag, QStringLiteral("/q")});
        QCOMPARE(r.status, 0);
        QVERIFY2(WaitForFile(folder + QStringLiteral("/done.txt")), qPrintable(r.err));

        QFile args(folder + QStringLiteral("/args.txt"));
        QVERIFY(args.open(QIODevice::ReadOnly));
        const QStringList lines =
            QString::fromUtf8(args.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1);  // started exactly once, with one argument
        const QFileInfo handed(lines.front());
        QCOMPARE(handed.absolutePath(), temp);
        QVERIFY(handed.fileName().startsWith(prefix));
        QVERIFY(handed.fileName().endsWith(QStringLiteral(".wayfold.tmp")));
        // The program ended right after the start: the file stays for MapSource.
        QVERIFY(handed.exists());

        WaypointStore back;
        RecordingProgress progress;
        const QString copy = folder + QStringLiteral("/copy.bin");
        const ImportResult read = prefix == QLatin1String("MPS")
                                      ? ReadMpsFile(copy, back, progress)
                                      : ReadGdbFile(copy, back, progress);
        QVERIFY(read.messages.empty());
        QCOMPARE(read.result, 5);
        QCOMPARE(back.record(1).Name, QStringLiteral("GC9WF01"));
    }

    void withoutMapSourceTheRunSaysWhatToSet() {
        QTemporaryDir home;
        const QString temp = home.filePath(QStringLiteral("tmp"));
        QVERIFY(QDir().mkpath(temp));
        const Run r = run(home, temp,
                          {QStringLiteral(WAYFOLD_EXAMPLES "/lakeside.gpx"), QStringLiteral("/m"),
                           QStringLiteral("/q")});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("\"Mapsource_Dir\"")), qPrintable(r.err));
        QVERIFY2(r.err.contains(home.filePath(QStringLiteral("config/Wayfold/Wayfold.ini"))),
                 qPrintable(r.err));
        // Nothing was handed over, so nothing is left behind.
        QCOMPARE(QDir(temp).entryList(QDir::Files), QStringList());
    }
};

QTEST_GUILESS_MAIN(CliMapSourceTest)
#include "test_cli_mapsource.moc"
