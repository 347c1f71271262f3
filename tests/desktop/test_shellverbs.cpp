// The "Open in Mapsource" verbs: in a Windows class root, and as desktop
// entries that GLib launches.
#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "desktop/shellverbs.h"
#include "support/fakes.h"

using namespace Qt::StringLiterals;

namespace {

// Values by key and value name; an empty name is the key's default value.
using Values = QMap<std::pair<QString, QString>, QString>;

struct FakeClassRoot final : ClassRoot {
    QString readValue(const QString& key, const QString& name) const override {
        return values.value({key, name});
    }
    bool writeValue(const QString& key, const QString& name, const QString& data) override {
        return !readOnly && values.insert({key, name}, data) != values.end();
    }
    void deleteKey(const QString& key) override {
        values.removeIf([&key](const auto& v) { return v.key().first == key; });
    }

    Values values;
    bool readOnly = false;
};

// The file types, .loc files of class locClass.
Values Types(const QString& locClass) {
    return {{{u".loc"_s, {}}, locClass},
            {{u".loc"_s, u"Content Type"_s}, u"application/xml-loc"_s},
            {{u".gpx"_s, {}}, u"GPX.Document"_s},
            {{u".gpx"_s, u"Content Type"_s}, u"application/xml-gpx"_s}};
}

// The types and both verbs in both classes, starting program.
Values Registration(const QString& program, const QString& locClass) {
    Values values = Types(locClass);
    for (const QString& c : {locClass, u"GPX.Document"_s}) {
        for (const auto& [six, flags] : {std::pair{u""_s, u"/m /q"_s}, {u" 6"_s, u"/6 /q"_s}}) {
            const QString caption = u"Open in Mapsource%1 (Wayfold)"_s.arg(six);
            const QString key = c + u"\\shell\\"_s + QString(caption).replace(u' ', u'_');
            values[{key, {}}] = caption;
            values[{key + u"\\command"_s, {}}] = u'"' + program + u"\" \"%1\" "_s + flags;
        }
    }
    return values;
}

// The messages of a registration whose every write fails, sorted.
QStringList WriteFailures(const Values& values) {
    QStringList messages;
    for (const auto& [key, name] : values.keys()) {
        messages += u"Error creating value "_s + key + u'\\' + name;
    }
    messages.sort();
    return messages;
}

}  // namespace

class ShellVerbsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The verbs go under the class a type has, else under a fallback class
    // made for it, and the tick follows; removing them leaves the types,
    // takes the verbs of earlier releases' names too and leaves other verbs.
    // Every write that fails says so; the tick then depends on what was
    // there, with the MPS flags exactly as written.
    void classRoot_data() {
        AddColumns<Values, QString, bool, QStringList, Values, bool, Values>(
            "before", "folder", "readOnly", "messages", "registered", "ticked", "unregistered");
        const QString topo = u"TopoGrafix.Document"_s;
        const QString easyGps = u"EasyGPS.loc"_s;
        const Values easyLoc{{{u".loc"_s, {}}, easyGps}};
        AddRow("no class yet", Values(), u"C:\\Tools"_s, false, QStringList(),
               Registration(u"C:\\Tools\\Wayfold.exe"_s, topo), true, Types(topo));
        const QString old = u"GPX.Document\\shell\\Open in Mapsource (Wayfold)"_s;
        const std::pair<QString, QString> print{u"GPX.Document\\shell\\print"_s, {}};
        Values earlier{{{old, {}}, u"Open in Mapsource (Wayfold)"_s},
                       {{old + u"\\command"_s, {}}, u"old"_s},
                       {print, u"Print"_s}};
        earlier.insert(easyLoc);
        Values registered = Registration(u"D:\\Wayfold.exe"_s, easyGps);
        registered.insert(earlier);
        Values left = Types(easyGps);
        left.insert(print, u"Print"_s);
        AddRow("an existing class, earlier names", earlier, u"D:\\"_s, false, QStringList(),
               registered, true, left);
        for (const QString& flags : {u"/m /q"_s, u"/M /Q"_s}) {
            Values before = easyLoc;
            before.insert({easyGps + u"\\shell\\Open_in_Mapsource_(Wayfold)\\command"_s, {}},
                          u"\"D:\\Wayfold.exe\" \"%1\" "_s + flags);
            AddRow(qPrintable(u"read-only, registered before with "_s + flags), before, u"E:"_s,
                   true, WriteFailures(Registration({}, easyGps)), before, flags == u"/m /q"_s,
                   easyLoc);
        }
    }
    void classRoot() {
        FakeClassRoot root;
        QFETCH(Values, before);
        QFETCH(QString, folder);
        QFETCH(bool, readOnly);
        root.values = before;
        root.readOnly = readOnly;
        QStringList messages = Texts(RegisterClassRootVerbs(root, folder));
        messages.sort();
        QTEST(messages, "messages");
        QTEST(root.values, "registered");
        QTEST(ClassRootVerbsRegistered(root), "ticked");
        UnregisterClassRootVerbs(root);
        QTEST(root.values, "unregistered");
        QVERIFY(!ClassRootVerbsRegistered(root));
    }

