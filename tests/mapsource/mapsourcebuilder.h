#pragma once

// Hand-assembled MapSource files for the reader tests: record framing and
// waypoint records with every field under the test's control, and the table
// test that both readers run on them.

#include <QtTest>
#include <optional>

#include "core/importer.h"
#include "support/fakes.h"
#include "support/testfiles.h"

// The characters and their 0x00.
inline QByteArray Text(const QByteArray& characters) {
    return characters + '\0';
}

inline QByteArray RecordWithLength(qint32 length, char type, const QByteArray& data) {
    return LittleEndian(length) + type + data;
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
    // GDB version 3 only; its link list replaces url.
    QByteArray address;
    qint32 duration = 0;
    QList<QByteArray> links;
    QList<QByteArray> phones;  // number and kind, in turn
    QByteArray postalCode;
    // When set, the link count and phone count written instead of the
    // lists' sizes.
    std::optional<qint32> linkCount;
    std::optional<qint32> phoneCount;
};

// A class-0 waypoint with every field filled and no flag set: texts in
// Windows-1252, and the country, city, state and facility texts that
// fixed-size reads of their blocks would misplace.
inline TestWaypoint Filled() {
    TestWaypoint t;
    t.name = "Caf\xe9 \x80";
    t.country = "Deutschland";
    t.lat = 1 << 29;
    t.lon = -(1 << 29);
    t.altitude = 123.25;
    t.comment = "Near the \x93old\x94 oak";
    t.proximity = 50.5;
    t.display = 2;
    t.colour = 5;
    t.symbol = 117;
    t.city = "Leipzig";
    t.state = "Sachsen";
    t.facility = "Rathaus";
    t.depth = -3.5;
    t.directions = "left at the gate";
    t.url = "http://example.org/x";
    t.categories = static_cast<qint16>(0x8001);
    t.temperature = -7.5;
    t.time = 1143841766;
    return t;
}

// A flag byte and its double: MPS carries the double after every flag,
// GDB only after a set one.
inline QByteArray Flagged(quint8 flag, double value, bool gdb) {
    return QByteArray(1, static_cast<char>(flag)) +
           (gdb && flag == 0 ? QByteArray() : LittleEndian(value));
}

// The start of a class-0 waypoint record that every layout shares: from the
// country text to the depth.
inline QByteArray WaypointStart(const TestWaypoint& w, bool gdb) {
    return Text(w.country) + QByteArray(4, '\0') + QByteArray(12, '\xFF') + QByteArray(2, '\0') +
           QByteArray(4, '\xFF') + LittleEndian(w.lat) + LittleEndian(w.lon) +
           Flagged(w.altitudeFlag, w.altitude, gdb) + Text(w.comment) +
           Flagged(w.proximityFlag, w.proximity, gdb) + LittleEndian(w.display) +
           LittleEndian(w.colour) + LittleEndian(w.symbol) + Text(w.city) + Text(w.state) +
           Text(w.facility) + '\0' + Flagged(w.depthFlag, w.depth, gdb);
}

inline QByteArray WaypointRecord(const TestWaypoint& w, bool gdb) {
    const auto flagged = [gdb](quint8 flag, double value) { return Flagged(flag, value, gdb); };
    QByteArray b = Text(w.name) + LittleEndian(w.wclass);
    if (w.wclass != 0) {
        // Records of another class carry data of their own; these fit no layout.
        return Record('W', b + QByteArray(13, '\xAB') + w.trailing);
    }
    b += WaypointStart(w, gdb) + QByteArray(6, '\0') + Text(w.directions);
    if (gdb) {
        b += Text(w.url) + LittleEndian(w.categories) + flagged(w.temperatureFlag, w.temperature) +
             static_cast<char>(w.timeFlag) +
             (w.timeFlag != 0 ? LittleEndian(w.time) : QByteArray());
    }
    return Record('W', b + w.trailing);
}

