#pragma once

// What the reader tests share: a waypoint's fields as text for tables that
// name the fields they check, tables of documents kept in case files, and
// the German locale.

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringList>
#include <QTest>
#include <charconv>
#include <clocale>

#include "core/store.h"
#include "session/importer.h"
#include "support/fakes.h"

// A waypoint put in the store before a read, to see that the read leaves it.
inline Waypoint Sentinel() {
    Waypoint w;
    w.Name = QStringLiteral("already here");
    return w;
}

inline QStringList Names(const WaypointStore& store, qint32 from = 1) {
    QStringList names;
    for (qint32 n = from; n <= store.WaypointCount(); ++n) {
        names.push_back(store.record(n).Name);
    }
    return names;
}

// One field of a waypoint as text. A flag and its value read "1 12.5";
// "Position" is the degrees and "Semicircles" the semicircles, either marked
// "(inconsistent)" when the two disagree. Doubles in their shortest exact
// form.
inline QString FieldText(const Waypoint& w, const QString& field) {
    const auto number = [](double v) {
        char text[32];
        return QString::fromLatin1(text, std::to_chars(text, text + sizeof text, v).ptr - text);
    };
    const auto flagged = [&](quint8 flag, auto value) {
        return QString::number(flag) + QLatin1Char(' ') + number(value);
    };
    const QString consistent = DegreesToSemicircles(w.Latitude) == w.LatSemicircles &&
                                       DegreesToSemicircles(w.Longitude) == w.LonSemicircles
                                   ? QString()
                                   : QStringLiteral(" (inconsistent)");
    const std::pair<const char*, QString> fields[] = {
        {"Name", w.Name},
        {"Description", w.Description},
        {"Url", w.Url},
        {"LinkName", w.LinkName},
        {"Comment", w.Comment},
        {"TypeText", w.TypeText},
        {"CacheType", w.CacheType},
        {"Hint", w.Hint},
        {"Position", number(w.Latitude) + QLatin1Char(' ') + number(w.Longitude) + consistent},
        {"Semicircles",
         QStringLiteral("%1 %2").arg(w.LatSemicircles).arg(w.LonSemicircles) + consistent},
        {"Altitude", flagged(w.HasAltitude, w.Altitude)},
        {"Depth", flagged(w.HasDepth, w.Depth)},
        {"Proximity", flagged(w.HasProximity, w.Proximity)},
        {"Temperature", flagged(w.HasTemperature, w.Temperature)},
        {"Time", flagged(w.HasTime, w.Time)},
        {"Symbol", QString::number(w.Symbol)},
        {"Colour", QString::number(w.Colour)},
        {"Display", QString::number(w.Display)},
        {"CategoryBits", QString::number(w.CategoryBits)}};
    for (const auto& [name, text] : fields) {
        if (field == QLatin1String(name)) {
            return text;
        }
    }
    return QStringLiteral("(no field ") + field + QLatin1Char(')');
}

// The fields named in a comma-separated list, joined by "|".
inline QString FieldsText(const Waypoint& w, const QString& fields) {
    QStringList texts;
    for (const QString& field : fields.split(QLatin1Char(','))) {
        texts.push_back(FieldText(w, field));
    }
    return texts.join(QLatin1Char('|'));
}

// Bytes written with escapes: \xNN is that byte, \n and \r are line ends.
inline QByteArray Unescaped(const QByteArray& text) {
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] == '\\' && next == 'x' && i + 3 < text.size()) {
            bytes += QByteArray::fromHex(text.mid(i + 2, 2));
            i += 3;
        } else if (text[i] == '\\' && (next == 'n' || next == 'r')) {
            bytes += next == 'n' ? '\n' : '\r';
            ++i;
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

// The cases of tables in tests/data, one case a line, its fields separated
// by tabs: a name, the document (see Unescaped) and what is expected of it,
// one "key: value" at least. Lines starting with # are comments. The rows
// name the reader or writer ("kind") they are for, and are tagged with it.
inline void AddCase(const QString& kind, const QString& name, const QByteArray& document,
                    const QStringList& expected) {
    QTest::addRow("%s: %s", qPrintable(kind), qPrintable(name)) << kind << document << expected;
}

// The columns of the current test, and the cases of the tables given (paths
// in tests/data) with the kind each is for.
inline void AddCaseLines(std::initializer_list<std::pair<const char*, const char*>> tables) {
    AddColumns<QString, QByteArray, QStringList>("kind", "document", "expected");
    for (const auto& [table, kind] : tables) {
        QFile file(QStringLiteral(WAYFOLD_TEST_DATA "/") + QLatin1String(table));
        QVERIFY2(file.open(QIODevice::ReadOnly), table);
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QList<QByteArray> fields = line.split('\t');
            if (line.trimmed().isEmpty() || line.startsWith('#')) {
                continue;
            }
            QVERIFY2(fields.size() >= 3, line.constData());
            QStringList expected;
            for (const QByteArray& field : fields.mid(2)) {
                expected += QString::fromUtf8(Unescaped(field));
            }
            AddCase(QLatin1String(kind), QString::fromUtf8(fields[0]), Unescaped(fields[1]),
                    expected);
        }
    }
}

using FileReader = ImportResult (*)(const QString&, WaypointStore&, ImportProgress&);

