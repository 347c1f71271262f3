#include "session/garmindevice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QTemporaryFile>
#include <QXmlStreamReader>

#include "locgpx/ggzwriter.h"
#include "session/session.h"
#include "session/tempfiles.h"

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// How many caches a model shows from its GPX folder, by a part of its
// description; the first part that matches counts.
struct ModelLimit {
    const char* model;
    qint32 caches;
};
constexpr ModelLimit kModelLimits[] = {
    {"eTrex 10", 2000}, {"eTrex 20", 5000}, {"eTrex 30", 5000},
    {"eTrex 22", 5000}, {"eTrex 32", 5000}, {"Dakota", 5000},
    {"Oregon", 5000},   {"GPSMAP 6", 5000}, {"Montana", 5000},
};

qint32 CacheLimit(const QString& model) {
    for (const ModelLimit& limit : kModelLimits) {
        if (model.contains(QLatin1String(limit.model), Qt::CaseInsensitive)) {
            return limit.caches;
        }
    }
    return 0;
}

// The data types of GarminDevice.xml: each Name with the path of its File.
struct DataType {
    QString name;
    QString path;
    QString extension;
};

// Reads the model and the data types; namespaces are not checked, only the
// local names, as the devices' own files vary in their prefixes.
bool ReadDeviceXml(const QString& path, QString& model, std::vector<DataType>& types) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    QXmlStreamReader xml(&file);
    QStringList at;
    DataType type;
    while (!xml.atEnd() && !xml.hasError()) {
        xml.readNext();
        if (xml.isStartElement()) {
            at.push_back(xml.name().toString());
            if (xml.name() == u"DataType") {
                type = DataType();
            }
        } else if (xml.isEndElement()) {
            if (xml.name() == u"DataType" && !type.name.isEmpty()) {
                types.push_back(type);
            }
            at.pop_back();
        } else if (xml.isCharacters() && !at.isEmpty()) {
            const QString text = xml.text().toString().trimmed();
            const QString& leaf = at.back();
            const QString parent = at.size() > 1 ? at[at.size() - 2] : QString();
            if (leaf == u"Description" && parent == u"Model") {
                model = text;
            } else if (leaf == u"Name" && parent == u"DataType") {
                type.name = text;
            } else if (leaf == u"Path" && parent == u"Location" && type.path.isEmpty()) {
                type.path = text;
            } else if (leaf == u"FileExtension" && parent == u"Location" &&
                       type.extension.isEmpty()) {
                type.extension = text;
            }
        }
    }
    return !xml.hasError();
}

// "2,000": counts as the messages write them, whatever the locale.
QString Count(qint64 n) {
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(n);
}

QString Megabytes(qint64 bytes) {
    return QString::number(double(bytes) / (1024.0 * 1024.0), 'f', 1) + QStringLiteral(" MB");
}

// The caches in a written GPX file: its cache elements.
qint64 CachesIn(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QByteArray tag("<groundspeak:cache ");
    qint64 count = 0;
    QByteArray carry;
    while (!file.atEnd()) {
        const QByteArray chunk = carry + file.read(1 << 20);
        for (qsizetype at = chunk.indexOf(tag); at >= 0; at = chunk.indexOf(tag, at + 1)) {
            ++count;
        }
        carry = chunk.right(tag.size() - 1);
    }
    return count;
}

