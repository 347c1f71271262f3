#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <map>

#include "settings/shellverbs.h"
#include "support/fakes.h"

namespace {

// A class root in memory that records the keys deleted, in order.
class FakeClassRoot final : public ClassRoot {
public:
    QString readValue(const QString& key, const QString& valueName) const override {
        const auto it = values.find({key, valueName});
        return it == values.end() ? QString() : it->second;
    }
    bool writeValue(const QString& key, const QString& valueName, const QString& data) override {
        if (!readOnly) {
            values[{key, valueName}] = data;
        }
        return !readOnly;
    }
    void deleteKey(const QString& key) override {
        log.push_back(QStringLiteral("delete ") + key);
        std::erase_if(values, [&key](const auto& v) { return v.first.first == key; });
    }
    QString value(const char* key, const char* name = "") const {
        return readValue(QString::fromUtf8(key), QString::fromUtf8(name));
    }

    std::map<std::pair<QString, QString>, QString> values;
    QStringList log;
    bool readOnly = false;
};

const QString kShell = QStringLiteral("\\shell\\Open_in_Mapsource_(Wayfold)");

}  // namespace

class ShellVerbsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dataHome_;

private Q_SLOTS:
    void initTestCase() {
        qputenv("XDG_DATA_HOME", dataHome_.path().toUtf8());
        QCOMPARE(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
                 dataHome_.path());
    }

    void classRootWithoutAnyClass() {
        FakeClassRoot root;
        QVERIFY(!ClassRootVerbsRegistered(root));
        QVERIFY(RegisterClassRootVerbs(root, QStringLiteral("C:\\Tools")).empty());
        QCOMPARE(root.value(".loc"), QStringLiteral("TopoGrafix.Document"));
        QCOMPARE(root.value(".loc", "Content Type"), QStringLiteral("application/xml-loc"));
        QCOMPARE(root.value(".gpx"), QStringLiteral("GPX.Document"));
        QCOMPARE(root.value(".gpx", "Content Type"), QStringLiteral("application/xml-gpx"));
        QCOMPARE(root.value("TopoGrafix.Document\\shell\\Open_in_Mapsource_(Wayfold)"),
                 QStringLiteral("Open in Mapsource (Wayfold)"));
        QCOMPARE(root.value("GPX.Document\\shell\\Open_in_Mapsource_6_(Wayfold)"),
                 QStringLiteral("Open in Mapsource 6 (Wayfold)"));
        QCOMPARE(root.value("GPX.Document\\shell\\Open_in_Mapsource_6_(Wayfold)\\command"),
                 QStringLiteral("\"C:\\Tools\\Wayfold.exe\" \"%1\" /6 /q"));
        QVERIFY(ClassRootVerbsRegistered(root));
    }

    void classRootKeepsAnExistingClass() {
        FakeClassRoot root;
        root.values[{QStringLiteral(".loc"), QString()}] = QStringLiteral("EasyGPS.loc");
        RegisterClassRootVerbs(root, QStringLiteral("D:\\"));
        QCOMPARE(root.value(".loc"), QStringLiteral("EasyGPS.loc"));
        QCOMPARE(root.value("EasyGPS.loc\\shell\\Open_in_Mapsource_(Wayfold)\\command"),
                 QStringLiteral("\"D:\\Wayfold.exe\" \"%1\" /m /q"));
        QVERIFY(ClassRootVerbsRegistered(root));
        QVERIFY(root.value("TopoGrafix.Document\\shell\\Open_in_Mapsource_(Wayfold)\\command")
                    .isEmpty());
        // The tick needs the flags exactly as written.
        root.values[{QStringLiteral("EasyGPS.loc") + kShell + QStringLiteral("\\command"),
                     QString()}] = QStringLiteral("C:\\Wayfold.exe \"%1\" /M /Q");
        QVERIFY(!ClassRootVerbsRegistered(root));
    }

    void classRootUnregister() {
        FakeClassRoot root;
        RegisterClassRootVerbs(root, QStringLiteral("C:\\Tools"));
        root.log.clear();
        UnregisterClassRootVerbs(root);
        QVERIFY(!ClassRootVerbsRegistered(root));
        // .gpx first; each command key before its parent; the blank-named
        // keys of earlier releases too.
        QCOMPARE(root.log.size(), 16);
        const QString gpx = QStringLiteral("delete GPX.Document\\shell\\Open");
        QCOMPARE(root.log.mid(0, 4),
                 (QStringList{gpx + QStringLiteral("_in_Mapsource_(Wayfold)\\command"),
                              gpx + QStringLiteral("_in_Mapsource_(Wayfold)"),
                              gpx + QStringLiteral(" in Mapsource (Wayfold)\\command"),
                              gpx + QStringLiteral(" in Mapsource (Wayfold)")}));
        QVERIFY(root.log.at(8).startsWith(QStringLiteral("delete TopoGrafix.Document\\")));
        // The extensions keep their class and content type.
        QCOMPARE(root.value(".gpx", "Content Type"), QStringLiteral("application/xml-gpx"));
    }

    void classRootFailedWritesEachSaySo() {
        FakeClassRoot root;
        root.readOnly = true;
        const std::vector<UserMessage> messages =
            RegisterClassRootVerbs(root, QStringLiteral("C:\\Tools"));
        QCOMPARE(messages.size(), size_t(12));
        QCOMPARE(messages.front().text, QStringLiteral("Error creating value TopoGrafix.Document") +
                                            kShell + QLatin1Char('\\'));
        QCOMPARE(messages.at(5).text, QStringLiteral("Error creating value .loc\\Content Type"));
    }

    void desktopExecArgument_data() {
        AddColumns<QString, QString>("argument", "quoted");
        AddRow("plain", "/usr/bin/wayfold", "/usr/bin/wayfold");
        AddRow("blank", "/opt/my apps/wayfold", "\"/opt/my apps/wayfold\"");
        AddRow("dollar and quote", "/opt/$x\"y/wayfold", "\"/opt/\\$x\\\"y/wayfold\"");
        AddRow("backslash", "/opt/a\\b", "\"/opt/a\\\\b\"");
        AddRow("percent", "/opt/100%/wayfold", "/opt/100%%/wayfold");
        AddRow("parenthesis", "/opt/w(1)", "\"/opt/w(1)\"");
    }
    void desktopExecArgument() {
        QFETCH(QString, argument);
        QTEST(DesktopExecArgument(argument), "quoted");
    }

    void desktopExecValueEscapesBackslashesAgain() {
        QCOMPARE(DesktopExecValue(QStringLiteral("/opt/a\\b"), QStringLiteral("/m /q")),
                 QStringLiteral("\"/opt/a\\\\\\\\b\" %f /m /q"));
    }

    void desktopEntries() {
        const QString program = QStringLiteral("/opt/way fold/bin/wayfold");
        const QString applications = dataHome_.filePath(QStringLiteral("applications"));
        QVERIFY(!ShellVerbsRegistered());

        FakeProcessStarter processes;
        QVERIFY(SetShellVerbs(true, program, processes).empty());
        QVERIFY(ShellVerbsRegistered());
        const QByteArray mps =
            FileBytes(applications + QStringLiteral("/wayfold-open-in-mapsource.desktop"));
        QVERIFY2(mps.startsWith("[Desktop Entry]\n"), mps.constData());
        QVERIFY(mps.contains("\nType=Application\n"));
        QVERIFY(mps.contains("\nName=Open in Mapsource (Wayfold)\n"));
        QVERIFY(mps.contains("\nExec=\"/opt/way fold/bin/wayfold\" %f /m /q\n"));
        QVERIFY(mps.contains("\nMimeType=application/xml-loc;application/gpx+xml;\n"));
        const QByteArray gdb =
            FileBytes(applications + QStringLiteral("/wayfold-open-in-mapsource-6.desktop"));
        QVERIFY(gdb.contains("\nName=Open in Mapsource 6 (Wayfold)\n"));
        QVERIFY(gdb.contains("\nExec=\"/opt/way fold/bin/wayfold\" %f /6 /q\n"));

        // shared-mime-info itself reads the package, when it is installed.
        const QString mime = dataHome_.filePath(QStringLiteral("mime"));
        QVERIFY(QFileInfo::exists(mime + QStringLiteral("/packages/wayfold.xml")));
        const QString updateMime =
            QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
        if (!updateMime.isEmpty()) {
            QCOMPARE(QProcess::execute(updateMime, {mime}), 0);
            const QByteArray globs = FileBytes(mime + QStringLiteral("/globs2"));
            QVERIFY2(globs.contains("application/xml-loc:*.loc\n"), globs.constData());
            QVERIFY2(globs.contains("application/gpx+xml:*.gpx\n"), globs.constData());
            // The databases are refreshed with the tools that are installed.
            QCOMPARE(processes.starts.front().program, updateMime);
            QCOMPARE(processes.starts.front().arguments, QStringList{mime});
        }

        // Entries of earlier names go as well; the mime package stays.
        QVERIFY(MakeFile(applications + QStringLiteral("/Open in Mapsource (Wayfold).desktop")));
        QVERIFY(SetShellVerbs(false, program, processes).empty());
        QVERIFY(!ShellVerbsRegistered());
        QVERIFY(QDir(applications).entryList(QDir::Files).isEmpty());
        QVERIFY(QFileInfo::exists(mime + QStringLiteral("/packages/wayfold.xml")));
        // Removing what is not there is no error.
        QVERIFY(SetShellVerbs(false, program, processes).empty());
    }

    // What a GLib file manager does with our entry: gio starts the program
    // on the file with the flags, whatever the program's folder is called;
    // a folder GLib cannot take is refused with a message instead.
    void desktopEntryLaunches_data() {
        AddColumns<QString, bool>("folder", "registered");
        AddRow("blank", "my apps", true);
        AddRow("percent", "100% sure", true);
        AddRow("percent and equals", "100%=sure", false);
    }
    void desktopEntryLaunches() {
        QFETCH(QString, folder);
        QFETCH(bool, registered);
        QTemporaryDir dir;
        const QString program = dir.filePath(folder + QStringLiteral("/wayfold"));
        const QString file = dir.filePath(QStringLiteral("a b.loc"));
        QVERIFY(MakeFakeMapSource(program) && MakeFile(file, "x"));
        FakeProcessStarter processes;
        const std::vector<UserMessage> messages =
            RegisterDesktopVerbs(dir.path(), program, processes);
        const QString entry =
            dir.filePath(QStringLiteral("applications/")) + QString::fromUtf16(MpsDesktopEntry);
        QCOMPARE(QFileInfo::exists(entry), registered);
        if (!registered) {
            QCOMPARE(messages.size(), size_t(1));
            QVERIFY2(messages.front().text.contains(program), qPrintable(messages.front().text));
            return;
        }
        QVERIFY(messages.empty());
        const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
        if (gio.isEmpty()) {
            QSKIP("gio (package libglib2.0-bin) is not installed");
        }
        QProcess launch;
        launch.start(gio, {QStringLiteral("launch"), entry, file});
        QVERIFY(launch.waitForFinished(10000));
        QVERIFY2(launch.exitCode() == 0, launch.readAllStandardError().constData());
        QVERIFY(WaitForFile(QFileInfo(program).dir().filePath(QStringLiteral("done.txt"))));
        QCOMPARE(FileBytes(QFileInfo(program).dir().filePath(QStringLiteral("args.txt"))),
                 file.toUtf8() + "\n/m\n/q\n");
    }

    void desktopTickNeedsTheMpsFlags_data() {
        AddColumns<QByteArray, bool>("entry", "ticked");
        AddRow("gdb flags", QByteArray("[Desktop Entry]\nExec=wayfold %f /6 /q\n"), false);
        AddRow("other group",
               QByteArray("[Other]\nExec=wayfold %f /m /q\n[Desktop Entry]\nName=x\n"), false);
        AddRow("blanks around =",
               QByteArray("[Desktop Entry]\nExecute=/m /q\nExec = wayfold %f /m /q\n"), true);
    }
    void desktopTickNeedsTheMpsFlags() {
        QFETCH(QByteArray, entry);
        QTemporaryDir home;
        QVERIFY(MakeFile(
            home.filePath(QStringLiteral("applications/")) + QString::fromUtf16(MpsDesktopEntry),
            entry));
        QTEST(DesktopVerbsRegistered(home.path()), "ticked");
    }

    void unwritableDataHomeSaysSo() {
        QTemporaryDir home;
        // A file where the folder should be.
        QVERIFY(MakeFile(home.filePath(QStringLiteral("applications"))));
        FakeProcessStarter processes;
        const std::vector<UserMessage> messages =
            RegisterDesktopVerbs(home.path(), QStringLiteral("/usr/bin/wayfold"), processes);
        QCOMPARE(messages.size(), size_t(2));
        QVERIFY(messages.front().text.startsWith(QStringLiteral("Error creating ") +
                                                 home.filePath(QStringLiteral("applications/"))));
        QVERIFY(!DesktopVerbsRegistered(home.path()));
    }
};

QTEST_GUILESS_MAIN(ShellVerbsTest)
#include "test_shellverbs.moc"
