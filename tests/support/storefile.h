#pragma once

// What the writer tests share: stores and options described in JSON files
// (tests/data/writers/*.json), the stores the golden files beside them were
// made from; every export kind's writer and reader; a device that fails
// part-way.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>
#include <algorithm>
#include <utility>

#include "session/exporter.h"
#include "session/formats.h"
#include "support/fakes.h"
#include "support/testfiles.h"

inline const QString kWriterData = QStringLiteral(WAYFOLD_TEST_DATA "/writers/");

struct StoreFile {
    WaypointStore store;
    Options options;
    bool loaded = false;
};

// Sets each field whose key o holds (key, field, key, field, ...); the
// others keep their values.
inline void FromJson(const QJsonObject&) {}
template <typename T, typename... More>
void FromJson(const QJsonObject& o, const char* key, T& field, More&&... more) {
    const QVariant v = o.value(QLatin1String(key)).toVariant();
    field = v.isValid() ? v.value<T>() : field;
    FromJson(o, std::forward<More>(more)...);
}

// The store file name.json (name relative to tests/data/writers, or a whole
// path). Every Waypoint field may be given by its name; missing fields keep the
// values of a fresh record, missing semicircles are computed from the degrees.
inline StoreFile LoadStoreFile(const QString& name) {
    StoreFile result;
    const auto load = [](const QString& file) {
        return QJsonDocument::fromJson(
                   FileBytes(QDir(kWriterData).filePath(file + QStringLiteral(".json"))))
            .object();
    };
    const QJsonObject root = load(name);
    // A store may take its waypoints from another one and change only the options.
    const QString of = root.value(QLatin1String("waypointsOf")).toString();
    Options& p = result.options;
    FromJson(root.value(QLatin1String("options")).toObject(), "IconNumber", p.IconNumber,
             "PreserveIcons", p.PreserveIcons, "DisplayMode", p.DisplayMode, "PreserveDisplay",
             p.PreserveDisplay, "ModNames", p.ModNames, "SwapNameDesc", p.SwapNameDesc, "CopyHint",
             p.CopyHint, "Categories", p.Categories, "PreserveCats", p.PreserveCats,
             "PreserveTimes", p.PreserveTimes, "ManualTime", p.ManualTime, "GdbVersion",
             p.GdbVersion);
    for (const QJsonValue& v :
         (of.isEmpty() ? root : load(of)).value(QLatin1String("waypoints")).toArray()) {
        const QJsonObject o = v.toObject();
        Waypoint w;
        FromJson(o, "Name", w.Name, "Description", w.Description, "Url", w.Url, "LinkName",
                 w.LinkName, "Comment", w.Comment, "TypeText", w.TypeText, "CacheType", w.CacheType,
                 "Hint", w.Hint, "Latitude", w.Latitude, "Longitude", w.Longitude, "HasAltitude",
                 w.HasAltitude, "Altitude", w.Altitude, "HasDepth", w.HasDepth, "Depth", w.Depth,
                 "HasProximity", w.HasProximity, "Proximity", w.Proximity, "HasTemperature",
                 w.HasTemperature, "Temperature", w.Temperature, "Symbol", w.Symbol, "Colour",
                 w.Colour, "Display", w.Display, "HasTime", w.HasTime, "Time", w.Time,
                 "CategoryBits", w.CategoryBits, "Listing", w.Listing);
        w.LatSemicircles = DegreesToSemicircles(w.Latitude);
        w.LonSemicircles = DegreesToSemicircles(w.Longitude);
        FromJson(o, "LatSemicircles", w.LatSemicircles, "LonSemicircles", w.LonSemicircles);
        result.store.Waypoints.push_back(w);
    }
    result.loaded = !result.store.Waypoints.empty();
    return result;
}

// A waypoint as the XML LOC reader leaves one: symbol, display mode and
// categories not set.
inline Waypoint NamedWaypoint(const QString& name, const QString& description = QString()) {
    Waypoint w;
    w.Name = name;
    w.Description = description;
    w.Symbol = NotSet;
    w.Display = NotSet;
    w.CategoryBits = NotSet;
    return w;
}

// The options of realistic.json: symbol 18, display mode 1, both kept.
inline Options TestOptions() {
    Options o;
    o.IconNumber = 18;
    o.PreserveIcons = true;
    o.DisplayMode = 1;
    o.PreserveDisplay = true;
    o.ManualTime = 1796432536;
    return o;
}

// Every format that writes a file, by its id, with a file name for it.
inline constexpr std::pair<const char*, const char*> kKinds[] = {{"mps", "out.mps"},
                                                                 {"gdb", "out.gdb"},
                                                                 {"loc", "out.loc"},
                                                                 {"terrabyte", "out.tb.loc"},
                                                                 {"gpx", "out.gpx"}};

// The writer of a format, onto the file at path or, when given, onto device
// (path then only names the file).
inline WriteResult WriteKind(const QString& kind, const QString& path, WaypointStore& store,
                             const Options& options, QIODevice* device = nullptr) {
    const FileFormat& format = *FormatById(kind);
    if (device == nullptr) {
        return format.write(path, store, options);
    }
    return store.WaypointCount() == 0
               ? WriteResult{}
               : WriteEncodedFile(*device, path, format.encode(store, options));
}

// Reads a written file with the reader of its extension into back; the
// reader's messages, empty when it took the file.
inline QStringList ReadKind(const QString& path, WaypointStore& back) {
    RecordingProgress progress;
    return Texts(ReaderForPath(path)->read(path, back, progress).messages);
}

// A device that takes the first limit bytes and then fails, as a full disk
// or a broken connection does.
class FailingDevice final : public QIODevice {
public:
    explicit FailingDevice(qint64 limit) : limit_(limit) { open(QIODevice::WriteOnly); }
    QByteArray written;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        const qint64 room = limit_ - written.size();
        if (room <= 0) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        const qint64 n = std::min(room, size);
        written.append(data, n);
        return n;
    }

private:
    qint64 limit_;
};
