// The "Open in Mapsource" verbs: in a Windows class root, case by case
// (tests/data/desktop/classroot.txt), and as desktop entries that GLib launches.
#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "desktop/shellverbs.h"
#include "support/testfiles.h"

namespace {

// A class root in memory that records the keys deleted, in order.
class FakeClassRoot final : public ClassRoot {
public:
    QString readValue(const QString& key, const QString& name) const override {
        return values.value({key, name});
    }
    bool writeValue(const QString& key, const QString& name, const QString& data) override {
        return !readOnly && values.insert({key, name}, data) != values.end();
    }
    void deleteKey(const QString& key) override {
        log += QStringLiteral("deleted: ") + key;
        values.removeIf([&key](const auto& v) { return v.key().first == key; });
    }
    QStringList contents(const QString& label) const {
        QStringList lines;
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            lines += label + it.key().first + u'|' + it.key().second + u'=' + it.value();
        }
        return lines;
    }

    QMap<std::pair<QString, QString>, QString> values;
    QStringList log;
    bool readOnly = false;
};

}  // namespace

class ShellVerbsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dataHome_;

private Q_SLOTS:
    void initTestCase() {
#ifndef Q_OS_WIN
        qputenv("XDG_DATA_HOME", dataHome_.path().toUtf8());
        QCOMPARE(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
                 dataHome_.path());
#endif
    }

    void classRoot_data() {
        AddCaseRows("../desktop/classroot.txt");
    }
    void classRoot() {
        QFETCH(QByteArray, document);
        QFETCH(QStringList, expected);
        FakeClassRoot root;
        QString folder;
        for (const QString& line : QString::fromUtf8(document).split(u'\n', Qt::SkipEmptyParts)) {
            const QString value = line.section(QStringLiteral(": "), 1);
            if (line.startsWith(QLatin1String("folder: "))) {
                folder = value;
            } else if (line.startsWith(QLatin1String("read-only"))) {
                root.readOnly = true;
            } else {
                root.values[{value.section(u'|', 0, 0),
                             value.section(u'|', 1).section(u'=', 0, 0)}] = value.section(u'=', 1);
            }
        }
        QStringList got;
        for (const UserMessage& m : RegisterClassRootVerbs(root, folder)) {
            got += QStringLiteral("message: ") + m.text;
        }
        got += root.contents(QStringLiteral("value: "));
        got += QStringLiteral("registered: %1").arg(ClassRootVerbsRegistered(root));
        UnregisterClassRootVerbs(root);
        QVERIFY(!ClassRootVerbsRegistered(root));
        QCOMPARE(got + root.log + root.contents(QStringLiteral("left: ")), expected);
    }

    void desktopExec_data() {
        AddCaseRows("../desktop/desktopexec.txt");
    }
    void desktopExec() {
        QFETCH(QByteArray, document);
        const QString program = QString::fromUtf8(document);
        QFETCH(QStringList, expected);
        QCOMPARE(QStringList({DesktopExecArgument(program),
                              DesktopExecValue(program, QStringLiteral("/m /q"))}),
                 expected);
    }

