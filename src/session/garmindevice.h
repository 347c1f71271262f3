#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

struct Session;

// A Garmin handheld mounted as a USB drive. Its Garmin/GarminDevice.xml
// (namespace http://www.garmin.com/xmlschemas/GarminDevice/v2) names the
// model in Device/Model/Description and, under MassStorageMode, each kind of
// data it takes: a DataType's Name with its File's Location (Path,
// FileExtension), e.g. GPSData in Garmin/GPX with extension gpx, GGZ in
// Garmin/GGZ, FieldNotes at Garmin/geocache_visits.txt. A volume with a
// Garmin/GPX folder and no such file (older units, memory cards) is a device
// of unknown model.
struct GarminDevice {
    QString mountPoint;
    QString model;       // empty when unknown
    QString gpxFolder;   // absolute
    QString ggzFolder;   // absolute; empty when the device reads no GGZ
    QString visitsFile;  // absolute; empty when the device names none
    // How many caches the device shows from its GPX folder; 0 when unknown.
    qint32 gpxCacheLimit = 0;
};

// The device mounted at mountPoint, or nothing when it is none.
std::optional<GarminDevice> ReadGarminDevice(const QString& mountPoint);

// The devices among the mounted volumes the session sees.
std::vector<GarminDevice> FindGarminDevices(const Session& session);

// The file Wayfold writes in a device's GPX folder; sending again replaces it
// and nothing else.
inline constexpr char DeviceFileName[] = "wayfold.gpx";
// The file Wayfold writes in a device's GGZ folder instead, for a set larger
// than the device shows from its GPX folder.
inline constexpr char DeviceGgzFileName[] = "wayfold.ggz";

// Sends a written GPX file to the device at the argument's mount point, or to
// the one device connected when the argument is empty (the window lets the
// user pick when there is none or more than one).
void SendToGarminDevice(Session& session, const QString& writtenFile, const QString& argument);
