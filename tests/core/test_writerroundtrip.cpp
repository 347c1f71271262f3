// Every writer's file read back by our own reader of that format gives the
// waypoints as written.
#include <QTemporaryDir>
#include <QtTest>

#include "core/ansi.h"
#include "locgpx/locreader.h"
#include "locgpx/locwriter.h"
#include "locgpx/terrabytewriter.h"
#include "mapsource/fieldencoding.h"
#include "mapsource/gdbreader.h"
#include "mapsource/gdbwriter.h"
#include "mapsource/mpsreader.h"
#include "mapsource/mpswriter.h"
#include "mapsource/symbols.h"
#include "support/fakes.h"
#include "support/storefile.h"

namespace {

const QString kData = QStringLiteral(WAYFOLD_TEST_DATA "/writers/");

// Hand-made waypoints with everything XML needs escaped, and a control
// character that it cannot carry.
WaypointStore SpecialCharacters() {
    WaypointStore store;
    const auto add = [&store](const QString& name, const QString& description, const QString& url,
                              const QString& linkName) {
        Waypoint w;
        w.Name = name;
        w.Description = description;
        w.Url = url;
        w.LinkName = linkName;
        w.Latitude = -33.86512345678901;
        w.Longitude = 151.2099876543211;
        w.LatSemicircles = DegreesToSemicircles(w.Latitude);
        w.LonSemicircles = DegreesToSemicircles(w.Longitude);
        w.Symbol = NotSet;
        w.Display = NotSet;
        w.CategoryBits = NotSet;
        store.Waypoints.push_back(w);
    };
    add(QStringLiteral("A&B"), QStringLiteral("Fish & <Chips> \"quoted\" 'single'"),
        QStringLiteral("http://x.example/?a=1&b=2"), QStringLiteral("Fish & Chips"));
    add(QStringLiteral("C<D\"E"), QStringLiteral("ends ]]> here ]]"),
        QStringLiteral("http://x.example/]]>"), QStringLiteral("\"q\" <x>"));
    add(QStringLiteral("GC1EUR"), QString::fromUtf8("€5 for Joe’s café\r\nsecond line"),
        QString::fromUtf8("http://x.example/€"), QString::fromUtf8("Joe’s"));
    add(QStringLiteral("CTRL"), QStringLiteral("bell\x07 here"), QStringLiteral("u"),
        QStringLiteral("l"));
    return store;
}

StoreFile Input(const QString& name) {
    if (name.isEmpty()) {
        StoreFile special;
        special.store = SpecialCharacters();
        special.options.IconNumber = 18;
        special.options.DisplayMode = 1;
        special.options.PreserveIcons = true;
        special.options.PreserveDisplay = true;
        special.options.ManualTime = 1796432536;
        special.loaded = true;
        return special;
    }
    return LoadStoreFile(kData + name + QStringLiteral(".json"));
}

using Reader = ImportResult (*)(const QString&, WaypointStore&, ImportProgress&);

// Reads a file into a fresh store; false (with a skip) while the reader is
// not part of the build.
bool ReadBack(Reader reader, const QString& path, WaypointStore& store, QString* problem) {
    RecordingProgress progress;
    const ImportResult result = reader(path, store, progress);
    for (const UserMessage& m : result.messages) {
        *problem += m.text + QLatin1Char('\n');
    }
    return problem->isEmpty();
}

bool NotAvailable(const QString& problem) {
    return problem.contains(QStringLiteral("not available yet"));
}

// The written waypoints with name and description as the MapSource writers
// see them (swapped with SwapNameDesc).
std::vector<Waypoint> Written(const WaypointStore& store, bool swap) {
    std::vector<Waypoint> written;
    for (Waypoint w : store.Waypoints) {
        if (w.Duplicate) {
            continue;
        }
        if (swap) {
            w.Name.swap(w.Description);
        }
        written.push_back(w);
    }
    return written;
}

// What survives the Windows-1252 texts of the binary formats.
QString Latin(const QString& text) {
    return DecodeAnsi(EncodeAnsi(text));
}

}  // namespace

class WriterRoundTripTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    static void stores() {
        QTest::addColumn<QString>("store");
        QTest::newRow("realistic") << QStringLiteral("realistic");
        QTest::newRow("every option turned") << QStringLiteral("options");
        QTest::newRow("special characters") << QString();
    }