#ifdef Q_OS_WIN
    // In the registry: the verbs go into the user's classes, under the class
    // that the machine gives a type or, for a type without one, our own; the
    // tick follows; removing them leaves every other value as it was.
    void registryVerbs() {
        QSettings users(u"HKEY_CURRENT_USER\\Software\\Classes"_s, QSettings::NativeFormat);
        QSettings machines(u"HKEY_LOCAL_MACHINE\\Software\\Classes"_s, QSettings::NativeFormat);
        const auto clear = [&] {
            for (const char* key : {".loc", ".gpx", "TopoGrafix.Document", "Test.Gpx"}) {
                users.remove(QLatin1String(key));
                machines.remove(QLatin1String(key));
            }
        };
        clear();
        machines.setValue(u".gpx/Default"_s, u"Test.Gpx"_s);
        machines.setValue(u"Test.Gpx/shell/open/command/Default"_s, u"other.exe %1"_s);
        machines.sync();
        QVERIFY(!ShellVerbsRegistered());

        FakeProcessStarter processes;
        const QString program = u"C:\\Program Files\\Wayfold\\wayfold.exe"_s;
        QVERIFY(SetShellVerbs(true, program, processes).empty() && ShellVerbsRegistered());
        users.sync();
        const QString verb = u"Test.Gpx/shell/Open_in_Mapsource_6_(Wayfold)/command/Default"_s;
        QCOMPARE(
            QStringList({users.value(u".loc/Default"_s).toString(), users.value(verb).toString()}),
            QStringList({u"TopoGrafix.Document"_s,
                         u"\"C:\\Program Files\\Wayfold\\Wayfold.exe\" \"%1\" /6 /q"_s}));

        QVERIFY(SetShellVerbs(false, program, processes).empty() && !ShellVerbsRegistered());
        const QString shell = u"\\Software\\Classes\\Test.Gpx\\shell"_s;
        QCOMPARE(
            QSettings(u"HKEY_CURRENT_USER"_s + shell, QSettings::NativeFormat).childGroups() +
                QSettings(u"HKEY_LOCAL_MACHINE"_s + shell, QSettings::NativeFormat).childGroups(),
            QStringList{u"open"_s});
        clear();
    }