#ifdef Q_OS_WIN
    // In the registry: the verbs go into the user's classes, under the class
    // that the machine gives a type or, for a type without one, our own; the
    // tick follows; removing them leaves every other value as it was.
    void registryVerbs() {
        const QString user = QStringLiteral("HKEY_CURRENT_USER\\Software\\Classes");
        const QString machine = QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Classes");
        QSettings users(user, QSettings::NativeFormat);
        QSettings machines(machine, QSettings::NativeFormat);
        for (QSettings* root : {&users, &machines}) {
            for (const char* key : {".loc", ".gpx", "TopoGrafix.Document", "Test.Gpx"}) {
                root->remove(QLatin1String(key));
            }
        }
        machines.setValue(QStringLiteral(".gpx/Default"), QStringLiteral("Test.Gpx"));
        const QString open = QStringLiteral("Test.Gpx/shell/open/command/Default");
        machines.setValue(open, QStringLiteral("other.exe %1"));
        machines.sync();
        QVERIFY(!ShellVerbsRegistered());

        FakeProcessStarter processes;
        const QString program = QStringLiteral("C:\\Program Files\\Wayfold\\wayfold.exe");
        QVERIFY(SetShellVerbs(true, program, processes).empty());
        QVERIFY(ShellVerbsRegistered());
        users.sync();
        const QString command =
            QStringLiteral("\"C:\\Program Files\\Wayfold\\Wayfold.exe\" \"%1\" ");
        QCOMPARE(users.value(QStringLiteral(".loc/Default")),
                 QStringLiteral("TopoGrafix.Document"));
        QCOMPARE(users.value(QStringLiteral(".loc/Content Type")),
                 QStringLiteral("application/xml-loc"));
        QCOMPARE(users.value(QStringLiteral(
                     "TopoGrafix.Document/shell/Open_in_Mapsource_(Wayfold)/command/Default")),
                 command + QStringLiteral("/m /q"));
        QCOMPARE(users.value(QStringLiteral(".gpx/Default")), QStringLiteral("Test.Gpx"));
        QCOMPARE(
            users.value(QStringLiteral("Test.Gpx/shell/Open_in_Mapsource_6_(Wayfold)/Default")),
            QStringLiteral("Open in Mapsource 6 (Wayfold)"));
        QCOMPARE(users.value(QStringLiteral(
                     "Test.Gpx/shell/Open_in_Mapsource_6_(Wayfold)/command/Default")),
                 command + QStringLiteral("/6 /q"));
        machines.beginGroup(QStringLiteral("Test.Gpx/shell"));
        QCOMPARE(machines.childGroups(), QStringList{QStringLiteral("open")});
        machines.endGroup();

        QVERIFY(SetShellVerbs(false, program, processes).empty());
        QVERIFY(!ShellVerbsRegistered());
        users.sync();
        machines.sync();
        QCOMPARE(users
                     .value(QStringLiteral(
                         "TopoGrafix.Document/shell/Open_in_Mapsource_(Wayfold)/Default"))
                     .isValid(),
                 false);
        users.beginGroup(QStringLiteral("Test.Gpx/shell"));
        QCOMPARE(users.childGroups(), QStringList());
        users.endGroup();
        QCOMPARE(machines.value(open), QStringLiteral("other.exe %1"));
        for (QSettings* root : {&users, &machines}) {
            for (const char* key : {".loc", ".gpx", "TopoGrafix.Document", "Test.Gpx"}) {
                root->remove(QLatin1String(key));
            }
        }
    }