private Q_SLOTS:
    void mps_data() { stores(); }
    void mps() {
        QFETCH(QString, store);
        StoreFile input = Input(store);
        QVERIFY(input.loaded);
        const QString path = dir_.filePath(QStringLiteral("roundtrip.mps"));
        QCOMPARE(WriteMpsFile(path, input.store, input.options).status, WriteResult::Written);
        WaypointStore back;
        QString problem;
        if (!ReadBack(&ReadMpsFile, path, back, &problem)) {
            if (NotAvailable(problem)) {
                QSKIP("the MPS reader is not part of this build yet");
            }
            QFAIL(qPrintable(problem));
        }
        const std::vector<Waypoint> written = Written(input.store, input.options.SwapNameDesc);
        QCOMPARE(back.WaypointCount(), qint32(written.size()));
        for (size_t i = 0; i < written.size(); ++i) {
            const Waypoint& w = written[i];
            const Waypoint& r = back.Waypoints[i];
            const WaypointStyle style = ResolveWaypointStyle(w, input.options);
            QCOMPARE(r.Name, Latin(ExportName(w, input.options)));
            QCOMPARE(r.Description, Latin(w.Description));
            QCOMPARE(r.LatSemicircles, w.LatSemicircles);
            QCOMPARE(r.LonSemicircles, w.LonSemicircles);
            QCOMPARE(r.Latitude, SemicirclesToDegrees(w.LatSemicircles));
            QCOMPARE(r.HasAltitude, w.HasAltitude);
            QCOMPARE(r.Altitude, w.Altitude);
            QCOMPARE(r.HasProximity, w.HasProximity);
            QCOMPARE(r.Proximity, w.Proximity);
            QCOMPARE(r.HasDepth, w.HasDepth);
            QCOMPARE(r.Depth, w.Depth);
            QCOMPARE(r.Display, style.DisplayMode);
            QCOMPARE(r.Symbol, style.Symbol);
            QCOMPARE(r.Colour, w.Colour);
        }
    }

    void gdb_data() { stores(); }
    void gdb() {
        QFETCH(QString, store);
        StoreFile input = Input(store);
        QVERIFY(input.loaded);
        const QString path = dir_.filePath(QStringLiteral("roundtrip.gdb"));
        QCOMPARE(WriteGdbFile(path, input.store, input.options).status, WriteResult::Written);
        WaypointStore back;
        QString problem;
        if (!ReadBack(&ReadGdbFile, path, back, &problem)) {
            if (NotAvailable(problem)) {
                QSKIP("the GDB reader is not part of this build yet");
            }
            QFAIL(qPrintable(problem));
        }
        const std::vector<Waypoint> written = Written(input.store, input.options.SwapNameDesc);
        QCOMPARE(back.WaypointCount(), qint32(written.size()));
        for (size_t i = 0; i < written.size(); ++i) {
            const Waypoint& w = written[i];
            const Waypoint& r = back.Waypoints[i];
            const WaypointStyle style = ResolveWaypointStyle(w, input.options);
            QCOMPARE(r.Name, Latin(ExportName(w, input.options)));
            QCOMPARE(r.Description, Latin(input.options.CopyHint ? w.Hint : w.Description));
            QCOMPARE(r.LatSemicircles, w.LatSemicircles);
            QCOMPARE(r.LonSemicircles, w.LonSemicircles);
            QCOMPARE(r.HasAltitude, quint8(w.HasAltitude != 0));
            QCOMPARE(r.Altitude, w.HasAltitude != 0 ? w.Altitude : 0.0);
            QCOMPARE(r.HasProximity, quint8(w.HasProximity != 0));
            QCOMPARE(r.HasDepth, quint8(w.HasDepth != 0));
            QCOMPARE(r.Depth, w.HasDepth != 0 ? w.Depth : 0.0);
            QCOMPARE(r.HasTemperature, quint8(w.HasTemperature != 0));
            QCOMPARE(r.Temperature, w.HasTemperature != 0 ? w.Temperature : 0.0);
            QCOMPARE(r.Display, style.DisplayMode);
            QCOMPARE(r.Symbol, style.Symbol);
            QCOMPARE(r.Colour, w.Colour);
            QCOMPARE(r.Url, Latin(w.Url));
            // 16 bits, bit 15 read back as the sign.
            QCOMPARE(r.CategoryBits, qint32(style.Categories));
            QCOMPARE(r.HasTime, quint8(1));
            QCOMPARE(r.Time, input.options.PreserveTimes && w.Time != 0
                                 ? w.Time
                                 : qint32(input.options.ManualTime));
        }
    }

    void xmlLoc_data() { stores(); }
    void xmlLoc() {
        QFETCH(QString, store);
        StoreFile input = Input(store);
        QVERIFY(input.loaded);
        const QString path = dir_.filePath(QStringLiteral("roundtrip.loc"));
        QCOMPARE(WriteLocFile(path, input.store).status, WriteResult::Written);
        WaypointStore back;
        QString problem;
        if (!ReadBack(&ReadLocFile, path, back, &problem)) {
            if (NotAvailable(problem)) {
                QSKIP("the XML LOC reader is not part of this build yet");
            }
            QFAIL(qPrintable(problem));
        }
        const std::vector<Waypoint> written = Written(input.store, false);
        QCOMPARE(back.WaypointCount(), qint32(written.size()));
        for (size_t i = 0; i < written.size(); ++i) {
            const Waypoint& w = written[i];
            const Waypoint& r = back.Waypoints[i];
            QString description = w.Description;
            description.replace(QChar(7), QLatin1Char('?'));
            QCOMPARE(r.Name, w.Name);
            QCOMPARE(r.Description, description);
            QCOMPARE(r.Url, w.Url);
            QCOMPARE(r.LinkName, w.LinkName);
            // 15 significant digits.
            QVERIFY(qAbs(r.Latitude - w.Latitude) <= 1e-14 * qMax(1.0, qAbs(w.Latitude)));
            QVERIFY(qAbs(r.Longitude - w.Longitude) <= 1e-14 * qMax(1.0, qAbs(w.Longitude)));
            QCOMPARE(r.Symbol, NotSet);
            QCOMPARE(r.Display, NotSet);
            QCOMPARE(r.CategoryBits, NotSet);
        }
    }

    void terraByte_data() { stores(); }
    void terraByte() {
        QFETCH(QString, store);
        StoreFile input = Input(store);
        QVERIFY(input.loaded);
        const QString path = dir_.filePath(QStringLiteral("roundtrip.tb.loc"));
        QCOMPARE(WriteTerraByteFile(path, input.store, input.options).status, WriteResult::Written);
        WaypointStore back;
        QString problem;
        if (!ReadBack(&ReadLocFile, path, back, &problem)) {
            if (NotAvailable(problem)) {
                QSKIP("the LOC readers are not part of this build yet");
            }
            QFAIL(qPrintable(problem));
        }
        const std::vector<Waypoint> written = Written(input.store, false);
        QCOMPARE(back.WaypointCount(), qint32(written.size()));
        for (size_t i = 0; i < written.size(); ++i) {
            const Waypoint& w = written[i];
            const Waypoint& r = back.Waypoints[i];
            QCOMPARE(r.Name, Latin(ExportName(w, input.options, CacheCodes::TerraByte)));
            QCOMPARE(r.Comment, Latin(w.Comment));
            QCOMPARE(r.Description, Latin(w.Description));
            QCOMPARE(r.TypeText, Latin(w.TypeText));
            QCOMPARE(r.Latitude, w.Latitude);
            QCOMPARE(r.Longitude, w.Longitude);
            QCOMPARE(r.HasAltitude, quint8(w.HasAltitude != 0));
            QCOMPARE(r.Altitude, w.HasAltitude != 0 ? w.Altitude : 0.0);
            QCOMPARE(r.Url, Latin(w.Url));
            QCOMPARE(r.LinkName, Latin(w.LinkName));
            // The symbol comes back from the type text.
            QCOMPARE(r.Symbol, SymbolNumber(w.TypeText).value_or(NotSet));
        }
    }
};

QTEST_GUILESS_MAIN(WriterRoundTripTest)
#include "test_writerroundtrip.moc"
