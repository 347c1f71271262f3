// Sending to a Garmin device mounted as a drive: fake devices are folders,
// one with a GGZ-capable model's GarminDevice.xml, an eTrex 10 (both in
// tests/data/session), a memory card with only Garmin/GPX, and a stick that
// is no device.
#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

#include "session/commandline.h"
#include "session/exporter.h"
#include "session/formats.h"
#include "session/garmindevice.h"
#include "session/importer.h"
#include "support/fakes.h"

#ifdef Q_OS_LINUX
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {

// Every file below a folder, relative, with its size.
QStringList Files(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        files += QDir(folder).relativeFilePath(it.filePath());
    }
    files.sort();
    return files;
}

}  // namespace

class GarminDeviceTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    const QString gpsmap_ = dir_.filePath(u"GPSMAP"_s), etrex_ = dir_.filePath(u"ETREX"_s),
                  card_ = dir_.filePath(u"CARD"_s), stick_ = dir_.filePath(u"STICK"_s);

    int Run(TestSession& t, const QStringList& arguments) {
        return RunCommands(t.session, ParsePosixArguments(arguments, dir_.path()));
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(MakeFile(gpsmap_ + u"/Garmin/GarminDevice.xml"_s,
                         FileBytes(QStringLiteral(WAYFOLD_TEST_DATA "/session/gpsmap66st.xml"))));
        QVERIFY(MakeFile(gpsmap_ + u"/Garmin/GPX/mine.gpx"_s, "<gpx/>"));
        QVERIFY(MakeFile(etrex_ + u"/Garmin/GarminDevice.xml"_s,
                         FileBytes(QStringLiteral(WAYFOLD_TEST_DATA "/session/etrex10.xml"))));
        QVERIFY(QDir().mkpath(card_ + u"/Garmin/GPX"_s));
        QVERIFY(MakeFile(stick_ + u"/photos/a.jpg"_s, "jpg"));
    }

    // /d:path writes one file into the GPX folder, the same as the GPX
    // export; sending again replaces it and touches nothing else. A device
    // with a GGZ folder takes a large set there, and the GPX file of the
    // earlier send goes. More caches than the model shows: said first; the
    // command line writes and ends with status 1. Too little room: nothing
    // is written.
    void sends() {
        TestSession t;
        t.frontend.ask = false;
        const auto send = [&](const QString& device) {
            t.frontend.messages.clear();
            return Run(t, {u"/d:"_s + device});
        };
        QVERIFY(ImportFile(t.session, QStringLiteral(WAYFOLD_EXAMPLES "/lakeside.gpx")));
        QStringList expected = Files(gpsmap_) + QStringList{u"Garmin/GPX/wayfold.gpx"_s};
        expected.sort();
        QCOMPARE(send(gpsmap_), 0);
        QCOMPARE(Files(gpsmap_), expected);
        const QString sent = gpsmap_ + u"/Garmin/GPX/wayfold.gpx"_s;
        const QString exported = dir_.filePath(u"export.gpx"_s);
        QVERIFY(ExportFile(t.session, *FormatById(u"gpx"_s), exported));
        QCOMPARE(FileBytes(sent), FileBytes(exported));
        QVERIFY(
            t.frontend.messageTexts().join(u'|').startsWith(u"Sent 4 caches to the GPSMAP 66st"_s));
        QVERIFY(ImportFile(t.session, QStringLiteral(WAYFOLD_EXAMPLES "/hilltop.loc")));
        QCOMPARE(send(gpsmap_), 0);
        QCOMPARE(Files(gpsmap_), expected);
        QVERIFY(FileBytes(sent) != FileBytes(exported));
        QCOMPARE(FileBytes(gpsmap_ + u"/Garmin/GPX/mine.gpx"_s), QByteArray("<gpx/>"));

        ClearStore(t.session.store);
        for (int i = 0; i < 5001; ++i) {
            AddTestWaypoint(t.session.store, u"GC%1"_s.arg(0x10000 + i, 0, 16));
        }
        QCOMPARE(send(gpsmap_), 0);
        QVERIFY(!QFileInfo::exists(sent));
        QVERIFY(FileBytes(gpsmap_ + u"/Garmin/GGZ/wayfold.ggz"_s).startsWith("PK\x03\x04"));
        QVERIFY(
            t.frontend.messageTexts().value(0).startsWith(u"Sent 5,001 caches to the GPSMAP"_s));
        QVERIFY(QFile::remove(gpsmap_ + u"/Garmin/GGZ/wayfold.ggz"_s));

        QCOMPARE(send(etrex_), 1);
        QCOMPARE(t.frontend.messageTexts().value(0),
                 u"The eTrex 10 shows 2,000 of these 5,001 caches."_s);
        QVERIFY(QFile::remove(etrex_ + u"/Garmin/GPX/wayfold.gpx"_s));
        const QStringList before = Files(etrex_);
        t.session.freeBytes = [](const QString&) { return qint64(100000); };
        QCOMPARE(send(etrex_), 1);
        QVERIFY(t.frontend.messageTexts().join(u'|').contains(u"are free. Nothing was written."_s));
        QCOMPARE(Files(etrex_), before);
    }

    // /d alone takes the one device connected; none or two are refused
    // without a window, and the window lets the user pick.
    void whichDevice() {
        const auto run = [this](QStringList volumes, bool ask, const QString& answer) {
            TestSession t;
            t.frontend.ask = ask;
            t.frontend.dialogAnswers.push_back(answer);
            t.session.mountedVolumes = [volumes] { return volumes; };
            AddTestWaypoint(t.session.store, u"GC1234"_s);
            const int status = Run(t, {u"/d"_s});
            // Where the file went (each copy is taken away again) and what was said.
            return QString::number(status) + u' ' +
                   (QFile::remove(card_ + u"/Garmin/GPX/wayfold.gpx"_s) ? u"card"_s : QString()) +
                   (QFile::remove(etrex_ + u"/Garmin/GPX/wayfold.gpx"_s) ? u"etrex"_s : QString()) +
                   u'|' +
                   t.frontend.messageTexts().join(u'|').section(u':', 0, 0).section(u" ("_s, 0, 0);
        };
        QCOMPARE(
            QStringList({run({stick_, card_}, false, QString()), run({stick_}, false, QString()),
                         run({card_, etrex_}, false, QString()), run({card_, etrex_}, true, etrex_),
                         run({card_, etrex_}, true, QString())}),
            QStringList({u"0 card|Sent 1 cache to the device"_s,
                         u"1 |No Garmin device is connected"_s,
                         u"1 |More than one Garmin device is connected"_s,
                         u"0 etrex|Sent 1 cache to the eTrex 10"_s, u"0 |"_s}));
    }

    // The day's finds back from the device's mount point: the visits file
    // marks the caches found, names each line it cannot read, and is written
    // out again as field notes. A folder that is no device is named.
    void visitsAndFieldNotes() {
        TestSession t;
        AddTestWaypoint(t.session.store, u"GC1234"_s);
        AddTestWaypoint(t.session.store, u"GC9999"_s);
        const auto utf16 = [](const QString& text) {
            return QByteArray("\xFF\xFE") +
                   QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        };
        const QString good =
            u"GC1234,2026-12-05T10:22Z,Found it,\"TFTC, \"\"lovely\"\"\"\r\n"
            u"GC9999,2026-12-05T11:00Z,Didn't find it,\"no luck\"\r\n"_s;
        const QString visits = gpsmap_ + u"/Garmin/geocache_visits.txt"_s;
        QVERIFY(MakeFile(visits, utf16(good + u"bad line\r\n\r\nGC1,2026-13-05T10:22Z,Found "
                                              u"it,\"x\"\r\nGC2,2026-12-05T10:22Z,Found it,no "
                                              u"quotes\r\n"_s)));
        QCOMPARE(Run(t, {u"GPSMAP"_s, u"STICK"_s}), 1);
        QVERIFY(QFile::remove(visits));
        QCOMPARE(
            t.frontend.messageTexts(),
            QStringList({u"Some lines of "_s + visits +
                             u" are no visits and were left out:\r\nLine 3: not code, time, log "
                             u"type and note separated by commas\r\nLine 5: the time "
                             u"\"2026-13-05T10:22Z\" is not of the form 2026-12-05T10:22Z\r\nLine "
                             u"6: the note is not in double quotes"_s,
                         u"Can't import "_s + QDir::toNativeSeparators(stick_) +
                             u": it is a folder, and no Garmin device with a visits file "
                             u"(Garmin/geocache_visits.txt)."_s}));
        const std::vector<Waypoint>& w = t.session.store.Waypoints;
        const QDateTime found(QDate(2026, 12, 5), QTime(10, 22), QTimeZone::utc());
        QCOMPARE(QList<qint64>({w[0].Symbol, w[0].FoundTime, w[1].FoundTime}),
                 QList<qint64>({118, found.toSecsSinceEpoch(), 0}));

        const QString notes = dir_.filePath(u"notes.txt"_s);
        QCOMPARE(Run(t, {u"/f:"_s + notes}), 1);
        QCOMPARE(FileBytes(notes), utf16(good));
    }

    // A device whose volume fills up during the write (a tmpfs of 32 KiB in
    // a mount namespace of this process; the free-space check is told there
    // is room), and one mounted read-only: the write fails, is said, and
    // leaves nothing behind.
    void fullAndReadOnlyVolumes() {
#ifdef Q_OS_LINUX
        const QString mount = dir_.filePath(u"SMALL"_s);
        QVERIFY(QDir().mkpath(mount));
        if (geteuid() != 0 || unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", QFile::encodeName(mount).constData(), "tmpfs", 0, "size=32k") != 0) {
            QSKIP("no mount namespace can be made here (not root)");
        }
        QVERIFY(MakeFile(mount + u"/Garmin/GPX/mine.gpx"_s, "<gpx/>"));
        const QStringList before = Files(mount);
        TestSession t;
        t.session.freeBytes = [](const QString&) { return qint64(1) << 40; };
        for (int i = 0; i < 500; ++i) {
            AddTestWaypoint(t.session.store, u"GC%1"_s.arg(0x10000 + i, 0, 16));
        }
        for (const bool readOnly : {false, true}) {
            QVERIFY(!readOnly || ::mount(nullptr, QFile::encodeName(mount).constData(), nullptr,
                                         MS_REMOUNT | MS_RDONLY, nullptr) == 0);
            t.frontend.messages.clear();
            QCOMPARE(Run(t, {u"/d:"_s + mount}), 1);
            QVERIFY(t.frontend.messageTexts().join(u'|').startsWith(
                u"The file could not be written to"_s));
            QCOMPARE(Files(mount), before);
        }
        ::umount(QFile::encodeName(mount).constData());
#else
        QSKIP("mount namespaces are Linux's");
#endif
    }
};

QTEST_GUILESS_MAIN(GarminDeviceTest)
#include "test_garmindevice.moc"
