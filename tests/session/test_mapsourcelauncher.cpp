// Open in MapSource with a recording process starter, situation by
// situation (tests/data/session/mapsourcelauncher.txt); the real start of a fake MapSource is
// checked through the program in tests/app/test_cli.cpp.
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "session/exporter.h"
#include "session/formats.h"
#include "session/mapsourcelauncher.h"
#include "session/tempfiles.h"
#include "support/testfiles.h"

class MapSourceLauncherTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void situations_data() { AddCaseRows("../session/mapsourcelauncher.txt"); }
    void situations() {
#ifdef Q_OS_WIN
        QSKIP(
            "The cases are Linux's: MapSource in a Wine prefix, started through Wine, names "
            "that keep letter case; test_cli starts a stand-in from Windows' program folders");
#endif
        QFETCH(QByteArray, document);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        const QString root = dir.path() + u'/';
        const QByteArray home = qgetenv("HOME");
        const QByteArray path = qgetenv("PATH");
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
            } else if (key == QLatin1String("windows")) {
                QVERIFY(MakeFile(root + value, QByteArray("MZ\x90\x00", 4)));
            } else if (key == QLatin1String("path")) {
                qputenv("PATH", (root + value).toUtf8());
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
            SendToDestination(t.session, Destinations()[gdb ? 1 : 0]);
        }
        qputenv("HOME", home);
        qputenv("PATH", path);

        // The file handed over is "<file>"; with backslashes, "<windows file>".
        const QString file = t.session.TemporaryFiles.value(0, QString(1, QChar(0)));
        const auto relative = [&root, &file](QString text) {
            return text.isEmpty() ? QStringLiteral("-")
                                  : text.replace(file, QStringLiteral("<file>"))
                                        .replace(QString(file).replace(u'/', u'\\'),
                                                 QStringLiteral("<windows file>"))
                                        .replace(root, QString());
        };
        const std::vector<FakeProcessStarter::Start>& starts = t.processes.starts;
        QVERIFY(starts.size() <= 1);
        QStringList got{
            QStringLiteral("started: ") +
            relative(starts.empty()
                         ? QString()
                         : (QStringList{starts[0].program} + starts[0].arguments).join(u'|'))};
        got += QStringLiteral("stored: ") +
               relative(t.settings.values.value(QStringLiteral("Mapsource_Dir")));
        for (const FileDialogRequest& d : t.frontend.dialogs) {
            got += QStringLiteral("dialog: ") +
                   QStringList({d.title, d.fileName, d.filter, d.defaultExtension}).join(u'|');
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

    // Only our own files older than a day go.
    void dayOldCleanup() {
        QTemporaryDir dir;
        const QDateTime now = QDateTime::currentDateTimeUtc();
        const QStringList kept = QStringLiteral(
                                     "GDBxyz789.other.tmp MPS1234.tmp MPSfresh1.wayfold.tmp "
                                     "MPSlonger12.wayfold.tmp notes.txt")
                                     .split(u' ');
        for (const QString& name :
             kept + QStringLiteral("MPSabc123.wayfold.tmp GDBxyz789.wayfold.tmp").split(u' ')) {
            QFile f(dir.filePath(name));
            QVERIFY(MakeFile(f.fileName(), "x") && f.open(QIODevice::ReadWrite));
            QVERIFY(
                name.contains(QLatin1String("fresh")) ||
                f.setFileTime(now.addDays(-2).toLocalTime(), QFileDevice::FileModificationTime));
        }
        DeleteStaleTemporaryFiles(dir.path(), now);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), kept);
    }
};

QTEST_GUILESS_MAIN(MapSourceLauncherTest)
#include "test_mapsourcelauncher.moc"
