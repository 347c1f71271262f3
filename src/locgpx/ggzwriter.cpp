#include "locgpx/ggzwriter.h"

#include <zip.h>
#include <QDateTime>
#include <QXmlStreamWriter>
#include <array>
#include <pugixml.hpp>
#include <vector>

#include "locgpx/gpxwriter.h"
#include "locgpx/xmlinput.h"

namespace {

quint32 Crc32(const QByteArray& bytes) {
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[n] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFu;
    for (const char b : bytes) {
        crc = table[(crc ^ static_cast<quint8>(b)) & 0xFF] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFu;
}

// The listing site's container numbers.
int ContainerNumber(const QString& container) {
    static const std::pair<const char*, int> numbers[] = {
        {"Micro", 2}, {"Regular", 3}, {"Large", 4}, {"Virtual", 5}, {"Other", 6}, {"Small", 8}};
    for (const auto& [name, number] : numbers) {
        if (container.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) {
            return number;
        }
    }
    return 1;
}

// One cache of the GPX export: its wpt element and what the index says of it.
struct CacheEntry {
    QByteArray wpt;  // "<wpt ...>...</wpt>"
    QString code, name, type, lat, lon, difficulty, terrain;
    int size = 1;
    bool found = false;
};

CacheEntry ReadEntry(const QByteArray& wpt) {
    CacheEntry entry;
    entry.wpt = wpt;
    pugi::xml_document doc;
    doc.load_buffer(wpt.constData(), static_cast<size_t>(wpt.size()), pugi::parse_default,
                    pugi::encoding_utf8);
    const pugi::xml_node w = doc.child("wpt");
    const pugi::xml_node cache = w.child("groundspeak:cache");
    entry.code = ElementText(w.child("name"));
    entry.name = ElementText(cache.child("groundspeak:name"));
    entry.type = ElementText(cache.child("groundspeak:type"));
    entry.lat = AttributeText(w.attribute("lat"));
    entry.lon = AttributeText(w.attribute("lon"));
    entry.difficulty = ElementText(cache.child("groundspeak:difficulty"));
    entry.terrain = ElementText(cache.child("groundspeak:terrain"));
    entry.size = ContainerNumber(ElementText(cache.child("groundspeak:container")));
    entry.found = ElementText(w.child("sym")) == u"Geocache Found";
    return entry;
}

struct GpxPart {
    QString name;
    QByteArray bytes;
    std::vector<std::pair<qsizetype, const CacheEntry*>> caches;  // position in bytes
};

QByteArray IndexXml(const std::vector<GpxPart>& parts, const QString& time) {
    QByteArray xml;
    QXmlStreamWriter out(&xml);
    out.setAutoFormatting(true);
    out.writeStartDocument();
    out.writeDefaultNamespace(QStringLiteral("http://www.opencaching.com/xmlschemas/ggz/1/0"));
    out.writeStartElement(QStringLiteral("ggz"));
    out.writeTextElement(QStringLiteral("time"), time);
    for (const GpxPart& part : parts) {
        out.writeStartElement(QStringLiteral("file"));
        out.writeTextElement(QStringLiteral("name"), part.name);
        out.writeTextElement(QStringLiteral("crc"),
                             QStringLiteral("%1").arg(Crc32(part.bytes), 8, 16, QLatin1Char('0')));
        out.writeTextElement(QStringLiteral("time"), time);
        for (const auto& [position, cache] : part.caches) {
            out.writeStartElement(QStringLiteral("gch"));
            out.writeTextElement(QStringLiteral("code"), cache->code);
            out.writeTextElement(QStringLiteral("name"), cache->name);
            out.writeTextElement(QStringLiteral("type"), cache->type);
            out.writeTextElement(QStringLiteral("lat"), cache->lat);
            out.writeTextElement(QStringLiteral("lon"), cache->lon);
            out.writeTextElement(QStringLiteral("file_pos"), QString::number(position));
            out.writeTextElement(QStringLiteral("file_len"), QString::number(cache->wpt.size()));
            out.writeStartElement(QStringLiteral("ratings"));
            out.writeTextElement(QStringLiteral("awesomeness"), QStringLiteral("3.0"));
            out.writeTextElement(QStringLiteral("difficulty"), cache->difficulty);
            out.writeTextElement(QStringLiteral("size"), QString::number(cache->size));
            out.writeTextElement(QStringLiteral("terrain"), cache->terrain);
            out.writeEndElement();
            out.writeTextElement(QStringLiteral("found"),
                                 cache->found ? QStringLiteral("true") : QStringLiteral("false"));
            out.writeEndElement();
        }
        out.writeEndElement();
    }
    out.writeEndElement();
    out.writeEndDocument();
    return xml;
}

// The archive of the named files, built in memory; empty when libzip fails.
QByteArray ZipArchive(const std::vector<std::pair<QByteArray, const QByteArray*>>& files) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* memory = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t* archive =
        memory == nullptr ? nullptr : zip_open_from_source(memory, ZIP_TRUNCATE, &error);
    zip_error_fini(&error);
    if (archive == nullptr) {
        zip_source_free(memory);
        return QByteArray();
    }
    zip_source_keep(memory);
    bool ok = true;
    for (const auto& [name, bytes] : files) {
        zip_source_t* data = zip_source_buffer(archive, bytes->constData(),
                                               static_cast<zip_uint64_t>(bytes->size()), 0);
        if (data == nullptr ||
            zip_file_add(archive, name.constData(), data, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(data);
            ok = false;
            break;
        }
    }
    if (!ok || zip_close(archive) != 0) {
        zip_discard(archive);
        zip_source_free(memory);
        return QByteArray();
    }
    QByteArray out;
    zip_stat_t stat;
    if (zip_source_stat(memory, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE) != 0 &&
        zip_source_open(memory) == 0) {
        out.resize(static_cast<qsizetype>(stat.size));
        if (zip_source_read(memory, out.data(), stat.size) != static_cast<zip_int64_t>(stat.size)) {
            out.clear();
        }
        zip_source_close(memory);
    }
    zip_source_free(memory);
    return out;
}

}  // namespace

EncodedFile EncodeGgzFile(WaypointStore& store, const Options& options, const QString& time,
                          qint64 maxGpxBytes) {
    EncodedFile gpx = EncodeGpxFile(store, options, GpxCreator());
    const QByteArray& all = gpx.bytes;
    // Texts are escaped, so "<wpt " and "</wpt>" stand only for elements.
    const qsizetype first = all.indexOf("  <wpt ");
    const QByteArray header = first < 0 ? all.left(all.lastIndexOf("</gpx>")) : all.left(first);
    const QByteArray footer("</gpx>\r\n");
    std::vector<CacheEntry> caches;
    for (qsizetype at = first; at >= 0; at = all.indexOf("  <wpt ", at + 1)) {
        const qsizetype end = all.indexOf("</wpt>", at);
        if (end < 0) {
            break;
        }
        const QByteArray wpt = all.mid(at + 2, end + 6 - at - 2);
        if (wpt.contains("<groundspeak:cache ")) {
            caches.push_back(ReadEntry(wpt));
        }
    }
    std::vector<GpxPart> parts;
    for (const CacheEntry& cache : caches) {
        if (parts.empty() ||
            (!parts.back().caches.empty() &&
             parts.back().bytes.size() + cache.wpt.size() + 4 + footer.size() > maxGpxBytes)) {
            parts.push_back({QStringLiteral("wayfold-%1.gpx").arg(parts.size() + 1), header, {}});
        }
        GpxPart& part = parts.back();
        part.bytes += "  ";
        part.caches.emplace_back(part.bytes.size(), &cache);
        part.bytes += cache.wpt;
        part.bytes += "\r\n";
    }
    std::vector<std::pair<QByteArray, const QByteArray*>> files;
    for (GpxPart& part : parts) {
        part.bytes += footer;
        files.emplace_back("data/" + part.name.toUtf8(), &part.bytes);
    }
    const QByteArray index = IndexXml(parts, time);
    files.emplace_back("index/com/garmin/geocaches/v0/index.xml", &index);

    EncodedFile file;
    file.bytes = caches.empty() ? QByteArray() : ZipArchive(files);
    file.waypoints = static_cast<qint32>(caches.size());
    file.replacedCharacters = gpx.replacedCharacters;
    file.waypointsWithReplacements = gpx.waypointsWithReplacements;
    file.dropsUnwritable = gpx.dropsUnwritable;
    return file;
}

EncodedFile EncodeGgzFile(WaypointStore& store, const Options& options) {
    return EncodeGgzFile(
        store, options,
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'")));
}

WriteResult WriteGgzFile(const QString& path, WaypointStore& store, const Options& options) {
    const EncodedFile file = EncodeGgzFile(store, options);
    if (file.bytes.isEmpty()) {
        WriteResult failed;
        failed.status = WriteResult::Failed;
        failed.messages.push_back(
            {(file.waypoints == 0 ? QStringLiteral("None of the waypoints is a cache, and a GGZ "
                                                   "file holds only caches. ")
                                  : QStringLiteral("The GGZ archive could not be built. ")) +
                 path + QStringLiteral(" was not written."),
             QStringLiteral("Wayfold"), MessageIcon::Exclamation});
        return failed;
    }
    return SaveEncodedFile(path, file);
}
