// MPS and GDB imports as a whole: files that are missing or not files, every
// prefix of every file, cancel through the session, and the built program.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "core/importer.h"
#include "mapsource/gdbreader.h"
#include "mapsource/mpsreader.h"
#include "mapsourcebuilder.h"
#include "support/fakes.h"

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

using BytesReader = ImportResult (*)(QByteArrayView, const QString&, WaypointStore&,
                                     ImportProgress&);

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// An MPS file with every kind of record and a waypoint whose texts are filled.
QByteArray BuiltMps() {
    TestWaypoint town;
    town.name = "TOWN";
    town.country = "USA";
    town.city = "Springfield";
    town.state = "IL";
    town.comment = "Town hall";
    TestWaypoint other = town;
    other.wclass = 3;
    return MpsFile(MpsWaypoint(town) + MpsWaypoint(other) + Record('R', QByteArray(20, 'W')) +
                   NamedWaypoint("LAST") + Record('T', "xy") + Record('L', {})) +
           QByteArray("\1\2\3");
}

QByteArray BuiltGdb() {
    TestWaypoint full;
    full.name = "FULL";
    full.city = "Leipzig";
    full.altitudeFlag = full.proximityFlag = full.depthFlag = full.temperatureFlag = 1;
    full.url = "http://example.org/";
    TestWaypoint other = full;
    other.wclass = 1;
    return GdbFile(GdbWaypoint(full) + GdbWaypoint(other) + Record('T', QByteArray(9, 'V')) +
                   NamedWaypoint("LAST", true)) +
           QByteArray("after");
}

}  // namespace

class MapSourceFilesTest : public QObject {
    Q_OBJECT

    QTemporaryDir home_;

private Q_SLOTS:
    void badFiles_data() {
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("kind");
        for (const char* extension : {"mps", "gdb"}) {
            for (const char* kind : {"missing", "empty", "folder", "pipe", "unreadable"}) {
                QTest::addRow("%s %s", kind, extension)
                    << QString::fromLatin1(extension) << QString::fromLatin1(kind);
            }
        }
    }
    void badFiles() {
        QFETCH(QString, extension);
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString path = dir.filePath(kind + QLatin1Char('.') + extension);
        QString expected = QStringLiteral("Can't import ") + path + QStringLiteral(": ");
        MessageIcon icon = MessageIcon::Exclamation;
        if (kind == QLatin1String("missing")) {
            expected = QStringLiteral("Please create ") + path +
                       QStringLiteral(" before using this function!");
            icon = MessageIcon::None;
        } else if (kind == QLatin1String("empty")) {
            QVERIFY(WriteFile(path, {}));
            expected += QStringLiteral("the file is empty.");
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir(dir.path()).mkdir(kind + QLatin1Char('.') + extension));
            expected += QStringLiteral("it is a folder, not a file.");
        } else if (kind == QLatin1String("pipe")) {
#ifdef Q_OS_UNIX
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            expected += QStringLiteral("it is not a plain file.");
#else
            QSKIP("Named pipes are a POSIX thing.");
#endif
        } else {
            QVERIFY(WriteFile(path, extension == QLatin1String("mps")
                                        ? MpsFile(NamedWaypoint("A"))
                                        : GdbFile(NamedWaypoint("A", true))));
            QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
            if (QFileInfo(path).isReadable()) {
                QSKIP("This user can read a file without read permission (root).");
            }
            expected += QStringLiteral("the file can't be opened (Permission denied).");
        }

