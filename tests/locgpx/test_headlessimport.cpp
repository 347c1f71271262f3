// Whole imports of every format: the real files, through the readers and
// through the built program (also under a locale whose decimal separator is
// a comma), and files that are missing or not files.
#include <QTemporaryDir>
#include <QtTest>

#include "locgpx/gpxreader.h"
#include "locgpx/locreader.h"
#include "mapsource/gdbreader.h"
#include "mapsource/mpsreader.h"
#include "support/fakes.h"
#include "support/testfiles.h"

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

class HeadlessImportTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private Q_SLOTS:
    // Each read by the reader its extension names (tests/data/readers/peer.txt).
    void realFiles_data() { AddCaseRows("peer.txt"); }
    void realFiles() {
        if (!FixturesAvailable()) {
            QSKIP("The peer fixtures (../shared/fixtures/peer) are not at hand.");
        }
        QFETCH(QByteArray, document);
        QFETCH(QStringList, expected);
        const QString path = FixturePath(QString::fromUtf8(document));
        const QHash<QString, FileReader> readers{{QStringLiteral("mps"), &ReadMpsFile},
                                                 {QStringLiteral("gdb"), &ReadGdbFile},
                                                 {QStringLiteral("loc"), &ReadLocFile},
                                                 {QStringLiteral("gpx"), &ReadGpxFile}};
        CheckRead(readers.value(QFileInfo(path).suffix()), path, expected);
    }

    // Through the session, each with one message and the store as it was.
    void badFiles_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");  // %1 is the file's path
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("last");
        for (const char* extension : {"mps", "gdb"}) {
            const auto row = [extension](const char* kind, const QString& message, int icon) {
                QTest::addRow("%s %s", kind, extension)
                    << QStringLiteral("%1.%2").arg(QLatin1String(kind), QLatin1String(extension))
                    << message << icon << 0;
            };
            const QString damaged = QStringLiteral("Can't import %1: ");
            const int exclamation = int(MessageIcon::Exclamation);
            row("missing", QStringLiteral("Please create %1 before using this function!"),
                int(MessageIcon::None));
            row("empty", damaged + QStringLiteral("the file is empty."), exclamation);
            row("folder", damaged + QStringLiteral("it is a folder, not a file."), exclamation);
            row("pipe", damaged + QStringLiteral("it is not a plain file."), exclamation);
            row("unreadable",
                damaged + QStringLiteral("the file can't be opened (Permission denied)."),
                exclamation);
        }
        // A .loc file that is not XML goes to the TerraByte reader, which
        // can't read these either (-1).
        for (const char* extension : {"loc", "gpx"}) {
            const auto row = [extension](const char* kind, const char* reason) {
                QTest::addRow("%s %s", kind, extension)
                    << QStringLiteral("%1.%2").arg(QLatin1String(kind), QLatin1String(extension))
                    << QStringLiteral("Error parsing %1\r\nReason: ") + QLatin1String(reason)
                    << int(MessageIcon::Critical) << (extension[0] == 'l' ? -1 : 0);
            };
            row("missing", "The file cannot be opened: No such file or directory");
            row("empty", "The file is empty (line 1, column 1)");
            row("folder", "It is a folder, not a file");
            row("pipe", "It is not a plain file");
            row("unreadable", "The file cannot be opened: Permission denied");
        }
    }
    void badFiles() {
        QFETCH(QString, name);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        if (name.startsWith(QLatin1String("empty"))) {
            QVERIFY(!WriteTestFile(dir.path(), name, {}).isEmpty());
        } else if (name.startsWith(QLatin1String("folder"))) {
            QVERIFY(QDir(dir.path()).mkdir(name));
        } else if (name.startsWith(QLatin1String("pipe"))) {
#ifdef Q_OS_UNIX
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
#else
            QSKIP("Named pipes are a POSIX thing.");
#endif
        } else if (name.startsWith(QLatin1String("unreadable"))) {
            QVERIFY(!WriteTestFile(dir.path(), name, "MsRcd").isEmpty());
            QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
            if (QFileInfo(path).isReadable()) {
                QSKIP("This user can read a file without read permission (root).");
            }
        }
        TestSession t;
        t.session.store.Waypoints.push_back(Sentinel());
        QVERIFY(ImportFile(t.session, path));
        QCOMPARE(t.frontend.messageTexts(), QStringList{message.arg(path)});
        QTEST(int(t.frontend.messages.front().icon), "icon");
        QCOMPARE(t.session.problemCount, 1);
        QCOMPARE(Names(t.session.store), QStringList{Sentinel().Name});
        QCOMPARE(t.frontend.panel1, QStringLiteral("Imported waypoints: 1"));
        QFETCH(int, last);
        QCOMPARE(t.frontend.panel2, QStringLiteral("Last Import: %1").arg(last));
    }

    // The built program prints the status line of every real file under the
    // German locale (the readers read them in the C locale in realFiles),
    // after its messages; and any message makes the exit status 1, warnings
    // too.
    void program_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("document");  // empty for a real file
        QTest::addColumn<QString>("output");       // %1 is the file's path
        const QString unknown = QStringLiteral(
            "Wayfold: %1 is in an unknown format:  %2\nPlease inform the program author and send "
            "the %1 file you are trying to import\n");
        const QString status = QStringLiteral("Imported waypoints: %1 | Last Import: %2\n");
        const auto row = [](const char* file, const QString& output,
                            const QByteArray& document = {}) {
            QTest::newRow(file) << QString::fromLatin1(file) << document << output;
        };
        row("mapsource.mps", status.arg(9).arg(9));
        row("route.mps", status.arg(14).arg(14));
        row("mps-track.mps",
            unknown.arg(QStringLiteral("MPS"), QStringLiteral("d")) + status.arg(0).arg(0));
        row("gdb-sample2-ver1-gpsbabel.gdb", status.arg(7).arg(7));
        row("gdb-sample2.gdb", status.arg(3).arg(3));
        row("gdb-sample-v3.gdb", status.arg(9).arg(9));
        row("gdb-sample-v3-ilinks.gdb", status.arg(5).arg(5));
        row("gdb-sample-v3-autoroute.gdb", status.arg(4).arg(4));
        row("geocaching.loc", status.arg(9).arg(9));
        row("pathaway-geo.loc", status.arg(9).arg(9));
        row("easygps.loc", status.arg(9).arg(9));
        row("GC7FA4.gpx", status.arg(1).arg(1));
        row("GCGCA8.gpx", status.arg(1).arg(1));
        row("expertgps.gpx", status.arg(86).arg(86));
        row("neither.loc",
            QStringLiteral("Parse Error: Error parsing %1\nReason: An end tag without a start "
                           "tag (line 1, column 1)\n") +
                status.arg(0).arg(-1),
            "</gpx>");
        row("skipped.gpx",
            QStringLiteral("Wayfold: Some waypoints in %1 were skipped:\nwpt elements without "
                           "the lat or lon attribute: 1\nThe other waypoints were imported.\n") +
                status.arg(1).arg(1),
            "<gpx><wpt lat=\"1\"/><wpt lat=\"1\" lon=\"2\"/></gpx>");
    }
    void program() {
        QFETCH(QString, file);
        QFETCH(QByteArray, document);
        QFETCH(QString, output);
        if (document.isEmpty() && !FixturesAvailable()) {
            QSKIP("The peer fixtures (../shared/fixtures/peer) are not at hand.");
        }
        const std::optional<QProcessEnvironment> environment =
            GermanEnvironment(ProgramEnvironment(dir_.path()));
        if (!environment) {
            QSKIP("The test build has no compiled de_DE.UTF-8 locale.");
        }
        const QString path =
            document.isEmpty() ? FixturePath(file) : WriteTestFile(dir_.path(), file, document);
        const ProgramRun r = RunProgram({QStringLiteral("--headless"), path}, *environment);
        QCOMPARE(r.err, QString(output).replace(QLatin1String("%1"), path));
        QCOMPARE(r.status, output.count(QLatin1Char('\n')) > 1 ? 1 : 0);
    }
};

QTEST_GUILESS_MAIN(HeadlessImportTest)
#include "test_headlessimport.moc"
