#pragma once

// Hand-assembled MapSource files for the reader tests: little-endian fields,
// record framing, and waypoint records with every field under the test's
// control; and what a test looks at after a read.

#include <QByteArray>
#include <QStringList>
#include <QtEndian>
#include <cstring>

#include "core/importer.h"
#include "core/store.h"

class Bytes {
public:
    Bytes& u8(int value) {
        data_.append(static_cast<char>(value));
        return *this;
    }
    Bytes& i16(int value) {
        char b[2];
        qToLittleEndian<qint16>(static_cast<qint16>(value), b);
        data_.append(b, 2);
        return *this;
    }
    Bytes& i32(qint32 value) {
        char b[4];
        qToLittleEndian<qint32>(value, b);
        data_.append(b, 4);
        return *this;
    }
    Bytes& f64(double value) {
        quint64 bits;
        std::memcpy(&bits, &value, sizeof bits);
        char b[8];
        qToLittleEndian<quint64>(bits, b);
        data_.append(b, 8);
        return *this;
    }
    // The characters and their 0x00.
    Bytes& text(const QByteArray& characters) {
        data_.append(characters);
        data_.append('\0');
        return *this;
    }
    Bytes& raw(const QByteArray& bytes) {
        data_.append(bytes);
        return *this;
    }
    Bytes& run(int count, int value) {
        data_.append(count, static_cast<char>(value));
        return *this;
    }
    QByteArray bytes() const { return data_; }

private:
    QByteArray data_;
};

inline QByteArray RecordWithLength(qint32 length, char type, const QByteArray& data) {
    return Bytes().i32(length).u8(type).raw(data).bytes();
}

inline QByteArray Record(char type, const QByteArray& data) {
    return RecordWithLength(static_cast<qint32>(data.size()), type, data);
}

inline const QByteArray kMapSet = Record('V', QByteArray("\0\1", 2));

struct TestWaypoint {
    QByteArray name = "WPT";
    qint32 wclass = 0;
    QByteArray country;
    qint32 lat = 0;
    qint32 lon = 0;
    quint8 altitudeFlag = 0;
    double altitude = 0;
    QByteArray comment;
    quint8 proximityFlag = 0;
    double proximity = 0;
    qint32 display = 1;
    qint32 colour = 0;
    qint32 symbol = 18;
    QByteArray city;
    QByteArray state;
    QByteArray facility;
    quint8 depthFlag = 0;
    double depth = 0;
    QByteArray directions;
    // GDB only.
    QByteArray url;
    qint16 categories = 0;
    quint8 temperatureFlag = 0;
    double temperature = 0;
    quint8 timeFlag = 1;
    qint32 time = 0;
    // Bytes inside the record after its last field.
    QByteArray trailing;
};

namespace detail {

// Everything up to the symbol, the same in both formats. Records of another
// class carry data of their own after the class; these bytes fit no layout.
inline bool WaypointHead(Bytes& b, const TestWaypoint& w) {
    b.text(w.name).i32(w.wclass);
    if (w.wclass != 0) {
        b.run(13, 0xAB);
        return false;
    }
    b.text(w.country).run(4, 0x00).run(12, 0xFF).run(2, 0x00).run(4, 0xFF);
    b.i32(w.lat).i32(w.lon);
    return true;
}

}  // namespace detail

inline QByteArray MpsWaypoint(const TestWaypoint& w) {
    Bytes b;
    if (detail::WaypointHead(b, w)) {
        b.u8(w.altitudeFlag).f64(w.altitude).text(w.comment);
        b.u8(w.proximityFlag).f64(w.proximity);
        b.i32(w.display).i32(w.colour).i32(w.symbol);
        b.text(w.city).text(w.state).text(w.facility).u8(0);
        b.u8(w.depthFlag).f64(w.depth).run(6, 0x00).text(w.directions);
    }
    return Record('W', b.raw(w.trailing).bytes());
}

inline QByteArray GdbWaypoint(const TestWaypoint& w) {
    Bytes b;
    const auto flagged = [&b](quint8 flag, double value) {
        b.u8(flag);
        if (flag != 0) {
            b.f64(value);
        }
    };
    if (detail::WaypointHead(b, w)) {
        flagged(w.altitudeFlag, w.altitude);
        b.text(w.comment);
        flagged(w.proximityFlag, w.proximity);
        b.i32(w.display).i32(w.colour).i32(w.symbol);
        b.text(w.city).text(w.state).text(w.facility).u8(0);
        flagged(w.depthFlag, w.depth);
        b.run(6, 0x00).text(w.directions).text(w.url).i16(w.categories);
        flagged(w.temperatureFlag, w.temperature);
        b.u8(w.timeFlag);
        if (w.timeFlag != 0) {
            b.i32(w.time);
        }
    }
    return Record('W', b.raw(w.trailing).bytes());
}

inline QByteArray NamedWaypoint(const QByteArray& name, bool gdb = false) {
    TestWaypoint w;
    w.name = name;
    w.comment = name + " comment";
    return gdb ? GdbWaypoint(w) : MpsWaypoint(w);
}

// Signature, version and application record: 45 bytes.
inline QByteArray MpsHeader(char version = 'g') {
    return QByteArray("MsRcd\0", 6) + Record('D', QByteArray(1, version) + '\0') +
           Record('A', Bytes().i16(413).text("SQA").text("Feb  4 1980").text("06:45:00").bytes());
}

// The records between the header and the map set.
inline QByteArray MpsFile(const QByteArray& records, char version = 'g') {
    return MpsHeader(version) + records + kMapSet;
}

// Signature, version, application record and name: 45 bytes and the name.
inline QByteArray GdbHeader(const QByteArray& application = "MapSource", char version = 'k') {
    return QByteArray("MsRcf\0", 6) + Record('D', QByteArray(1, version) + '\0') +
           Record('A', Bytes().i16(601).text("SQA").text("Feb 04 1980").text("06:45:00").bytes()) +
           Bytes().text(application).bytes();
}

inline QByteArray GdbFile(const QByteArray& records, const QByteArray& application = "MapSource",
                          char version = 'k') {
    return GdbHeader(application, version) + records + kMapSet;
}

// The names of records from..count.
inline QStringList Names(const WaypointStore& store, qint32 from = 1) {
    QStringList names;
    for (qint32 n = from; n <= store.WaypointCount(); ++n) {
        names.push_back(store.record(n).Name);
    }
    return names;
}

inline QStringList Texts(const ImportResult& r) {
    QStringList texts;
    for (const UserMessage& m : r.messages) {
        texts.push_back(m.text);
    }
    return texts;
}

// A waypoint put in the store before a read, to see that the read leaves it.
inline Waypoint Sentinel() {
    Waypoint w;
    w.Name = QStringLiteral("already here");
    return w;
}