// Copies the file into the folder under name: written beside it under a
// temporary name on the same volume, flushed to the device, then renamed
// over the old file. Empty when it worked, else what went wrong; nothing is
// left behind then.
QString CopyOnto(const QString& from, const QString& folder, const QString& name) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) {
        return in.errorString();
    }
    if (!QDir().mkpath(folder)) {
        return QStringLiteral("The folder ") + QDir::toNativeSeparators(folder) +
               QStringLiteral(" cannot be made.");
    }
    QSaveFile out(QDir(folder).filePath(name));
    if (!out.open(QIODevice::WriteOnly)) {
        return out.errorString();
    }
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(1 << 20);
        if (chunk.isEmpty() && in.error() != QFileDevice::NoError) {
            out.cancelWriting();
            return in.errorString();
        }
        if (out.write(chunk) != chunk.size()) {
            out.cancelWriting();
            out.commit();
            return out.errorString();
        }
    }
    // The device may be unplugged right after: the bytes must be on it
    // before the file takes its name.
    if (!out.flush()) {
        const QString error = out.errorString();
        out.cancelWriting();
        out.commit();
        return error;
    }
#ifdef Q_OS_WIN
    const bool synced = _commit(out.handle()) == 0;
#else
    const bool synced = ::fsync(out.handle()) == 0;
#endif
    if (!synced) {
        out.cancelWriting();
        out.commit();
        return QStringLiteral("The file could not be flushed to the device.");
    }
    return out.commit() ? QString() : out.errorString();
}

}  // namespace

std::optional<GarminDevice> ReadGarminDevice(const QString& mountPoint) {
    const QDir root(mountPoint);
    GarminDevice device;
    device.mountPoint = mountPoint;
    QString model;
    std::vector<DataType> types;
    const QString xml = root.filePath(QStringLiteral("Garmin/GarminDevice.xml"));
    if (QFileInfo(xml).isFile() && ReadDeviceXml(xml, model, types)) {
        device.model = model;
        for (const DataType& type : types) {
            const QString path = QDir::cleanPath(root.filePath(type.path));
            if (type.name == u"GPSData" &&
                type.extension.compare(u"gpx", Qt::CaseInsensitive) == 0) {
                device.gpxFolder = path;
            } else if (type.name == u"GGZ") {
                device.ggzFolder = path;
            } else if (type.name == u"FieldNotes") {
                device.visitsFile = path;
            }
        }
    }
    const QString gpx = root.filePath(QStringLiteral("Garmin/GPX"));
    if (device.gpxFolder.isEmpty() && QFileInfo(gpx).isDir()) {
        device.gpxFolder = QDir::cleanPath(gpx);
    }
    if (device.gpxFolder.isEmpty()) {
        return std::nullopt;
    }
    device.gpxCacheLimit = CacheLimit(device.model);
    return device;
}

std::vector<GarminDevice> FindGarminDevices(const Session& session) {
    std::vector<GarminDevice> devices;
    for (const QString& volume : session.mountedVolumes()) {
        if (std::optional<GarminDevice> device = ReadGarminDevice(volume)) {
            devices.push_back(*device);
        }
    }
    return devices;
}

