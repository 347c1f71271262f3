// A libFuzzer target for one reader. Every input is written to a file with the
// target's extension and imported through ImportFile, exactly as the window and
// the command line import a file, into a session with a quiet front end whose
// store already holds two waypoints. After each input the store must hold:
//
//   - the two waypoints it had, unchanged and in front: nothing was lost;
//   - exactly as many new waypoints as the import reported as its result
//     (none for a negative result): nothing half-added, nothing added behind the status line's
//     back;
//   - new waypoints with finite coordinates (within +-90 / +-180 from GPX,
//     whose reader repairs them), and listings whose summary for the window's
//     table agrees with their full reading.
//
// Then every writer encodes the store in memory, and the file of the target's
// own format, when it has a writer, is read back: it must give as many
// waypoints as were written, with no complaint. Any broken rule aborts, which
// libFuzzer reports like a crash.
//
// WAYFOLD_FUZZ_FORMAT is the id of the target's format in the format table
// ("mps", "gdb", "terrabyte", "loc", "gpx", "zip"); its extension is the
// inputs'.

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "core/frontend.h"
#include "locgpx/listing.h"
#include "session/formats.h"
#include "session/importer.h"
#include "session/process.h"
#include "session/session.h"
#include "session/settingsstore.h"

namespace {

class QuietFrontend final : public Frontend {
public:
    MessageAnswer showMessage(const UserMessage& message) override {
        ++messages;
        return DefaultAnswer(message.buttons);
    }
    void setStatusText(int panel, const QString& text) override {
        if (panel == 2) {
            panel2 = text;
        }
    }
    void setExportCaption(const QString&) override {}
    void setClearCaption(const QString&) override {}
    void setBusy(bool) override {}
    void processEvents() override {}
    void setProgress(qint64, qint64) override {}
    void importFinished() override {}
    bool canAsk() const override { return false; }
    std::optional<QString> saveFileDialog(const FileDialogRequest&) override { return {}; }
    std::optional<QString> openFileDialog(const FileDialogRequest&) override { return {}; }
    std::optional<QString> folderDialog(const QString&) override { return {}; }

    int messages = 0;
    QString panel2;
};

class NoProcesses final : public ProcessStarter {
public:
    bool startDetached(const QString&, const QStringList&, QString* error) override {
        *error = QStringLiteral("no programs are started while fuzzing");
        return false;
    }
};

class QuietProgress final : public ImportProgress {
public:
    void showRunningTotal(qint32) override {}
    void showCurrentImport(qint32) override {}
    void letEventsThrough() override {}
    bool takeCancelRequest() override { return false; }
    void showFileProgress(qint64, qint64) override {}
};

[[noreturn]] void Fail(const char* what, long long a = 0, long long b = 0) {
    std::fprintf(stderr, "wayfold fuzz: %s (%lld, %lld)\n", what, a, b);
    std::abort();
}

void Check(bool ok, const char* what, long long a = 0, long long b = 0) {
    if (!ok) {
        Fail(what, a, b);
    }
}

const FileFormat& OwnFormat() {
    static const FileFormat* format = FormatById(QStringLiteral(WAYFOLD_FUZZ_FORMAT));
    if (format == nullptr) {
        Fail("the target's format is not in the table");
    }
    return *format;
}

QString OwnExtension() {
    return QLatin1Char('.') + QLatin1String(OwnFormat().extension);
}

struct Harness {
    Harness()
        : folder(QDir(QStringLiteral("/dev/shm")).exists()
                     ? QStringLiteral("/dev/shm/wayfold-fuzz-XXXXXX")
                     : QDir::tempPath() + QStringLiteral("/wayfold-fuzz-XXXXXX")),
          session(
              frontend, settings, processes,
              [] { return QDateTime(QDate(2026, 12, 6), QTime(12, 0), Qt::UTC); }, folder.path()),
          input(folder.filePath(QStringLiteral("input") + OwnExtension())),
          readBack(folder.filePath(QStringLiteral("back") + OwnExtension())) {
        for (const char* name : {"HOME ONE", "Zweiter Punkt"}) {
            Waypoint w;
            w.Name = QString::fromLatin1(name);
            w.Description = QStringLiteral("kept");
            w.Latitude = 47.5;
            w.Longitude = -7.25;
            w.LatSemicircles = DegreesToSemicircles(w.Latitude);
            w.LonSemicircles = DegreesToSemicircles(w.Longitude);
            before.push_back(w);
        }
    }

