#include "locgpx/pocketquery.h"

#include <zip.h>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

#include "locgpx/gpxreader.h"

namespace {

constexpr zip_int64_t kMaxEntries = 1000;
constexpr zip_uint64_t kMiB = zip_uint64_t(1) << 20;
constexpr zip_uint64_t kMaxEntrySize = 1024 * kMiB;
constexpr zip_uint64_t kMaxTotalSize = 2048 * kMiB;
// GPX files pack three to ten to one; deflate reaches a thousand to one on
// repeated bytes. Small entries may pack as they like: they cost nothing.
constexpr zip_uint64_t kMaxRatio = 100;
constexpr zip_uint64_t kRatioFrom = kMiB;

// The entries not read that the message names; the count covers the rest.
constexpr qsizetype kListedEntries = 10;
constexpr qsizetype kShownNameLength = 80;

UserMessage Refusal(const QString& path, const QString& reason) {
    return {
        QStringLiteral("Can't import ") + path + QStringLiteral(": ") + reason + QLatin1Char('.'),
        QStringLiteral("Wayfold"), MessageIcon::Exclamation};
}

QString Megabytes(zip_uint64_t bytes) {
    return QString::number((bytes + kMiB - 1) / kMiB) + QStringLiteral(" MB");
}

// An entry's name in a message: cut short, and without line breaks or other
// control characters that could make it look like more lines of the message.
QString ShownName(const QString& name) {
    QString shown =
        name.size() > kShownNameLength ? name.left(kShownNameLength) + QStringLiteral("...") : name;
    for (QChar& c : shown) {
        if (c.category() == QChar::Other_Control) {
            c = QChar::ReplacementCharacter;
        }
    }
    return shown;
}

struct ArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;

// One entry, unpacked as it is read. It gives no more bytes than the
// archive's directory promised, so a directory that understates an entry
// cannot get past the size bounds.
class EntryDevice final : public QIODevice {
public:
    EntryDevice(zip_t* archive, zip_uint64_t index, zip_uint64_t size)
        : archive_(archive), index_(index), size_(size) {}
    ~EntryDevice() override { EntryDevice::close(); }

    bool open(OpenMode mode) override {
        file_ = zip_fopen_index(archive_, index_, 0);
        if (file_ == nullptr) {
            return fail(QString::fromUtf8(zip_strerror(archive_)));
        }
        return QIODevice::open(mode | QIODevice::Unbuffered);
    }
    void close() override {
        if (file_ != nullptr) {
            zip_fclose(file_);
            file_ = nullptr;
        }
        QIODevice::close();
    }
    bool isSequential() const override { return true; }
    qint64 size() const override { return static_cast<qint64>(size_); }
    bool atEnd() const override { return ended_; }
    bool failed() const { return failed_; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        if (file_ == nullptr || failed_) {
            return -1;
        }
        qint64 total = 0;
        while (total < maxSize && !ended_) {
            const zip_int64_t got =
                zip_fread(file_, data + total, static_cast<zip_uint64_t>(maxSize - total));
            if (got < 0) {
                return fail(QString::fromUtf8(zip_file_strerror(file_)));
            }
            read_ += static_cast<zip_uint64_t>(got);
            if (read_ > size_) {
                return fail(QStringLiteral("it holds more than the archive's directory says"));
            }
            ended_ = got == 0;
            total += got;
        }
        if (ended_ && read_ < size_) {
            return fail(QStringLiteral("it holds less than the archive's directory says"));
        }
        return total;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    bool fail(const QString& reason) {
        failed_ = true;
        setErrorString(reason);
        return false;
    }

    zip_t* archive_;
    zip_uint64_t index_;
    zip_uint64_t size_;
    zip_file_t* file_ = nullptr;
    zip_uint64_t read_ = 0;
    bool ended_ = false;
    bool failed_ = false;
};

// What the GPX reader reports of one entry, passed on as part of the
// archive: the progress bar runs over all entries, the records get the
// entry's name as their file, and a cancel is remembered so that no further
// entry is read.
class EntryProgress final : public ImportProgress {
public:
    EntryProgress(ImportProgress& outer, WaypointStore& store, const QString& file,
                  qint64 doneBefore, qint64 total)
        : outer_(outer),
          store_(store),
          file_(file),
          labelled_(store.Waypoints.size()),
          doneBefore_(doneBefore),
          total_(total) {}

    void showRunningTotal(qint32 total) override { outer_.showRunningTotal(total); }
    void showCurrentImport(qint32 count) override { outer_.showCurrentImport(count); }
    void letEventsThrough() override {
        label();
        outer_.letEventsThrough();
    }
    bool takeCancelRequest() override {
        const bool requested = outer_.takeCancelRequest();
        cancelled_ = cancelled_ || requested;
        return requested;
    }
    void showFileProgress(qint64 done, qint64) override {
        outer_.showFileProgress(doneBefore_ + done, total_);
    }