#endif

    // As desktop entries: an entry is ours when the Exec line of its own
    // group has the MPS flags. Registered, the entries are as tests/data/desktop
    // holds them, with a mime package that shared-mime-info reads. Removing
    // them takes entries of earlier names too and leaves the mime package;
    // removing what is not there is no error. A program path that env cannot
    // take, and a data folder that cannot be written, are refused with a
    // message. A GLib file manager (gio) starts the program on the file with
    // the flags, from a folder whose name needs quotes, every escape of the
    // Exec line and of the entry's strings, and env.
    void desktopEntries() {
#ifdef Q_OS_WIN
        QSKIP("Desktop entries are the Linux file managers' verbs; Windows has the registry's");
#endif
        QTemporaryDir dataHome;
        qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
        const QString applications = dataHome.filePath(u"applications/"_s);
        const QString mime = dataHome.filePath(u"mime"_s);
        for (const auto& [entry, ours] :
             {std::pair{"[Desktop Entry]\nExec=wayfold %f /6 /q\n", false},
              {"[Other]\nExec=wayfold %f /m /q\n[Desktop Entry]\nName=x\n", false},
              {"[Desktop Entry]\nExecute=/m /q\nExec = wayfold %f /m /q\n", true},
              {"[Desktop Entry]\nExec=way\\sfold %f /m\\s/q\n", true}}) {
            QVERIFY(MakeFile(applications + QString::fromUtf16(MapSourceDesktopEntry), entry));
            QVERIFY2(ShellVerbsRegistered() == ours, entry);
        }
        // Quoted for the Exec line, then escaped again as a string of the
        // entry; an empty argument is still one.
        QCOMPARE(
            QStringList({DesktopExecValue(u"/opt/$x\"y`\\b"_s, u"/m /q"_s),
                         DesktopExecValue({}, u"/m /q"_s)}),
            QStringList({u"\"/opt/\\\\$x\\\\\"y\\\\`\\\\\\\\b\" %f /m /q"_s, u"\"\" %f /m /q"_s}));
        FakeProcessStarter processes;
        QVERIFY(SetShellVerbs(false, {}, processes).empty() && !ShellVerbsRegistered());
        const QString strange = dataHome.filePath(u"100%=sure/wayfold"_s);
        const auto refused = SetShellVerbs(true, strange, processes);
        QVERIFY(refused.size() == 1 && refused.front().text.contains(strange));
        QVERIFY(!QFileInfo::exists(mime));

        processes.starts.clear();
        QVERIFY(SetShellVerbs(true, u"/opt/way fold/bin/wayfold"_s, processes).empty() &&
                ShellVerbsRegistered());
        const auto entries = [](const QString& folder) {
            return FileBytes(folder + QString::fromUtf16(MapSourceDesktopEntry)) +
                   FileBytes(folder + QString::fromUtf16(MapSource6DesktopEntry));
        };
        QCOMPARE(entries(applications), entries(QStringLiteral(WAYFOLD_TEST_DATA "/desktop/")));
        // The databases are refreshed with the tools that are installed.
        const QString updateMime = QStandardPaths::findExecutable(u"update-mime-database"_s);
        if (!updateMime.isEmpty()) {
            QCOMPARE(QProcess::execute(updateMime, {mime}), 0);
            const QByteArray globs = FileBytes(mime + u"/globs2"_s);
            QVERIFY2(globs.contains("application/xml-loc:*.loc\n") &&
                         globs.contains("application/gpx+xml:*.gpx\n"),
                     globs.constData());
            QCOMPARE(
                QStringList{processes.starts.front().program} + processes.starts.front().arguments,
                QStringList({updateMime, mime}));
        }
        QVERIFY(MakeFile(applications + u"Open in Mapsource (Wayfold).desktop"_s));
        QVERIFY(SetShellVerbs(false, {}, processes).empty() && !ShellVerbsRegistered());
        QCOMPARE(QDir(applications).entryList(QDir::Files), QStringList());
        QVERIFY(QFileInfo::exists(mime + u"/packages/wayfold.xml"_s));

        // A file where the folder should be: both entries fail.
        QVERIFY(QDir(applications).removeRecursively() && MakeFile(applications.chopped(1)));
        const auto failed = SetShellVerbs(true, u"/usr/bin/wayfold"_s, processes);
        QVERIFY(failed.size() == 2 &&
                failed.front().text.startsWith(u"Error creating "_s + applications));
        QVERIFY(QFile::remove(applications.chopped(1)) && !ShellVerbsRegistered());

        const QString gio = QStandardPaths::findExecutable(u"gio"_s);
        QVERIFY2(!gio.isEmpty(), "gio is missing: install libglib2.0-bin (make deps does)");
        QTemporaryDir dir;
        const QString program = dir.filePath(u"100% \"sure\" $x`\\/wayfold"_s);
        const QString file = dir.filePath(u"a b.loc"_s);
        QVERIFY(MakeFakeMapSource(program) && MakeFile(file, "x"));
        QVERIFY(SetShellVerbs(true, program, processes).empty());
        QCOMPARE(
            QProcess::execute(
                gio, {u"launch"_s, applications + QString::fromUtf16(MapSourceDesktopEntry), file}),
            0);
        QVERIFY(WaitForFile(QFileInfo(program).dir().filePath(u"done.txt"_s)));
        QCOMPARE(FileBytes(QFileInfo(program).dir().filePath(u"args.txt"_s)),
                 file.toUtf8() + "\n/m\n/q\n");
    }
};

QTEST_GUILESS_MAIN(ShellVerbsTest)
#include "test_shellverbs.moc"