    QTemporaryDir folder;
    QuietFrontend frontend;
    MemorySettingsStore settings;
    NoProcesses processes;
    Session session;
    QString input;
    QString readBack;
    std::vector<Waypoint> before;
};

bool SameWaypoint(const Waypoint& a, const Waypoint& b) {
    return a.Name == b.Name && a.Description == b.Description && a.Latitude == b.Latitude &&
           a.Longitude == b.Longitude && a.LatSemicircles == b.LatSemicircles &&
           a.LonSemicircles == b.LonSemicircles;
}

bool WriteFile(const QString& path, const char* data, qint64 size) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data, size) == size;
}

void CheckImported(Harness& h, qint32 count) {
    const auto& stored = h.session.store.Waypoints;
    Check(count >= 2, "the store lost waypoints it had", count);
    for (size_t i = 0; i < h.before.size(); ++i) {
        Check(SameWaypoint(stored[i], h.before[i]), "a waypoint the store had was changed",
              qint64(i));
    }
    const QString prefix = QStringLiteral("Last Import: ");
    Check(h.frontend.panel2.startsWith(prefix), "the status line shows no result");
    const qint32 reported = h.frontend.panel2.mid(prefix.size()).toInt();
    // A refused file shows a negative result and adds nothing.
    Check(reported == count - 2 || (reported < 0 && count == 2),
          "the result shown is not the number of waypoints added", reported, count - 2);
    // A .loc input may be either LOC format, and only the XML one repairs;
    // a .zip input is read as GPX.
    const bool repairs =
        OwnExtension() == QLatin1String(".gpx") || OwnExtension() == QLatin1String(".zip");
    for (size_t i = 2; i < stored.size(); ++i) {
        const Waypoint& w = stored[i];
        Check(std::isfinite(w.Latitude) && std::isfinite(w.Longitude),
              "a coordinate is not a number", qint64(i));
        if (repairs) {
            Check(std::fabs(w.Latitude) <= 90 && std::fabs(w.Longitude) <= 180,
                  "a coordinate was not repaired", qint64(i));
        }
        // The table reads a listing's few fields itself; they must be what
        // the full reading gives.
        const CacheListing full = ParseListing(w);
        const ListingSummary summary = SummarizeListing(w.Listing);
        Check(summary.cache == full.cache && summary.available == full.available &&
                  summary.archived == full.archived && summary.container == full.container &&
                  summary.difficulty == full.difficulty && summary.terrain == full.terrain &&
                  summary.waypointType == full.waypointType,
              "the table's summary of a listing is not what the listing says", qint64(i));
    }
}

void CheckWriters(Harness& h) {
    WaypointStore& store = h.session.store;
    const Options& options = h.session.options;
    const qint32 count = store.WaypointCount();
    for (const FileFormat& format : FileFormats()) {
        // Field notes hold the visits, not the waypoints, and a GGZ file only
        // the caches; a format that is only read has no writer.
        const QLatin1String id(format.id);
        if (format.encode == nullptr || id == QLatin1String("fieldnotes") ||
            id == QLatin1String("ggz")) {
            continue;
        }
        const EncodedFile file = format.encode(store, options);
        Check(file.waypoints >= 1 && file.waypoints <= count,
              "a writer wrote no waypoint or too many", file.waypoints, count);
        Check(store.WaypointCount() == count, "a writer changed the number of waypoints");
    }
    // GDB is also written and read back in version 3.
    Options gdb3 = options;
    gdb3.GdbVersion = 3;
    const bool gdb = QLatin1String(OwnFormat().id) == QLatin1String("gdb");
    const Options* const versions[] = {&options, gdb ? &gdb3 : nullptr};
    for (const Options* o : versions) {
        if (o == nullptr || OwnFormat().encode == nullptr) {
            continue;
        }
        const EncodedFile own = OwnFormat().encode(store, *o);
        Check(WriteFile(h.readBack, own.bytes.constData(), own.bytes.size()),
              "cannot write the file to read back");
        WaypointStore back;
        QuietProgress progress;
        const ImportResult read = ReaderForPath(h.readBack)->read(h.readBack, back, progress);
        Check(read.messages.empty(), "a written file is not read back without complaint",
              qint64(read.messages.size()));
        Check(back.WaypointCount() == own.waypoints && read.result == own.waypoints,
              "a written file reads back with another number of waypoints", back.WaypointCount(),
              own.waypoints);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Harness* harness = new Harness;  // lives as long as the fuzzer runs
    Harness& h = *harness;
    if (!WriteFile(h.input, reinterpret_cast<const char*>(data), qint64(size))) {
        Fail("cannot write the input file");
    }
    ClearStore(h.session.store);
    h.session.store.Waypoints = h.before;
    h.frontend.panel2.clear();
    Check(ImportFile(h.session, h.input), "the import was refused");
    CheckImported(h, h.session.store.WaypointCount());
    CheckWriters(h);
    return 0;
}