// Reads path with reader into a store that holds one waypoint already (or
// "stored: n"), with "cancel: n" asked for at the n-th progress event, and
// checks what a case expects (see AddCaseLines), and that nothing else was
// said. "totals: 20 40" are the running totals shown; "progress: n" says
// the whole file was reported read, n bytes of it at least by the last step.
inline void CheckRead(FileReader reader, const QString& path, const QStringList& expected) {
    WaypointStore store;
    RecordingProgress progress;
    qint32 before = 1;
    for (const QString& e : expected) {
        const int n = e.section(QLatin1Char(' '), 1).toInt();
        before = e.startsWith(QLatin1String("stored: ")) ? n : before;
        progress.cancelAfterEvents =
            e.startsWith(QLatin1String("cancel: ")) ? n : progress.cancelAfterEvents;
    }
    store.Waypoints.resize(size_t(before));
    store.Waypoints[0] = Sentinel();
    const ImportResult r = reader(path, store, progress);
#ifdef Q_OS_WIN
    // Qt for Windows is built here without ICU, so its decoders are those of
    // the UTFs and Latin-1 only: a file in another encoding that the reader
    // then refuses is a known gap, marked so and not hidden.
    const QRegularExpressionMatch declared =
        QRegularExpression(QStringLiteral("encoding=[\"']([A-Za-z0-9._:-]+)[\"']"))
            .match(QString::fromLatin1(FileBytes(path).left(300)));
    if (declared.hasMatch() && !QStringDecoder(declared.captured(1).toLatin1()).isValid() &&
        Texts(r.messages).join(u'|').contains(QLatin1String("is not supported")) &&
        !expected.join(u'|').contains(QLatin1String("is not supported"))) {
        QEXPECT_FAIL("", "Qt for Windows has no decoder for this encoding (no ICU)", Abort);
        QVERIFY(!Texts(r.messages).join(u'|').contains(QLatin1String("is not supported")));
    }
#endif
    QStringList messages;
    qint32 result = store.WaypointCount() - before;
    for (const QString& e : expected) {
        const qsizetype colon = e.indexOf(QLatin1Char(':'));
        const QString key = e.left(colon);
        const QString value = e.mid(colon + 2);
        if (key == QLatin1String("names")) {
            QCOMPARE(Names(store, before + 1).join(QLatin1Char('|')), value);
        } else if (key == QLatin1String("error")) {
            messages +=
                QStringLiteral("Error parsing ") + path + QStringLiteral("\r\nReason: ") + value;
            QCOMPARE(r.messages.size(), size_t(1));
            QCOMPARE(r.messages.front().title, QStringLiteral("Parse Error"));
            QCOMPARE(r.messages.front().icon, MessageIcon::Critical);
            QCOMPARE(store.WaypointCount(), before);
        } else if (key == QLatin1String("message")) {
            messages += QString(value).replace(QLatin1String("%1"), path);
        } else if (key == QLatin1String("result")) {
            result = value.toInt();
        } else if (key == QLatin1String("totals")) {
            QStringList totals;
            for (const qint32 total : progress.runningTotals) {
                totals += QString::number(total);
            }
            QCOMPARE(totals.join(QLatin1Char(' ')), value);
        } else if (key == QLatin1String("progress")) {
            QCOMPARE(progress.fileProgress.second, QFileInfo(path).size());
            QVERIFY(progress.fileProgress.first >= value.toLongLong());
        } else if (key != QLatin1String("stored") && key != QLatin1String("cancel")) {
            const qsizetype at = key.indexOf(QLatin1Char('@'));
            const qint32 n = at < 0 ? 1 : key.mid(at + 1).toInt();
            QVERIFY(n >= 1 && n <= store.WaypointCount() - before);
            QCOMPARE(FieldsText(store.record(before + n), key.left(at)), value);
        }
    }
    QCOMPARE(Texts(r.messages), messages);
    QCOMPARE(r.result, result);
    QCOMPARE(store.record(1).Name, Sentinel().Name);
    QCOMPARE(store.CoordinatesFixed, !Names(store).filter(QStringLiteral("FIXED-")).isEmpty());
}

// Writes the row's document to the file name in folder and reads it with
// CheckRead.
inline void CheckCase(FileReader reader, const QString& folder, const QString& name) {
    QFETCH(QByteArray, document);
    QFETCH(QStringList, expected);
    const QString path = QDir(folder).filePath(name);
    QVERIFY(MakeFile(path, document));
    CheckRead(reader, path, expected);
}

// Makes the locale of this process, once the application object exists,
// the German one, whose decimal separator is a comma; false when the test
// build has none compiled.
inline bool UseGermanLocale() {
#ifdef Q_OS_WIN
    // Windows has its locales built in; a program picks one itself.
    return std::setlocale(LC_ALL, "German_Germany.1252") != nullptr;
#endif
    const QByteArray locales = qgetenv("WAYFOLD_LOCPATH");
    if (locales.isEmpty() || !QFileInfo(QString::fromLocal8Bit(locales + "/de_DE.UTF-8")).isDir()) {
        return false;
    }
    qputenv("LOCPATH", locales);
    qputenv("LANG", "de_DE.UTF-8");
    qputenv("LC_ALL", "de_DE.UTF-8");
    return true;
}

// A test's main that runs the whole test under the German locale when the
// build has one: numbers in files
// are read the same in every locale, and pugixml's own number reading would
// take "47.5" for 47 there.
#define WAYFOLD_GERMAN_TEST_MAIN(TestClass)                       \
    int main(int argc, char** argv) {                             \
        const bool german = UseGermanLocale();                    \
        QCoreApplication app(argc, argv);                         \
        if (german && *std::localeconv()->decimal_point != ',') { \
            qFatal("The German locale did not take effect.");     \
        }                                                         \
        TestClass test;                                           \
        return QTest::qExec(&test, argc, argv);                   \
    }
