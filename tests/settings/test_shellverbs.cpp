#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <map>

#include "settings/shellverbs.h"
#include "support/fakes.h"

namespace {

// A class root in memory that records what was done to it, in order.
class FakeClassRoot final : public ClassRoot {
public:
    QString readValue(const QString& key, const QString& valueName) const override {
        const auto it = values.find({key, valueName});
        return it == values.end() ? QString() : it->second;
    }
    bool writeValue(const QString& key, const QString& valueName, const QString& data) override {
        log.push_back(QStringLiteral("write ") + key + QLatin1Char('|') + valueName);
        if (readOnly) {
            return false;
        }
        values[{key, valueName}] = data;
        return true;
    }
    void deleteKey(const QString& key) override {
        log.push_back(QStringLiteral("delete ") + key);
        for (auto it = values.begin(); it != values.end();) {
            it = it->first.first == key ? values.erase(it) : std::next(it);
        }
    }

    std::map<std::pair<QString, QString>, QString> values;
    QStringList log;
    bool readOnly = false;
};

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class ShellVerbsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dataHome_;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(dataHome_.isValid());
        qputenv("XDG_DATA_HOME", dataHome_.path().toUtf8());
        QCOMPARE(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
                 dataHome_.path());
    }

    void classRootCommand_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("command");
        QTest::newRow("folder") << QStringLiteral("C:\\Tools")
                                << QStringLiteral("\"C:\\Tools\\Wayfold.exe\" \"%1\" /m /q");
        QTest::newRow("drive root")
            << QStringLiteral("C:\\") << QStringLiteral("\"C:\\Wayfold.exe\" \"%1\" /m /q");
        QTest::newRow("blanks") << QStringLiteral("C:\\Program Files\\Wayfold")
                                << QStringLiteral(
                                       "\"C:\\Program Files\\Wayfold\\Wayfold.exe\" \"%1\" /m /q");
    }
    void classRootCommand() {
        QFETCH(QString, folder);
        QTEST(ClassRootVerbCommand(folder, QStringLiteral("/m /q")), "command");
    }

    void classRootWithoutAnyClass() {
        FakeClassRoot root;
        QVERIFY(!ClassRootVerbsRegistered(root));
        QVERIFY(RegisterClassRootVerbs(root, QStringLiteral("C:\\Tools")).empty());
        const auto value = [&root](const char* key, const char* name = "") {
            return root.readValue(QString::fromLatin1(key), QString::fromLatin1(name));
        };
        QCOMPARE(value(".loc"), QStringLiteral("TopoGrafix.Document"));
        QCOMPARE(value(".loc", "Content Type"), QStringLiteral("application/xml-loc"));
        QCOMPARE(value(".gpx"), QStringLiteral("GPX.Document"));
        QCOMPARE(value(".gpx", "Content Type"), QStringLiteral("application/xml-gpx"));
        QCOMPARE(value("TopoGrafix.Document\\shell\\Open_in_Mapsource_(Wayfold)"),
                 QStringLiteral("Open in Mapsource (Wayfold)"));
        QCOMPARE(value("GPX.Document\\shell\\Open_in_Mapsource_6_(Wayfold)"),
                 QStringLiteral("Open in Mapsource 6 (Wayfold)"));
        QCOMPARE(value("GPX.Document\\shell\\Open_in_Mapsource_6_(Wayfold)\\command"),
                 QStringLiteral("\"C:\\Tools\\Wayfold.exe\" \"%1\" /6 /q"));
        QCOMPARE(
            root.log.mid(0, 6),
            (QStringList{
                QStringLiteral("write TopoGrafix.Document\\shell\\Open_in_Mapsource_(Wayfold)|"),
                QStringLiteral(
                    "write TopoGrafix.Document\\shell\\Open_in_Mapsource_(Wayfold)\\command|"),
                QStringLiteral("write TopoGrafix.Document\\shell\\Open_in_Mapsource_6_(Wayfold)|"),
                QStringLiteral("write TopoGrafix.Document\\shell\\Open_in_Mapsource_6_("
                               "Wayfold)\\command|"),
                QStringLiteral("write .loc|"),
                QStringLiteral("write .loc|Content Type"),
            }));
        QCOMPARE(root.log.size(), 12);
        QVERIFY(ClassRootVerbsRegistered(root));
    }

    void classRootKeepsAnExistingClass() {
        FakeClassRoot root;
        root.values[{QStringLiteral(".loc"), QString()}] = QStringLiteral("EasyGPS.loc");
        RegisterClassRootVerbs(root, QStringLiteral("D:\\"));
        QCOMPARE(root.readValue(QStringLiteral(".loc"), QString()), QStringLiteral("EasyGPS.loc"));
        QCOMPARE(root.readValue(
                     QStringLiteral("EasyGPS.loc\\shell\\Open_in_Mapsource_(Wayfold)\\command"),
                     QString()),
                 QStringLiteral("\"D:\\Wayfold.exe\" \"%1\" /m /q"));
        QVERIFY(ClassRootVerbsRegistered(root));
        QVERIFY(
            root.readValue(QStringLiteral(
                               "TopoGrafix.Document\\shell\\Open_in_Mapsource_(Wayfold)\\command"),
                           QString())
                .isEmpty());
    }

    void classRootTickNeedsTheMpsFlags() {
        FakeClassRoot root;
        root.values[{QStringLiteral(".loc"), QString()}] = QStringLiteral("X");
        root.values[{QStringLiteral("X\\shell\\Open_in_Mapsource_(Wayfold)\\command"), QString()}] =
            QStringLiteral("C:\\Wayfold.exe \"%1\" /M /Q");
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
        QCOMPARE(
            root.log.mid(0, 4),
            (QStringList{
                QStringLiteral("delete GPX.Document\\shell\\Open_in_Mapsource_(Wayfold)\\command"),
                QStringLiteral("delete GPX.Document\\shell\\Open_in_Mapsource_(Wayfold)"),
                QStringLiteral("delete GPX.Document\\shell\\Open in Mapsource (Wayfold)\\command"),
                QStringLiteral("delete GPX.Document\\shell\\Open in Mapsource (Wayfold)"),
            }));
        QVERIFY(root.log.at(8).startsWith(QStringLiteral("delete TopoGrafix.Document\\")));
        // The extensions keep their class and content type.
        QCOMPARE(root.readValue(QStringLiteral(".gpx"), QStringLiteral("Content Type")),
                 QStringLiteral("application/xml-gpx"));
    }

    void classRootFailedWritesEachSaySo() {
        FakeClassRoot root;
        root.readOnly = true;
        const std::vector<UserMessage> messages =
            RegisterClassRootVerbs(root, QStringLiteral("C:\\Tools"));
        QCOMPARE(messages.size(), size_t(12));
        QCOMPARE(
            messages.front().text,
            QStringLiteral(
                "Error creating value TopoGrafix.Document\\shell\\Open_in_Mapsource_(Wayfold)\\"));
        QCOMPARE(messages.at(5).text, QStringLiteral("Error creating value .loc\\Content Type"));
        QCOMPARE(messages.front().title, QStringLiteral("Wayfold"));
    }

    void desktopExecArgument_data() {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("quoted");
        QTest::newRow("plain") << QStringLiteral("/usr/bin/wayfold")
                               << QStringLiteral("/usr/bin/wayfold");
        QTest::newRow("blank") << QStringLiteral("/opt/my apps/wayfold")
                               << QStringLiteral("\"/opt/my apps/wayfold\"");
        QTest::newRow("dollar and quote")
            << QStringLiteral("/opt/$x\"y/wayfold") << QStringLiteral("\"/opt/\\$x\\\"y/wayfold\"");
        QTest::newRow("backslash")
            << QStringLiteral("/opt/a\\b") << QStringLiteral("\"/opt/a\\\\b\"");
        QTest::newRow("percent") << QStringLiteral("/opt/100%/wayfold")
                                 << QStringLiteral("/opt/100%%/wayfold");
        QTest::newRow("parenthesis")
            << QStringLiteral("/opt/w(1)") << QStringLiteral("\"/opt/w(1)\"");
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
            ReadAll(applications + QStringLiteral("/wayfold-open-in-mapsource.desktop"));
        QVERIFY2(mps.startsWith("[Desktop Entry]\n"), mps.constData());
        QVERIFY(mps.contains("\nType=Application\n"));
        QVERIFY(mps.contains("\nName=Open in Mapsource (Wayfold)\n"));
        QVERIFY(mps.contains("\nExec=\"/opt/way fold/bin/wayfold\" %f /m /q\n"));
        QVERIFY(mps.contains("\nMimeType=application/xml-loc;application/gpx+xml;\n"));
        const QByteArray gdb =
            ReadAll(applications + QStringLiteral("/wayfold-open-in-mapsource-6.desktop"));
        QVERIFY(gdb.contains("\nName=Open in Mapsource 6 (Wayfold)\n"));
        QVERIFY(gdb.contains("\nExec=\"/opt/way fold/bin/wayfold\" %f /6 /q\n"));

        const QString package = dataHome_.filePath(QStringLiteral("mime/packages/wayfold.xml"));
        const QByteArray mime = ReadAll(package);
        QVERIFY(mime.contains("<mime-type type=\"application/xml-loc\">"));
        QVERIFY(mime.contains("<glob pattern=\"*.loc\"/>"));
        QVERIFY(mime.contains("<mime-type type=\"application/gpx+xml\">"));
        QVERIFY(mime.contains("<glob pattern=\"*.gpx\"/>"));

        // shared-mime-info itself reads the package.
        const QString updateMime =
            QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
        if (!updateMime.isEmpty()) {
            QProcess p;
            p.start(updateMime, {dataHome_.filePath(QStringLiteral("mime"))});
            QVERIFY(p.waitForFinished(60000));
            QCOMPARE(p.exitCode(), 0);
            const QByteArray globs = ReadAll(dataHome_.filePath(QStringLiteral("mime/globs2")));
            QVERIFY2(globs.contains("application/xml-loc:*.loc\n"), globs.constData());
            QVERIFY2(globs.contains("application/gpx+xml:*.gpx\n"), globs.constData());
        }

        // The databases are refreshed with the tools that are installed.
        QStringList started;
        for (const auto& s : processes.starts) {
            started.push_back(QFileInfo(s.program).fileName() + QLatin1Char(' ') +
                              s.arguments.join(u' '));
        }
        if (!QStandardPaths::findExecutable(QStringLiteral("update-mime-database")).isEmpty()) {
            QVERIFY(started.contains(QStringLiteral("update-mime-database ") +
                                     dataHome_.filePath(QStringLiteral("mime"))));
        }
        if (QStandardPaths::findExecutable(QStringLiteral("update-desktop-database")).isEmpty()) {
            QVERIFY(!started.join(u'|').contains(QStringLiteral("update-desktop-database")));
        }

        // Entries of earlier names go as well; the mime package stays.
        const QString old = applications + QStringLiteral("/Open in Mapsource (Wayfold).desktop");
        QVERIFY(QFile(old).open(QIODevice::WriteOnly));
        QVERIFY(SetShellVerbs(false, program, processes).empty());
        QVERIFY(!ShellVerbsRegistered());
        QVERIFY(QDir(applications).entryList(QDir::Files).isEmpty());
        QVERIFY(QFileInfo::exists(package));
        // Removing what is not there is no error.
        QVERIFY(SetShellVerbs(false, program, processes).empty());
    }

    void desktopTickNeedsTheMpsFlags() {
        QTemporaryDir home;
        const QString path =
            home.filePath(QStringLiteral("applications/wayfold-open-in-mapsource.desktop"));
        QVERIFY(QDir().mkpath(home.filePath(QStringLiteral("applications"))));
        const auto write = [&path](const QByteArray& content) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(content);
        };
        write("[Desktop Entry]\nExec=wayfold %f /6 /q\n");
        QVERIFY(!DesktopVerbsRegistered(home.path()));
        write("[Other]\nExec=wayfold %f /m /q\n[Desktop Entry]\nName=x\n");
        QVERIFY(!DesktopVerbsRegistered(home.path()));
        write("[Desktop Entry]\nExecute=/m /q\nExec = wayfold %f /m /q\n");
        QVERIFY(DesktopVerbsRegistered(home.path()));
    }

    void unwritableDataHomeSaysSo() {
        QTemporaryDir home;
        QFile blocker(home.filePath(QStringLiteral("applications")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));  // a file where the folder should be
        blocker.close();
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