#endif

    void desktopEntries() {
#ifdef Q_OS_WIN
        QSKIP("Desktop entries are the Linux file managers' verbs; Windows has the registry's");
#endif
        const QString program = QStringLiteral("/opt/way fold/bin/wayfold");
        const QString applications = dataHome_.filePath(QStringLiteral("applications/"));
        const QString mime = dataHome_.filePath(QStringLiteral("mime"));
        QVERIFY(!ShellVerbsRegistered());
        FakeProcessStarter processes;
        QVERIFY(SetShellVerbs(true, program, processes).empty());
        QVERIFY(ShellVerbsRegistered());
        // The entries as tests/data/desktop holds them.
        for (const char16_t* entry : {MapSourceDesktopEntry, MapSource6DesktopEntry}) {
            QCOMPARE(FileBytes(applications + QString::fromUtf16(entry)),
                     FileBytes(QStringLiteral(WAYFOLD_TEST_DATA "/desktop/") +
                               QString::fromUtf16(entry)));
        }
        // shared-mime-info itself reads the package, when it is installed;
        // the databases are refreshed with the tools that are.
        const QString updateMime =
            QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
        if (!updateMime.isEmpty()) {
            QCOMPARE(QProcess::execute(updateMime, {mime}), 0);
            const QByteArray globs = FileBytes(mime + QStringLiteral("/globs2"));
            QVERIFY2(globs.contains("application/xml-loc:*.loc\n") &&
                         globs.contains("application/gpx+xml:*.gpx\n"),
                     globs.constData());
            QCOMPARE(
                QStringList{processes.starts.front().program} + processes.starts.front().arguments,
                QStringList({updateMime, mime}));
        }
        // Entries of earlier names go as well; the mime package stays;
        // removing what is not there is no error.
        QVERIFY(MakeFile(applications + QStringLiteral("Open in Mapsource (Wayfold).desktop")));
        QVERIFY(SetShellVerbs(false, program, processes).empty());
        QVERIFY(!ShellVerbsRegistered());
        QCOMPARE(QDir(applications).entryList(QDir::Files), QStringList());
        QVERIFY(QFileInfo::exists(mime + QStringLiteral("/packages/wayfold.xml")));
        QVERIFY(SetShellVerbs(false, program, processes).empty());
    }

    // What a GLib file manager does with our entry: gio starts the program
    // on the file with the flags, whatever the program's folder is called;
    // a folder GLib cannot take is refused with a message instead.
    void desktopEntryLaunches_data() {
        AddColumns<QString, bool>("folder", "registered");
        AddRow("blank", QStringLiteral("my apps"), true);
        AddRow("percent", QStringLiteral("100% sure"), true);
        AddRow("percent and equals", QStringLiteral("100%=sure"), false);
    }
    void desktopEntryLaunches() {
#ifdef Q_OS_WIN
        QSKIP("Launches a desktop entry with GLib's gio, which Windows does not have");
#endif
        QFETCH(QString, folder);
        QFETCH(bool, registered);
        QTemporaryDir dir;
        const QString program = dir.filePath(folder + QStringLiteral("/wayfold"));
        const QString file = dir.filePath(QStringLiteral("a b.loc"));
        QVERIFY(MakeFakeMapSource(program) && MakeFile(file, "x"));
        FakeProcessStarter processes;
        const std::vector<UserMessage> messages =
            RegisterDesktopVerbs(dir.path(), program, processes);
        const QString entry = dir.filePath(QStringLiteral("applications/")) +
                              QString::fromUtf16(MapSourceDesktopEntry);
        QCOMPARE(QFileInfo::exists(entry), registered);
        QCOMPARE(messages.size(), size_t(registered ? 0 : 1));
        const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
        if (!registered) {
            QVERIFY2(messages.front().text.contains(program), qPrintable(messages.front().text));
            return;
        } else if (gio.isEmpty()) {
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

    // Whether an entry is ours (tests/data/desktop/desktoptick.txt); a data folder
    // that cannot be written says so.
    void desktopTickAndFailures_data() {
        AddCaseRows("../desktop/desktoptick.txt");
    }
    void desktopTickAndFailures() {
#ifdef Q_OS_WIN
        QSKIP("Desktop entries are the Linux file managers' verbs; Windows has the registry's");
#endif
        QFETCH(QByteArray, document);
        QFETCH(QStringList, expected);
        QTemporaryDir home;
        const QString applications = home.filePath(QStringLiteral("applications/"));
        QVERIFY(MakeFile(applications + QString::fromUtf16(MapSourceDesktopEntry), document));
        QCOMPARE(QStringList{QLatin1String(DesktopVerbsRegistered(home.path()) ? "" : "not ") +
                             QStringLiteral("ticked")},
                 expected);
        // A file where the folder should be.
        QVERIFY(QDir(applications).removeRecursively() && MakeFile(applications.chopped(1)));
        FakeProcessStarter processes;
        const std::vector<UserMessage> messages =
            RegisterDesktopVerbs(home.path(), QStringLiteral("/usr/bin/wayfold"), processes);
        QCOMPARE(messages.size(), size_t(2));
        QVERIFY(messages.front().text.startsWith(QStringLiteral("Error creating ") + applications));
        QVERIFY(!DesktopVerbsRegistered(home.path()));
    }
};

QTEST_GUILESS_MAIN(ShellVerbsTest)
#include "test_shellverbs.moc"