    // Records the reader took back may be replaced by others in their places.
    void label() {
        std::vector<Waypoint>& records = store_.Waypoints;
        for (size_t i = std::min(labelled_, records.size()); i < records.size(); ++i) {
            records[i].File = file_;
        }
        labelled_ = records.size();
    }
    bool cancelled() const { return cancelled_; }

private:
    ImportProgress& outer_;
    WaypointStore& store_;
    const QString& file_;
    size_t labelled_;
    qint64 doneBefore_;
    qint64 total_;
    bool cancelled_ = false;
};

// Why an entry is not read; empty for a GPX file.
QString SkipReason(const QString& name) {
    const QStringList parts = name.split(QRegularExpression(QStringLiteral("[/\\\\]")));
    if (name.startsWith(u'/') || name.startsWith(u'\\') ||
        (name.size() > 1 && name[1] == u':' && name[0].isLetter())) {
        return QStringLiteral("an absolute path");
    }
    if (parts.contains(QStringLiteral(".."))) {
        return QStringLiteral("a name that climbs out of the archive");
    }
    const QString suffix = QFileInfo(name).suffix().toLower();
    if (suffix == QLatin1String("gpx")) {
        return QString();
    }
    for (const char* archive : {"zip", "gz", "tgz", "tar", "bz2", "xz", "7z", "rar", "zst"}) {
        if (suffix == QLatin1String(archive)) {
            return QStringLiteral("an archive inside the archive");
        }
    }
    return QStringLiteral("not a GPX file");
}

struct GpxEntry {
    zip_uint64_t index;
    QString name;
    zip_uint64_t size;
};

// The GPX entries in reading order, or the refusal of the archive. Entries
// not read are listed in skipped.
struct ArchivePlan {
    std::vector<GpxEntry> entries;
    zip_uint64_t total = 0;
    QStringList skipped;
    qsizetype skippedCount = 0;
    std::optional<UserMessage> refusal;
};

ArchivePlan PlanArchive(zip_t* archive, const QString& path, zip_uint64_t archiveSize) {
    ArchivePlan plan;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    if (count > kMaxEntries) {
        plan.refusal = Refusal(
            path,
            QStringLiteral("it holds %1 entries; at most %2 are read").arg(count).arg(kMaxEntries));
        return plan;
    }
    const auto skip = [&plan](const QString& name, const QString& reason) {
        if (++plan.skippedCount <= kListedEntries) {
            plan.skipped += ShownName(name) + QStringLiteral(" (") + reason + u')';
        }
    };
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        const auto index = static_cast<zip_uint64_t>(i);
        if (zip_stat_index(archive, index, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_NAME) ||
            !(stat.valid & ZIP_STAT_SIZE) || !(stat.valid & ZIP_STAT_COMP_SIZE)) {
            plan.refusal = Refusal(path, QStringLiteral("its directory is damaged (%1)")
                                             .arg(QString::fromUtf8(zip_strerror(archive))));
            return plan;
        }
        const QString name = QString::fromUtf8(stat.name);
        if ((name.endsWith(u'/') || name.endsWith(u'\\')) && stat.size == 0) {
            continue;
        }
        QString reason = SkipReason(name);
        if (reason.isEmpty() && (stat.valid & ZIP_STAT_ENCRYPTION_METHOD) &&
            stat.encryption_method != ZIP_EM_NONE) {
            reason = QStringLiteral("encrypted");
        }
        if (reason.isEmpty() && (stat.valid & ZIP_STAT_COMP_METHOD) &&
            !zip_compression_method_supported(stat.comp_method, 0)) {
            reason = QStringLiteral("packed in a way that can't be unpacked");
        }
        if (!reason.isEmpty()) {
            skip(name, reason);
            continue;
        }
        if (stat.size > kMaxEntrySize) {
            plan.refusal = Refusal(
                path, QStringLiteral("its entry %1 would unpack to %2; at most %3 are "
                                     "read from one entry")
                          .arg(ShownName(name), Megabytes(stat.size), Megabytes(kMaxEntrySize)));
            return plan;
        }
        if (stat.size > kRatioFrom && stat.size / kMaxRatio > stat.comp_size) {
            plan.refusal =
                Refusal(path, QStringLiteral("its entry %1 would unpack to %2, more than %3 times "
                                             "its packed size; it looks like a ZIP bomb")
                                  .arg(ShownName(name), Megabytes(stat.size))
                                  .arg(kMaxRatio));
            return plan;
        }
        plan.total += stat.size;
        if (plan.total > kMaxTotalSize) {
            plan.refusal = Refusal(path, QStringLiteral("its GPX files would unpack to more "
                                                        "than %1, the most read from one archive")
                                             .arg(Megabytes(kMaxTotalSize)));
            return plan;
        }
        plan.entries.push_back({index, name, stat.size});
    }
    // Many small entries, each allowed to pack as it likes, add up.
    if (plan.total > kRatioFrom && plan.total / kMaxRatio > archiveSize) {
        plan.refusal = Refusal(path, QStringLiteral("its GPX files would unpack to %1, more "
                                                    "than %2 times the archive's size; it looks "
                                                    "like a ZIP bomb")
                                         .arg(Megabytes(plan.total))
                                         .arg(kMaxRatio));
        return plan;
    }
    // A pocket query's waypoints follow their caches.
    std::stable_partition(plan.entries.begin(), plan.entries.end(), [](const GpxEntry& e) {
        return !e.name.endsWith(QLatin1String("-wpts.gpx"), Qt::CaseInsensitive);
    });
    return plan;
}

std::optional<UserMessage> SkippedMessage(const ArchivePlan& plan, const QString& path) {
    if (plan.skippedCount == 0) {
        return std::nullopt;
    }
    QString text =
        (plan.entries.empty() ? QStringLiteral("%1 holds no GPX file to import; not read:")
                              : QStringLiteral("Some entries of %1 were not read:"))
            .arg(path);
    text += QStringLiteral("\r\n") + plan.skipped.join(QStringLiteral("\r\n"));
    if (plan.skippedCount > plan.skipped.size()) {
        text += QStringLiteral("\r\nand %1 more").arg(plan.skippedCount - plan.skipped.size());
    }
    if (!plan.entries.empty()) {
        text += QStringLiteral("\r\nIts GPX files were imported.");
    }
    return UserMessage{text, QStringLiteral("Wayfold"), MessageIcon::Exclamation};
}

}  // namespace

