// Open in MapSource with a recording process starter, situation by
// situation (tests/data/launcher.txt); the real start of a fake MapSource is
// checked through the program in tests/app/test_cli.cpp.
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "core/tempfiles.h"
#include "mapsource/launcher.h"
#include "support/testfiles.h"

class LauncherTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void situations_data() { AddCaseRows("../launcher.txt"); }
    void situations() {
        QFETCH(QByteArray, document);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        const QString root = dir.path() + u'/';
        const QByteArray home = qgetenv("HOME");
        qputenv("WINEPREFIX", (root + QStringLiteral("prefix")).toUtf8());
        TestSession t;
        t.session.tempFolder = root + QStringLiteral("tmp");
        AddTestWaypoint(t.session.store, QStringLiteral("GC1"));
        bool gdb = false;
        int opens = 1;
        for (const QString& line : QString::fromUtf8(document).split(u'\n')) {
            const QString key = line.section(QStringLiteral(": "), 0, 0);
            const QString value = line.section(QStringLiteral(": "), 1);
            if (key == QLatin1String("gdb")) {
                gdb = true;
            } else if (key == QLatin1String("stored")) {
                t.settings.setValue(QStringLiteral("Mapsource_Dir"), root + value);
            } else if (key == QLatin1String("program")) {
                QVERIFY(MakeFakeMapSource(root + value));
            } else if (key == QLatin1String("file")) {
                QVERIFY(MakeFile(root + value, "x", true));
            } else if (key == QLatin1String("answer")) {
                t.frontend.dialogAnswers.push_back(root + value);
            } else if (key == QLatin1String("failure")) {
                t.processes.failure = value;
            } else if (key == QLatin1String("home wine")) {
                qunsetenv("WINEPREFIX");
                qputenv("HOME", (root + QStringLiteral("home")).toUtf8());
            } else if (key == QLatin1String("temp")) {
                t.session.tempFolder = root + value;
            } else if (key == QLatin1String("opens")) {
                opens = value.toInt();
            } else if (key == QLatin1String("empty")) {
                ClearStore(t.session.store);
            }
        }
        QDir().mkpath(t.session.tempFolder);
        for (int i = 0; i < opens; ++i) {
            (gdb ? OpenGdbInMapSource : OpenMpsInMapSource)(t.session);
        }
        qputenv("HOME", home);

        const auto relative = [&root](QString text) {
            return text.isEmpty() ? QStringLiteral("-") : text.replace(root, QString());
        };
        QStringList got;
        const std::vector<FakeProcessStarter::Start>& starts = t.processes.starts;
        QVERIFY(starts.size() <= 1);
        QVERIFY(starts.empty() || starts[0].arguments == t.session.TemporaryFiles.mid(0, 1));
        got +=
            QStringLiteral("started: ") + relative(starts.empty() ? QString() : starts[0].program);
        got += QStringLiteral("stored: ") +
               relative(t.settings.values.value(QStringLiteral("Mapsource_Dir")));
        got += QStringLiteral("dialogs: %1").arg(t.frontend.dialogs.size());
        for (const FileDialogRequest& d : t.frontend.dialogs) {
            QCOMPARE(QStringList({d.title, d.fileName, d.filter, d.defaultExtension}).join(u'|'),
                     QStringLiteral("Locate Mapsource Executable...|mapsource.exe|"
                                    "Executables (*.exe)|*.exe|exe"));
        }
        for (const QString& text : t.frontend.messageTexts()) {
            got += QStringLiteral("message: ") + relative(text);
        }
        const QDir temp(t.session.tempFolder);
        const QString prefix =
            gdb ? QStringLiteral("GDB*.wayfold.tmp") : QStringLiteral("MPS*.wayfold.tmp");
        got += QStringLiteral("files: %1").arg(temp.entryList({prefix}, QDir::Files).size());
        QCOMPARE(t.session.TemporaryFiles.size(), temp.entryList(QDir::Files).size());
        DeleteTemporaryFiles(t.session);
        got += QStringLiteral("kept: %1").arg(temp.entryList(QDir::Files).size());
        QCOMPARE(got, expected);
        // A file handed over goes once the program has had its time.
        t.now = t.now.addSecs(HandOverSeconds + 1);
        DeleteTemporaryFiles(t.session);
        QCOMPARE(temp.entryList(QDir::Files), QStringList());
    }

    void windowsProgramsRunThroughWine() {
        QTemporaryDir dir;
        const QString exe = dir.filePath(QStringLiteral("MapSource.exe"));
        const QString wine = dir.filePath(QStringLiteral("bin/wine"));
        QVERIFY(MakeFile(exe, QByteArray("MZ\x90\x00", 4)) && MakeFile(wine, "#!/bin/sh\n", true));
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFileInfo(wine).path().toUtf8());
        const StartCommand withWine =
            MapSourceCommand(exe, QStringLiteral("/tmp/a b;c/MPSab12cd.wayfold.tmp"));
        qputenv("PATH", dir.filePath(QStringLiteral("nowhere")).toUtf8());
        const StartCommand withoutWine = MapSourceCommand(exe, QStringLiteral("/tmp/x.tmp"));
        qputenv("PATH", path);
        QCOMPARE(withWine.program, wine);
        QCOMPARE(withWine.arguments,
                 QStringList({exe, QStringLiteral("Z:\\tmp\\a b;c\\MPSab12cd.wayfold.tmp")}));
        QCOMPARE(withoutWine.program + withoutWine.problem,
                 QStringLiteral("MapSource (") + exe +
                     QStringLiteral(") is a Windows program, and \"wine\", which starts Windows "
                                    "programs, was not found on PATH."));
    }

    // Only our own files older than a day go.
    void dayOldCleanup() {
        QTemporaryDir dir;
        const QDateTime now = QDateTime::currentDateTimeUtc();
        const QStringList ours =
            QStringLiteral("MPSabc123.wayfold.tmp GDBxyz789.wayfold.tmp").split(u' ');
        QStringList kept = QStringLiteral(
                               "MPSfresh1.wayfold.tmp MPS1234.tmp GDBxyz789.other.tmp "
                               "MPSlonger12.wayfold.tmp notes.txt")
                               .split(u' ');
        for (const QString& name : ours + kept) {
            QFile f(dir.filePath(name));
            QVERIFY(MakeFile(f.fileName(), "x") && f.open(QIODevice::ReadWrite));
            QVERIFY(name == kept.front() || f.setFileTime(now.addDays(-2).toLocalTime(),
                                                          QFileDevice::FileModificationTime));
        }
        DeleteStaleTemporaryFiles(dir.path(), now);
        QStringList left = QDir(dir.path()).entryList(QDir::Files);
        left.sort();
        kept.sort();
        QCOMPARE(left, kept);
    }
};

QTEST_GUILESS_MAIN(LauncherTest)
#include "test_launcher.moc"
