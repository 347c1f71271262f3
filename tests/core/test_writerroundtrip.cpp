// Every writer's file read back by our own reader of that format gives the
// waypoints as written.
#include <QTemporaryDir>
#include <QtTest>

#include "core/ansi.h"
#include "mapsource/fieldencoding.h"
#include "mapsource/symbols.h"
#include "support/storefile.h"

namespace {

// What survives the Windows-1252 texts of the binary formats.
QString Latin(const QString& text) {
    return DecodeAnsi(EncodeAnsi(text));
}

}  // namespace

class WriterRoundTripTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private Q_SLOTS:
    void roundTrip_data() {
        QTest::addColumn<ExportKind>("kind");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("store");  // empty: SpecialCharacters()
        QTest::addColumn<int>("gdbVersion");
        for (const auto& [kind, file] : kKinds) {
            for (const int version : {1, 3}) {
                if (version == 3 && kind != ExportKind::Gdb) {
                    continue;
                }
                for (const char* store : {"realistic", "options", ""}) {
                    QTest::addRow("%s%s %s", file, version == 3 ? " v3" : "", store)
                        << kind << QString::fromLatin1(file) << QString::fromLatin1(store)
                        << version;
                }
            }
        }
    }
    void roundTrip() {
        QFETCH(ExportKind, kind);
        QFETCH(QString, fileName);
        QFETCH(QString, store);
        QFETCH(int, gdbVersion);
        StoreFile input = store.isEmpty() ? SpecialCharacters() : LoadStoreFile(store);
        QVERIFY(input.loaded);
        input.options.GdbVersion = gdbVersion;
        const Options& o = input.options;
        // Version 3 of GDB carries every character, the other binary
        // formats only those of Windows-1252.
        const auto written8bit = [gdbVersion](const QString& text) {
            return gdbVersion == 3 ? text : Latin(text);
        };
        const QString path = dir_.filePath(fileName);
        QCOMPARE(WriteKind(kind, path, input.store, o).status, WriteResult::Written);
        WaypointStore back;
        const QStringList problems = ReadKind(kind, path, back);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));

        const bool mapSource = kind == ExportKind::Mps || kind == ExportKind::Gdb;
        std::vector<Waypoint> written;
        for (Waypoint w : input.store.Waypoints) {
            if ((mapSource || kind == ExportKind::Gpx) && o.SwapNameDesc) {
                w.Name.swap(w.Description);
            }
            if (!w.Duplicate) {
                written.push_back(w);
            }
        }
        QCOMPARE(back.WaypointCount(), qint32(written.size()));
        for (size_t i = 0; i < written.size(); ++i) {
            const Waypoint& w = written[i];
            const Waypoint& r = back.Waypoints[i];
            if (mapSource) {
                const WaypointStyle style = ResolveWaypointStyle(w, o);
                QCOMPARE(r.Name, written8bit(ExportName(w, o)));
                QCOMPARE(r.LatSemicircles, w.LatSemicircles);
                QCOMPARE(r.LonSemicircles, w.LonSemicircles);
                QCOMPARE(r.Latitude, SemicirclesToDegrees(w.LatSemicircles));
                QCOMPARE(r.Display, style.DisplayMode);
                QCOMPARE(r.Symbol, style.Symbol);
                QCOMPARE(r.Colour, w.Colour);
            }
            if (kind == ExportKind::Mps) {
                QCOMPARE(r.Description, Latin(w.Description));
                QCOMPARE(r.HasAltitude, w.HasAltitude);
                QCOMPARE(r.Altitude, w.Altitude);
                QCOMPARE(r.HasProximity, w.HasProximity);
                QCOMPARE(r.Proximity, w.Proximity);
                QCOMPARE(r.HasDepth, w.HasDepth);
                QCOMPARE(r.Depth, w.Depth);
            } else if (kind == ExportKind::Gdb) {
                QCOMPARE(r.Description, written8bit(o.CopyHint ? w.Hint : w.Description));
                QCOMPARE(r.HasAltitude, quint8(w.HasAltitude != 0));
                QCOMPARE(r.Altitude, w.HasAltitude != 0 ? w.Altitude : 0.0);
                QCOMPARE(r.HasProximity, quint8(w.HasProximity != 0));
                QCOMPARE(r.HasDepth, quint8(w.HasDepth != 0));
                QCOMPARE(r.Depth, w.HasDepth != 0 ? w.Depth : 0.0);
                QCOMPARE(r.HasTemperature, quint8(w.HasTemperature != 0));
                QCOMPARE(r.Temperature, w.HasTemperature != 0 ? w.Temperature : 0.0);
                QCOMPARE(r.Url, written8bit(w.Url));
                // 16 bits, bit 15 read back as the sign.
                QCOMPARE(r.CategoryBits, qint32(ResolveWaypointStyle(w, o).Categories));
                QCOMPARE(r.HasTime, quint8(1));
                QCOMPARE(r.Time, o.PreserveTimes && w.Time != 0 ? w.Time : qint32(o.ManualTime));
            } else if (kind == ExportKind::Gpx) {
                // Every character XML can carry, coordinates to the last bit.
                QCOMPARE(r.Name, ExportName(w, o));
                QCOMPARE(r.Description, QString(w.Description).remove(QChar(7)));
                QCOMPARE(r.Latitude, w.Latitude);
                QCOMPARE(r.Longitude, w.Longitude);
                QCOMPARE(r.HasAltitude, quint8(w.HasAltitude != 0));
                QCOMPARE(r.Altitude, w.HasAltitude != 0 ? w.Altitude : 0.0);
                QCOMPARE(r.HasTime, quint8(w.HasTime != 0 ? 255 : 0));
                QCOMPARE(r.Time, w.HasTime != 0 ? w.Time : 0);
                QCOMPARE(r.Url, w.Url);
                QCOMPARE(r.LinkName, w.LinkName);
                // Which waypoints are caches the golden files show.
                if (r.Symbol == 117 || r.Symbol == 118) {
                    QCOMPARE(r.Hint, w.Hint);
                    QCOMPARE(r.CacheType,
                             w.CacheType.isEmpty()       ? QStringLiteral("Traditional Cache")
                             : w.CacheType == u"unknown" ? QStringLiteral("Unknown Cache")
                                                         : w.CacheType);
                } else {
                    QCOMPARE(r.Hint, QStringLiteral(" - No Hints - "));
                    QCOMPARE(r.Symbol, SymbolName(w.Symbol).isEmpty() ? 18 : w.Symbol);
                }
            } else if (kind == ExportKind::Loc) {
                QCOMPARE(r.Name, w.Name);
                QCOMPARE(r.Description, QString(w.Description).replace(QChar(7), u'?'));
                QCOMPARE(r.Url, w.Url);
                QCOMPARE(r.LinkName, w.LinkName);
                // 15 significant digits.
                QVERIFY(qAbs(r.Latitude - w.Latitude) <= 1e-14 * qMax(1.0, qAbs(w.Latitude)));
                QVERIFY(qAbs(r.Longitude - w.Longitude) <= 1e-14 * qMax(1.0, qAbs(w.Longitude)));
                QCOMPARE(r.Symbol, NotSet);
                QCOMPARE(r.Display, NotSet);
                QCOMPARE(r.CategoryBits, NotSet);
            } else {
                QCOMPARE(r.Name, Latin(ExportName(w, o, CacheCodes::TerraByte)));
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
    }

    // Neither MapSource format has a count field: every waypoint is written.
    void moreThan32767Waypoints_data() { AddKindRows(); }
    void moreThan32767Waypoints() {
        QFETCH(ExportKind, kind);
        QFETCH(QString, fileName);
        WaypointStore store;
        for (int i = 0; i < 33000; ++i) {
            store.Waypoints.push_back(
                NamedWaypoint(QStringLiteral("W%1").arg(i, 5, 10, QLatin1Char('0'))));
        }
        const QString path = dir_.filePath(fileName);
        QCOMPARE(WriteKind(kind, path, store, TestOptions()).waypoints, 33000);
        WaypointStore back;
        QCOMPARE(ReadKind(kind, path, back), QStringList());
        QCOMPARE(back.WaypointCount(), 33000);
        QCOMPARE(back.Waypoints.back().Name, QStringLiteral("W32999"));
    }
};

QTEST_GUILESS_MAIN(WriterRoundTripTest)
#include "test_writerroundtrip.moc"