void SendToGarminDevice(Session& session, const QString& writtenFile, const QString& argument) {
    std::optional<GarminDevice> device;
    if (!argument.isEmpty()) {
        device = ReadGarminDevice(argument);
        if (!device) {
            session.report({QDir::toNativeSeparators(argument) +
                                QStringLiteral(" is no Garmin device: it has neither "
                                               "Garmin/GarminDevice.xml nor a Garmin/GPX folder."),
                            QStringLiteral("Wayfold"), MessageIcon::Exclamation});
            return;
        }
    } else {
        const std::vector<GarminDevice> devices = FindGarminDevices(session);
        if (devices.size() == 1) {
            device = devices.front();
        } else if (session.frontend.canAsk()) {
            const std::optional<QString> picked = session.frontend.folderDialog(
                devices.empty() ? QStringLiteral("No Garmin device was found. Choose the folder "
                                                 "where the device is mounted:")
                                : QStringLiteral("Choose the Garmin device to send to:"));
            if (!picked || picked->isEmpty()) {
                return;
            }
            SendToGarminDevice(session, writtenFile, *picked);
            return;
        } else {
            QStringList places;
            for (const GarminDevice& d : devices) {
                places += QDir::toNativeSeparators(d.mountPoint);
            }
            session.report(
                {devices.empty()
                     ? QStringLiteral("No Garmin device is connected: none of the mounted volumes "
                                      "has a Garmin/GPX folder. Name the device with /d:path.")
                     : QStringLiteral("More than one Garmin device is connected (") +
                           places.join(QStringLiteral(", ")) +
                           QStringLiteral("); name the one to send to with /d:path."),
                 QStringLiteral("Wayfold"), MessageIcon::Exclamation});
            return;
        }
    }

    const QString name = device->model.isEmpty() ? QStringLiteral("device") : device->model;
    const qint64 caches = CachesIn(writtenFile);
    // A set larger than the GPX folder shows goes whole into the GGZ folder,
    // where the device has one.
    QString source = writtenFile;
    QString folder = device->gpxFolder;
    QLatin1String fileName(DeviceFileName);
    QTemporaryFile ggz(session.tempFolder + QStringLiteral("/GGZXXXXXX") +
                       QLatin1String(TemporarySuffix));
    const bool large = device->gpxCacheLimit > 0 && caches > device->gpxCacheLimit;
    if (large && !device->ggzFolder.isEmpty()) {
        const EncodedFile archive = EncodeGgzFile(session.store, session.options);
        if (archive.bytes.isEmpty() || !ggz.open() ||
            ggz.write(archive.bytes) != archive.bytes.size() || !ggz.flush()) {
            session.report({QStringLiteral("The GGZ file for the device could not be made."),
                            QStringLiteral("Wayfold"), MessageIcon::Exclamation});
            return;
        }
        source = ggz.fileName();
        folder = device->ggzFolder;
        fileName = QLatin1String(DeviceGgzFileName);
    } else if (large) {
        const QString text = QStringLiteral("The ") + name + QStringLiteral(" shows ") +
                             Count(device->gpxCacheLimit) + QStringLiteral(" of these ") +
                             Count(caches) + QStringLiteral(" caches.");
        if (session.frontend.canAsk()) {
            if (session.tell({text + QStringLiteral("\r\nSend them all the same?"),
                              QStringLiteral("Wayfold"), MessageIcon::Question,
                              MessageButtons::YesNo}) != MessageAnswer::Yes) {
                return;
            }
        } else {
            session.report({text, QStringLiteral("Wayfold"), MessageIcon::Exclamation});
        }
    }

    const qint64 needed = QFileInfo(source).size();
    const qint64 free = session.freeBytes(device->mountPoint);
    if (free >= 0 && needed > free) {
        session.report({QStringLiteral("There is not enough room on ") +
                            QDir::toNativeSeparators(device->mountPoint) +
                            QStringLiteral(": the file needs ") + Megabytes(needed) +
                            QStringLiteral(", and ") + Megabytes(free) +
                            QStringLiteral(" are free. Nothing was written."),
                        QStringLiteral("Wayfold"), MessageIcon::Exclamation});
        return;
    }
    const QString target = QDir(folder).filePath(fileName);
    const QString problem = CopyOnto(source, folder, fileName);
    if (!problem.isEmpty()) {
        session.report({QStringLiteral("The file could not be written to ") +
                            QDir::toNativeSeparators(target) + QStringLiteral(":\r\n") + problem,
                        QStringLiteral("Wayfold"), MessageIcon::Exclamation});
        return;
    }
    if (folder != device->gpxFolder) {
        // The GGZ file holds what an earlier send put in the GPX folder.
        QFile::remove(QDir(device->gpxFolder).filePath(QLatin1String(DeviceFileName)));
    }
    session.tell(
        {QStringLiteral("Sent ") + Count(caches) +
             (caches == 1 ? QStringLiteral(" cache to the ") : QStringLiteral(" caches to the ")) +
             name + QStringLiteral(" (") + QDir::toNativeSeparators(target) + QStringLiteral(")."),
         QStringLiteral("Wayfold"), MessageIcon::Information});
}
