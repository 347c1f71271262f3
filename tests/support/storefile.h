#pragma once

// Stores and options described in JSON files (tests/data/writers/*.json), so
// that a test and the script that made its golden files start from the same
// waypoints. Every Waypoint field may be given by its name; missing fields
// keep the values of a fresh record, and missing semicircles are computed
// from the degrees.

#include <QByteArray>
#include <QFile>
#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QtEndian>

#include <algorithm>
#include <type_traits>

#include "core/store.h"
#include "settings/options.h"

struct StoreFile {
    WaypointStore store;
    Options options;
    bool loaded = false;
};

inline Waypoint WaypointFromJson(const QJsonObject& o) {
    Waypoint w;
    const auto text = [&o](const char* key, QString& field) {
        if (o.contains(QLatin1String(key))) {
            field = o.value(QLatin1String(key)).toString();
        }
    };
    const auto number = [&o](const char* key, auto& field) {
        if (o.contains(QLatin1String(key))) {
            field = static_cast<std::remove_reference_t<decltype(field)>>(
                o.value(QLatin1String(key)).toDouble());
        }
    };
    text("Name", w.Name);
    text("Description", w.Description);
    text("Url", w.Url);
    text("LinkName", w.LinkName);
    text("Comment", w.Comment);
    text("TypeText", w.TypeText);
    text("CacheType", w.CacheType);
    text("Hint", w.Hint);
    number("Latitude", w.Latitude);
    number("Longitude", w.Longitude);
    number("HasAltitude", w.HasAltitude);
    number("Altitude", w.Altitude);
    number("HasDepth", w.HasDepth);
    number("Depth", w.Depth);
    number("HasProximity", w.HasProximity);
    number("Proximity", w.Proximity);
    number("HasTemperature", w.HasTemperature);
    number("Temperature", w.Temperature);
    number("Symbol", w.Symbol);
    number("Colour", w.Colour);
    number("Display", w.Display);
    number("HasTime", w.HasTime);
    number("Time", w.Time);
    number("CategoryBits", w.CategoryBits);
    w.LatSemicircles = DegreesToSemicircles(w.Latitude);
    w.LonSemicircles = DegreesToSemicircles(w.Longitude);
    number("LatSemicircles", w.LatSemicircles);
    number("LonSemicircles", w.LonSemicircles);
    return w;
}

inline Options OptionsFromJson(const QJsonObject& o) {
    Options options;
    options.IconNumber = o.value(QLatin1String("IconNumber")).toInt();
    options.PreserveIcons = o.value(QLatin1String("PreserveIcons")).toBool();
    options.DisplayMode = o.value(QLatin1String("DisplayMode")).toInt();
    options.PreserveDisplay = o.value(QLatin1String("PreserveDisplay")).toBool();
    options.ModNames = o.value(QLatin1String("ModNames")).toBool();
    options.SwapNameDesc = o.value(QLatin1String("SwapNameDesc")).toBool();
    options.CopyHint = o.value(QLatin1String("CopyHint")).toBool();
    options.Categories = static_cast<qint16>(o.value(QLatin1String("Categories")).toInt());
    options.PreserveCats = o.value(QLatin1String("PreserveCats")).toBool();
    options.PreserveTimes = o.value(QLatin1String("PreserveTimes")).toBool();
    options.ManualTime = static_cast<qint64>(o.value(QLatin1String("ManualTime")).toDouble());
    return options;
}

inline StoreFile LoadStoreFile(const QString& path) {
    StoreFile result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return result;
    }
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    result.options = OptionsFromJson(root.value(QLatin1String("options")).toObject());
    for (const QJsonValue& v : root.value(QLatin1String("waypoints")).toArray()) {
        result.store.Waypoints.push_back(WaypointFromJson(v.toObject()));
    }
    result.loaded = !result.store.Waypoints.empty();
    return result;
}

inline QByteArray ReadWholeFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A little-endian number at an offset of a written file; 0 past its end.
template <typename T>
T LittleEndianAt(const QByteArray& bytes, qsizetype at) {
    char buffer[sizeof(T)] = {};
    if (at >= 0 && at + qsizetype(sizeof(T)) <= bytes.size()) {
        std::copy_n(bytes.constData() + at, sizeof(T), buffer);
    }
    return qFromLittleEndian<T>(buffer);
}

// Where two byte strings first differ, for failure messages.
inline QByteArray FirstDifference(const QByteArray& actual, const QByteArray& expected) {
    qsizetype i = 0;
    while (i < actual.size() && i < expected.size() && actual[i] == expected[i]) {
        ++i;
    }
    return "sizes " + QByteArray::number(actual.size()) + " and " +
           QByteArray::number(expected.size()) + ", first difference at offset " +
           QByteArray::number(i) + ": got " + actual.mid(i, 16).toHex(' ') + ", expected " +
           expected.mid(i, 16).toHex(' ');
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
