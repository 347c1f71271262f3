#include "core/filewrite.h"

#include <QDir>
#include <QIODevice>
#include <QSaveFile>

namespace {

// A streamed file is written in pieces of this size.
constexpr qsizetype kStreamPiece = qsizetype(256) << 10;

QString Plural(qint64 count, const char* one, const char* many) {
    return QString::number(count) + QLatin1Char(' ') + QLatin1String(count == 1 ? one : many);
}

// Writes size bytes; why the device stopped taking them, if it did.
std::optional<QString> WriteAll(QIODevice& device, const char* data, qint64 size) {
    while (size > 0) {
        const qint64 n = device.write(data, size);
        if (n <= 0) {
            const QString reason = device.errorString();
            return reason.isEmpty() || reason == QLatin1String("Unknown error")
                       ? QStringLiteral("the device took only part of the data")
                       : reason;
        }
        data += n;
        size -= n;
    }
    return std::nullopt;
}

UserMessage WriteFailure(const QString& path, const QString& reason) {
    return {QStringLiteral("Could not write ") + QDir::toNativeSeparators(path) +
                QStringLiteral("\r\nReason: ") + reason,
            QStringLiteral("Wayfold"), MessageIcon::Critical};
}

// The reports that follow a written file.
void AddReports(WriteResult& result, const QString& path, const EncodedFile& file) {
    const QString name = QDir::toNativeSeparators(path);
    if (file.replacedCharacters > 0 && file.dropsUnwritable) {
        result.messages.push_back(
            {Plural(file.replacedCharacters, "character", "characters") + QStringLiteral(" in ") +
                 Plural(file.waypointsWithReplacements, "waypoint", "waypoints") +
                 QStringLiteral(" cannot be carried by XML and ") +
                 (file.replacedCharacters == 1 ? QStringLiteral("was") : QStringLiteral("were")) +
                 QStringLiteral(" left out of ") + name + QLatin1Char('.'),
             QStringLiteral("Wayfold"), MessageIcon::Exclamation});
    } else if (file.replacedCharacters > 0) {
        result.messages.push_back(
            {Plural(file.replacedCharacters, "character", "characters") + QStringLiteral(" in ") +
                 Plural(file.waypointsWithReplacements, "waypoint", "waypoints") +
                 QStringLiteral(" could not be written in the character set of ") + name +
                 (file.replacedCharacters == 1 ? QStringLiteral(" and was written as \"?\".")
                                               : QStringLiteral(" and were written as \"?\".")),
             QStringLiteral("Wayfold"), MessageIcon::Exclamation});
    }
    if (file.cutTexts > 0) {
        result.messages.push_back(
            {Plural(file.cutTexts, "text was", "texts were") +
                 QStringLiteral(" longer than 255 characters and cut to 255 in ") + name +
                 QLatin1Char('.'),
             QStringLiteral("Wayfold"), MessageIcon::Exclamation});
    }
    if (file.warnFixedCoordinates) {
        result.messages.push_back(FixedCoordinatesWarning());
    }
}

}  // namespace

WriteResult WriteEncodedFile(QIODevice& device, const QString& path, const EncodedFile& file) {
    WriteResult result;
    std::optional<QString> error = file.sinkError;
    if (!error) {
        error = WriteAll(device, file.bytes.constData(), file.bytes.size());
    }
    if (error) {
        result.status = WriteResult::Failed;
        result.messages.push_back(WriteFailure(path, *error));
        return result;
    }
    result.status = WriteResult::Written;
    result.waypoints = file.waypoints;
    AddReports(result, path, file);
    return result;
}

namespace {

// Writes the file make builds onto a temporary file beside path, which
// replaces the file at path only once it is complete.
WriteResult SaveMadeFile(const QString& path, const std::function<EncodedFile(QIODevice&)>& make) {
    QSaveFile out(path);
    // Unbuffered: a file buffer would take a small file whole and leave the
    // real write to commit(), which may then keep a file cut short by a full
    // disk. Written directly, a short write shows at once.
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        WriteResult result;
        result.status = WriteResult::Failed;
        result.messages.push_back(WriteFailure(path, out.errorString()));
        return result;
    }
    WriteResult result = WriteEncodedFile(out, path, make(out));
    if (result.status != WriteResult::Written) {
        out.cancelWriting();
        return result;
    }
    if (!out.flush() || out.error() != QFileDevice::NoError || !out.commit()) {
        WriteResult failed;
        failed.status = WriteResult::Failed;
        failed.messages.push_back(WriteFailure(path, out.errorString()));
        return failed;
    }
    return result;
}

}  // namespace

WriteResult SaveEncodedFile(const QString& path, const EncodedFile& file) {
    return SaveMadeFile(path, [&file](QIODevice&) { return file; });
}

void EncodeWaypoints(std::vector<Waypoint>& waypoints, EncodedFile& file,
                     const WaypointEncoder& append) {
    qsizetype replaced = 0;
    for (Waypoint& w : waypoints) {
        if (w.Duplicate) {
            continue;
        }
        const qsizetype before = replaced;
        append(w, &replaced);
        if (replaced > before) {
            ++file.waypointsWithReplacements;
        }
        ++file.waypoints;
        if (file.sink != nullptr && file.bytes.size() >= kStreamPiece && !AppendToFile(file, {})) {
            break;
        }
    }
    file.replacedCharacters += replaced;
}

bool AppendToFile(EncodedFile& file, QByteArrayView bytes) {
    if (file.sinkError) {
        return false;
    }
    if (file.sink == nullptr || file.bytes.size() + bytes.size() < kStreamPiece) {
        file.bytes.append(bytes);
        return true;
    }
    file.sinkError = WriteAll(*file.sink, file.bytes.constData(), file.bytes.size());
    if (!file.sinkError) {
        file.sinkError = WriteAll(*file.sink, bytes.data(), bytes.size());
    }
    file.bytes.resize(0);
    return !file.sinkError;
}

WriteResult SaveStore(const QString& path, const WaypointStore& store,
                      const std::function<EncodedFile()>& encode) {
    if (store.WaypointCount() == 0) {
        return {};
    }
    return SaveEncodedFile(path, encode());
}

WriteResult WriteStore(QIODevice& device, const QString& path, const WaypointStore& store,
                       const std::function<EncodedFile()>& encode) {
    if (store.WaypointCount() == 0) {
        return {};
    }
    return WriteEncodedFile(device, path, encode());
}

WriteResult SaveStore(const QString& path, const WaypointStore& store,
                      const StreamedEncoder& encode) {
    if (store.WaypointCount() == 0) {
        return {};
    }
    return SaveMadeFile(path, [&encode](QIODevice& out) { return encode(&out); });
}

WriteResult WriteStore(QIODevice& device, const QString& path, const WaypointStore& store,
                       const StreamedEncoder& encode) {
    if (store.WaypointCount() == 0) {
        return {};
    }
    return WriteEncodedFile(device, path, encode(&device));
}

UserMessage FixedCoordinatesWarning() {
    return {QStringLiteral("Some input waypoints had out-of-range latitudes or longitudes.\r\n\r\n"
                           "Offending values were reset to 0 and the waypoints renamed to \r\n"
                           "'FIXED - ' + OriginalName"),
            QStringLiteral("Errors during import"), MessageIcon::Exclamation};
}