ImportResult ReadZipFile(const QString& path, WaypointStore& store, ImportProgress& progress) {
    ImportResult result;
    const QFileInfo info(path);
    if (info.isDir()) {
        result.messages.push_back(Refusal(path, QStringLiteral("it is a folder, not a file")));
        return result;
    }
    // A pipe or a device could block the open or never end.
    if (info.exists() && !info.isFile()) {
        result.messages.push_back(Refusal(path, QStringLiteral("it is not a plain file")));
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.messages.push_back(
            Refusal(path, QStringLiteral("the file can't be opened (%1)").arg(file.errorString())));
        return result;
    }
    const auto archiveSize = static_cast<zip_uint64_t>(file.size());
    if (archiveSize == 0) {
        result.messages.push_back(Refusal(path, QStringLiteral("the file is empty")));
        return result;
    }
    file.close();

    int error = 0;
    const Archive archive(zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error));
    if (!archive) {
        zip_error_t reason;
        zip_error_init_with_code(&reason, error);
        result.messages.push_back(
            Refusal(path, QStringLiteral("it is not a ZIP archive that can be read (%1)")
                              .arg(QString::fromUtf8(zip_error_strerror(&reason)))));
        zip_error_fini(&reason);
        return result;
    }
    const ArchivePlan plan = PlanArchive(archive.get(), path, archiveSize);
    if (plan.refusal) {
        result.messages.push_back(*plan.refusal);
        return result;
    }
    if (const std::optional<UserMessage> skipped = SkippedMessage(plan, path)) {
        result.messages.push_back(*skipped);
    } else if (plan.entries.empty()) {
        result.messages.push_back(Refusal(path, QStringLiteral("it holds no GPX file")));
        return result;
    }

    const size_t countBefore = store.Waypoints.size();
    const bool fixedBefore = store.CoordinatesFixed;
    // A damaged archive is refused as a whole, as a damaged file is.
    const auto refuseDamaged = [&](const GpxEntry& entry, const QString& reason) {
        store.Waypoints.erase(store.Waypoints.begin() + static_cast<qsizetype>(countBefore),
                              store.Waypoints.end());
        store.CoordinatesFixed = fixedBefore;
        return ImportResult{0,
                            {Refusal(path, QStringLiteral("its entry %1 can't be unpacked "
                                                          "(%2); nothing of it was imported")
                                               .arg(ShownName(entry.name), reason))}};
    };
    qint64 done = 0;
    for (const GpxEntry& entry : plan.entries) {
        const QString name = path + u'/' + entry.name;
        // The window shows the archive and the last part of a record's file,
        // so an entry in a folder is named by the archive alone.
        const bool plainName = !entry.name.contains(u'/') && !entry.name.contains(u'\\');
        const QString file = plainName ? name : path;
        EntryDevice device(archive.get(), entry.index, entry.size);
        if (!device.open(QIODevice::ReadOnly)) {
            return refuseDamaged(entry, device.errorString());
        }
        EntryProgress entryProgress(progress, store, file, done, static_cast<qint64>(plan.total));
        ImportResult read = ReadGpxDevice(device, name, store, entryProgress);
        if (device.failed()) {
            return refuseDamaged(entry, device.errorString());
        }
        entryProgress.label();
        result.result += read.result;
        std::move(read.messages.begin(), read.messages.end(), std::back_inserter(result.messages));
        done += static_cast<qint64>(entry.size);
        if (entryProgress.cancelled()) {
            break;
        }
    }
    return result;
}