        TestSession t;
        t.session.store.Waypoints.push_back(Sentinel());
        QVERIFY(ImportFile(t.session, path));
        QCOMPARE(t.frontend.messageTexts(), QStringList{expected});
        QCOMPARE(t.frontend.messages.front().icon, icon);
        QCOMPARE(t.session.problemCount, 1);
        QCOMPARE(t.session.store.WaypointCount(), 1);
        QCOMPARE(t.frontend.panel1, QStringLiteral("Imported waypoints: 1"));
        QCOMPARE(t.frontend.panel2, QStringLiteral("Last Import: 0"));
    }

    void cancelThroughTheSession_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QByteArray mps;
        QByteArray gdb;
        for (int i = 0; i < 5; ++i) {
            mps += NamedWaypoint(QByteArray::number(i));
            gdb += NamedWaypoint(QByteArray::number(i), true);
        }
        QTest::newRow("mps") << QStringLiteral("five.mps") << MpsFile(mps);
        QTest::newRow("gdb") << QStringLiteral("five.gdb") << GdbFile(gdb);
    }
    void cancelThroughTheSession() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        QVERIFY(WriteFile(path, bytes));

        TestSession t;
        t.session.store.Waypoints.push_back(Sentinel());
        // The Clear button pressed while the second record is read.
        t.frontend.onProcessEvents = [&t] {
            if (t.frontend.eventsProcessed == 2) {
                ClearOrCancel(t.session);
            }
        };
        QVERIFY(ImportFile(t.session, path));
        QVERIFY(t.frontend.messages.empty());
        QCOMPARE(t.session.store.WaypointCount(), 1);
        QCOMPARE(t.session.store.record(1).Name, QStringLiteral("already here"));
        QCOMPARE(t.frontend.eventsProcessed, 2);
        QCOMPARE(t.frontend.panel2, QStringLiteral("Last Import: 0"));

        // Nothing of the cancel is left over for the next import.
        t.frontend.onProcessEvents = nullptr;
        QVERIFY(ImportFile(t.session, path));
        QCOMPARE(t.session.store.WaypointCount(), 6);
    }

    // Every prefix of a file imports nothing and says why in one message;
    // only the whole file imports.
    void truncations_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("gdb");
        QTest::addColumn<int>("whole");
        QTest::addColumn<QString>("wholeMessage");
        QTest::addColumn<int>("trailing");  // bytes after the map-set record
        if (FixturesAvailable()) {
            const auto fixture = [](const char* name) {
                QFile f(FixturePath(QString::fromLatin1(name)));
                return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
            };
            const QString inform = QStringLiteral(
                "\r\nPlease inform the program author and send the %1 file you are trying to "
                "import");
            QTest::newRow("mapsource.mps")
                << fixture("mapsource.mps") << false << 9 << QString() << 0;
            QTest::newRow("route.mps") << fixture("route.mps") << false << 14 << QString() << 0;
            QTest::newRow("mps-track.mps") << fixture("mps-track.mps") << false << 0
                                           << QStringLiteral("MPS is in an unknown format:  d") +
                                                  inform.arg(QStringLiteral("MPS"))
                                           << 0;
            QTest::newRow("gdb-sample2-ver1-gpsbabel.gdb")
                << fixture("gdb-sample2-ver1-gpsbabel.gdb") << true << 7 << QString() << 0;
            QTest::newRow("gdb-sample2.gdb") << fixture("gdb-sample2.gdb") << true << 0
                                             << QStringLiteral("GDB is in an unknown format:  l") +
                                                    inform.arg(QStringLiteral("GDB"))
                                             << 0;
            QTest::newRow("gdb-sample-v3.gdb")
                << fixture("gdb-sample-v3.gdb") << true << 0
                << QStringLiteral("GDB is in an unknown format:  m") +
                       inform.arg(QStringLiteral("GDB"))
                << 0;
        }
        QTest::newRow("built mps") << BuiltMps() << false << 2 << QString() << 3;
        QTest::newRow("built gdb") << BuiltGdb() << true << 2 << QString() << 5;
    }
    void truncations() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, gdb);
        QFETCH(int, whole);
        QFETCH(QString, wholeMessage);
        QFETCH(int, trailing);
        QVERIFY(!bytes.isEmpty());
        const BytesReader read = gdb ? &ReadGdbBytes : &ReadMpsBytes;
        const QString path =
            gdb ? QStringLiteral("/data/cut.gdb") : QStringLiteral("/data/cut.mps");

        WaypointStore store;
        store.Waypoints.push_back(Sentinel());
        RecordingProgress progress;
        const ImportResult full = read(bytes, path, store, progress);
        QCOMPARE(full.result, whole);
        QCOMPARE(store.WaypointCount(), 1 + whole);
        QCOMPARE(full.messages.size(), size_t(wholeMessage.isEmpty() ? 0 : 1));
        if (!wholeMessage.isEmpty()) {
            QCOMPARE(full.messages.front().text, wholeMessage);
        }

        // Bytes after the map set may go without changing anything.
        for (qsizetype size = 0; size < bytes.size(); ++size) {
            const bool cut = size < bytes.size() - trailing;
            store.Waypoints.resize(1);
            const ImportResult r = read(QByteArrayView(bytes).first(size), path, store, progress);
            const qint32 expected = cut ? 0 : whole;
            if (r.result != expected || r.messages.size() != (cut ? 1 : full.messages.size()) ||
                store.WaypointCount() != 1 + expected ||
                store.record(1).Name != QLatin1String("already here")) {
                QFAIL(qPrintable(QStringLiteral("The first %1 bytes: result %2, %3 messages, "
                                                "store count %4")
                                     .arg(size)
                                     .arg(r.result)
                                     .arg(r.messages.size())
                                     .arg(store.WaypointCount())));
            }
        }
    }

    void program_data() {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("message");
        QTest::newRow("mapsource.mps") << QStringLiteral("mapsource.mps") << 9 << QString();
        QTest::newRow("route.mps") << QStringLiteral("route.mps") << 14 << QString();
        QTest::newRow("mps-track.mps")
            << QStringLiteral("mps-track.mps") << 0
            << QStringLiteral(
                   "Wayfold: MPS is in an unknown format:  d\nPlease inform the "
                   "program author and send the MPS file you are trying to import\n");
        QTest::newRow("gdb-sample2-ver1-gpsbabel.gdb")
            << QStringLiteral("gdb-sample2-ver1-gpsbabel.gdb") << 7 << QString();
        QTest::newRow("gdb-sample2.gdb")
            << QStringLiteral("gdb-sample2.gdb") << 0
            << QStringLiteral(
                   "Wayfold: GDB is in an unknown format:  l\nPlease inform the "
                   "program author and send the GDB file you are trying to import\n");
        QTest::newRow("gdb-sample-v3.gdb")
            << QStringLiteral("gdb-sample-v3.gdb") << 0
            << QStringLiteral(
                   "Wayfold: GDB is in an unknown format:  m\nPlease inform the "
                   "program author and send the GDB file you are trying to import\n");
    }
    void program() {
        if (!FixturesAvailable()) {
            QSKIP("The peer fixtures are not at hand (../shared/fixtures/peer).");
        }
        QFETCH(QString, fixture);
        QFETCH(int, count);
        QFETCH(QString, message);
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("HOME"), home_.path());
        e.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.path() + QStringLiteral("/config"));
        p.setProcessEnvironment(e);
        p.start(QStringLiteral(WAYFOLD_PROGRAM),
                {QStringLiteral("--headless"), FixturePath(fixture)});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        const QString status =
            QStringLiteral("Imported waypoints: %1 | Last Import: %1\n").arg(count);
        QCOMPARE(QString::fromLocal8Bit(p.readAllStandardError()), message + status);
        QCOMPARE(p.exitCode(), message.isEmpty() ? 0 : 1);
    }
};

QTEST_GUILESS_MAIN(MapSourceFilesTest)
#include "test_mapsourcefiles.moc"