// A GDB version-3 waypoint record; its texts are written as given (UTF-8).
inline QByteArray WaypointRecordV3(const TestWaypoint& w) {
    const auto flagged = [](quint8 flag, double value) { return Flagged(flag, value, true); };
    const auto texts = [](const QList<QByteArray>& list) {
        QByteArray b;
        for (const QByteArray& t : list) {
            b += Text(t);
        }
        return b;
    };
    QByteArray b = Text(w.name) + LittleEndian(w.wclass);
    if (w.wclass != 0) {
        return Record('W', b + QByteArray(13, '\xAB') + w.trailing);
    }
    b += WaypointStart(w, true) + Text(w.address) + '\0' + LittleEndian(w.duration) +
         Text(w.directions) + LittleEndian(w.linkCount.value_or(qint32(w.links.size()))) +
         texts(w.links) + LittleEndian(w.categories) + flagged(w.temperatureFlag, w.temperature) +
         static_cast<char>(w.timeFlag) + (w.timeFlag != 0 ? LittleEndian(w.time) : QByteArray()) +
         LittleEndian(w.phoneCount.value_or(qint32(w.phones.size() / 2))) + texts(w.phones) +
         Text(w.country) + Text(w.postalCode);
    return Record('W', b + w.trailing);
}

inline QByteArray NamedWaypoint(const QByteArray& name, bool gdb = false) {
    TestWaypoint w;
    w.name = name;
    w.comment = name + " comment";
    return WaypointRecord(w, gdb);
}

// Signature, version and application record: 45 bytes.
inline QByteArray MpsHeader(char version = 'g') {
    return QByteArray("MsRcd\0", 6) + Record('D', QByteArray(1, version) + '\0') +
           Record('A',
                  LittleEndian<qint16>(413) + Text("SQA") + Text("Feb 04 1980") + Text("06:45:00"));
}

// The records between the header and the map set.
inline QByteArray MpsFile(const QByteArray& records, char version = 'g') {
    return MpsHeader(version) + records + kMapSet;
}

// The MPS header with the GDB signature, and the application name after it.
inline QByteArray GdbHeader(const QByteArray& application = "MapSource", char version = 'k') {
    return "MsRcf" + MpsHeader(version).mid(5) + Text(application);
}

inline QByteArray GdbFile(const QByteArray& records, const QByteArray& application = "MapSource",
                          char version = 'k') {
    return GdbHeader(application, version) + records + kMapSet;
}

inline const QString kPath = QStringLiteral("/data/test");

inline QString Damaged(const QString& reason) {
    return QStringLiteral("Can't import /data/test: ") + reason + QLatin1Char('.');
}

inline QString ShortRecord(char letter, qint64 start, qint64 field) {
    return Damaged(QStringLiteral("the %1 record at byte %2 is too short for its fields (the "
                                  "field at byte %3 runs past its end)")
                       .arg(QLatin1Char(letter))
                       .arg(start)
                       .arg(field));
}

inline QString Inform(bool gdb) {
    return QStringLiteral(
               "\r\nPlease inform the program author and send the %1 file you are trying to "
               "import")
        .arg(QLatin1String(gdb ? "GDB" : "MPS"));
}

// A table of files: the names of the waypoints a read adds (space-separated)
// and its message, if any.
inline void RecordsColumns() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("names");
    QTest::addColumn<QString>("message");
}

using BytesReader = ImportResult (*)(QByteArrayView, const QString&, WaypointStore&,
                                     ImportProgress&);

// Reads the row's file into a store that holds one waypoint already: the
// read adds the named waypoints after it, or refuses with nothing added.
inline void CheckRecords(BytesReader read) {
    QFETCH(QByteArray, file);
    QFETCH(QString, names);
    QFETCH(QString, message);
    WaypointStore store;
    store.Waypoints.push_back(Sentinel());
    RecordingProgress progress;
    const ImportResult r = read(file, kPath, store, progress);
    QCOMPARE(Texts(r).join(QLatin1Char('\n')), message);
    for (const UserMessage& m : r.messages) {
        QCOMPARE(m.title, QStringLiteral("Wayfold"));
        QCOMPARE(m.icon, MessageIcon::Exclamation);
    }
    const QStringList added = names.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QCOMPARE(r.result, added.size());
    QCOMPARE(Names(store), QStringList{Sentinel().Name} + added);
}
