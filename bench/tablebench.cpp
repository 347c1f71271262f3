// Times the window's waypoint table on a large store: a model reset (what a
// new store and an export cost the table), a sort by each kind of column, the
// filter as one letter is typed, following an import that appends in
// batches, and removing every row and putting them back. Prints one table of
// medians: wayfold-tablebench [COUNT] [RUNS] [MAP.gpx]
// With a GPX file (wayfold-generate makes one), a second table times the map
// on its caches: a redraw after a pan and after a zoom, at the zoom that
// shows all of them and at one that shows a town; there are no tiles, so the
// figures are the map's own drawing.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTableView>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "app/consolefrontend.h"
#include "session/importer.h"
#include "session/process.h"
#include "session/session.h"
#include "session/settingsstore.h"
#include "ui/mappane.h"
#include "ui/waypointmodel.h"
#include "ui/waypointtable.h"

namespace {

// Caches as a pocket query holds them: codes, titles with owner and type,
// coordinates, times, links and listings; one in twenty a copy of an earlier name in
// other letter case, so that the duplicate forecast has work to do.
std::vector<Waypoint> Caches(int count) {
    static const char* const types[] = {"Traditional Cache", "Multi-cache", "Unknown Cache",
                                        "Letterbox Hybrid",  "Earthcache",  "Virtual Cache"};
    static const char* const digits = "0123456789ABCDEFGHJKMNPQRTVWXYZ";
    QRandomGenerator random(20261206);
    static const char* const sizes[] = {"Micro", "Small", "Regular", "Large", "Other"};
    // What the GPX reader keeps of a pocket query's cache: type, cache
    // element with descriptions and two logs, a few kilobytes.
    const QByteArray prose = QByteArray("The cache is hidden near the old oak tree. ").repeated(12);
    const auto listing = [&](const QString& type, int i, QRandomGenerator& r) {
        const QByteArray t = type.toUtf8();
        const QByteArray log = "<groundspeak:log id=\"" + QByteArray::number(i) +
                               "\"><groundspeak:date>2024-05-01T19:00:00Z</groundspeak:date>"
                               "<groundspeak:type>Found it</groundspeak:type><groundspeak:finder "
                               "id=\"7\">finder</groundspeak:finder><groundspeak:text "
                               "encoded=\"False\">" +
                               prose + "</groundspeak:text></groundspeak:log>";
        return "<sym>Geocache</sym><type>Geocache|" + t + "</type><groundspeak:cache id=\"" +
               QByteArray::number(i) + "\" available=\"" + (r.bounded(10) == 0 ? "False" : "True") +
               "\" archived=\"" + (r.bounded(20) == 0 ? "True" : "False") +
               "\"><groundspeak:name>Cache</groundspeak:name><groundspeak:placed_by>owner</"
               "groundspeak:placed_by><groundspeak:owner id=\"1\">owner</"
               "groundspeak:owner><groundspeak:type>" +
               t + "</groundspeak:type><groundspeak:container>" + sizes[r.bounded(5)] +
               "</groundspeak:container><groundspeak:difficulty>" +
               QByteArray::number(1 + r.bounded(9) / 2.0) +
               "</groundspeak:difficulty><groundspeak:terrain>" +
               QByteArray::number(1 + r.bounded(9) / 2.0) +
               "</groundspeak:terrain><groundspeak:short_description html=\"False\">" + prose +
               "</groundspeak:short_description><groundspeak:long_description html=\"True\">" +
               prose.repeated(3) + "</groundspeak:long_description><groundspeak:logs>" + log + log +
               "</groundspeak:logs></groundspeak:cache>";
    };
    std::vector<Waypoint> caches;
    caches.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        Waypoint w;
        if (i > 20 && random.bounded(20) == 0) {
            w.Name = caches[random.bounded(static_cast<quint32>(i))].Name.toLower();
        } else {
            w.Name = QStringLiteral("GC");
            for (int d = 0; d < 5; ++d) {
                w.Name.append(QLatin1Char(digits[random.bounded(31)]));
            }
        }
        const char* type = types[random.bounded(6)];
        w.CacheType = QString::fromLatin1(type);
        w.Description = QStringLiteral("Cache number %1 by owner %2, %3 (2/3)")
                            .arg(i)
                            .arg(random.bounded(5000))
                            .arg(w.CacheType);
        w.Latitude = random.bounded(180.0) - 90;
        w.Longitude = random.bounded(360.0) - 180;
        w.Symbol = 117 + static_cast<qint32>(random.bounded(2));
        w.HasTime = 1;
        w.Time = 1000000000 + static_cast<qint32>(random.bounded(700000000));
        w.Url = QStringLiteral("https://www.geocaching.com/geocache/") + w.Name;
        w.File = QStringLiteral("/home/user/pq%1.gpx").arg(i / 1000);
        w.Listing = listing(w.CacheType, i, random);
        caches.push_back(std::move(w));
    }
    return caches;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The map on the caches of a GPX file, drawn without tiles.
int MapBench(const char* file, int runs) {
    ConsoleFrontend console;
    MemorySettingsStore settings;
    QtProcessStarter processes;
    Session session(console, settings, processes, &SystemClockUtc, QDir::tempPath());
    session.options.TileAddress.clear();
    if (!ImportFile(session, QString::fromLocal8Bit(file)) || session.store.WaypointCount() == 0) {
        std::fprintf(stderr, "cannot import %s\n", file);
        return 1;
    }
    WaypointModel model(session);
    QItemSelectionModel selection(&model);
    MapPane map(session, &model, &selection);
    map.resize(900, 700);
    map.show();
    QApplication::processEvents();

    struct Row {
        const char* what;
        int zoomIn;  // steps in from the zoom that shows all
        std::function<void()> run;
    };
    const QPointF middle(450, 350);
    const auto pan = [&] {
        map.setView(
            PlaceOfPixel(WorldPixel(map.centre(), map.zoom()) + QPointF(225, 0), map.zoom()),
            map.zoom());
    };
    const Row rows[] = {
        {"pan a quarter of the view, all caches in view", 0, pan},
        {"zoom in about the middle, from all caches in view", 0,
         [&] { map.zoomAbout(middle, map.zoom() + 1); }},
        {"zoom out about the middle, to all caches in view", 1,
         [&] { map.zoomAbout(middle, map.zoom() - 1); }},
        {"pan a quarter of the view, a town in view", 6, pan},
        {"zoom in about the middle, a town in view", 6,
         [&] { map.zoomAbout(middle, map.zoom() + 1); }},
        // What the first redraw costs after an import, a sort or a filter.
        {"redraw after the rows changed (index built anew), all in view", 0,
         [&] { Q_EMIT model.layoutChanged(); }},
    };
    const qint32 count = session.store.WaypointCount();
    std::printf("\n| Map redraw | Waypoints | Median of %d | Slowest |\n|---|---:|---:|---:|\n",
                runs * 10);
    for (const Row& row : rows) {
        std::vector<double> seconds;
        for (int r = 0; r < runs * 10; ++r) {
            map.zoomToAll();
            map.zoomAbout(middle, map.zoom() + row.zoomIn);
            map.repaint();
            QElapsedTimer timer;
            timer.start();
            row.run();
            map.repaint();
            seconds.push_back(timer.nsecsElapsed() / 1e9);
        }
        std::printf("| %s | %d | %.1f ms | %.1f ms |\n", row.what, count, Median(seconds) * 1000,
                    *std::max_element(seconds.begin(), seconds.end()) * 1000);
    }
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    }
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    ConsoleFrontend console;
    MemorySettingsStore settings;
    QtProcessStarter processes;
    Session session(console, settings, processes, &SystemClockUtc, QDir::tempPath());
    const std::vector<Waypoint> caches = Caches(count);

    WaypointTable table(session);
    table.resize(1000, 400);
    table.show();
    QApplication::processEvents();
    QTableView* view = table.view();

    struct Row {
        const char* what;
        std::function<void()> prepare;
        std::function<void()> run;
    };
    const auto fill = [&] { session.store.Waypoints = caches; };
    // What a click on a column's header does.
    const auto click = [&](int column, Qt::SortOrder order) {
        view->horizontalHeader()->setSortIndicator(column, order);
    };
    const auto unsorted = [&] { click(-1, Qt::AscendingOrder); };
    // Every record shown in import order, all rows selected.
    const std::function<void()> selectAllRows = [&] {
        table.filterBox()->clear();
        fill();
        table.storeChanged();
        unsorted();
        view->selectAll();
    };
    const Row rows[] = {
        {"model reset (a new store)",
         [&] {
             session.store.Waypoints.clear();
             table.storeChanged();
             unsorted();
             fill();
         },
         [&] { table.storeChanged(); }},
        {"model reset after an export sorted the store",
         [&] {
             fill();
             table.storeChanged();
             unsorted();
             std::reverse(session.store.Waypoints.begin(), session.store.Waypoints.end());
         },
         [&] { table.storeChanged(); }},
        {"sort by name",
         [&] {
             fill();
             table.storeChanged();
             unsorted();
         },
         [&] { click(WaypointModel::Name, Qt::AscendingOrder); }},
        {"sort by description, descending",
         [&] {
             fill();
             table.storeChanged();
             unsorted();
         },
         [&] { click(WaypointModel::Description, Qt::DescendingOrder); }},
        {"sort by latitude",
         [&] {
             fill();
             table.storeChanged();
             unsorted();
         },
         [&] { click(WaypointModel::Latitude, Qt::AscendingOrder); }},
        {"sort by D/T",
         [&] {
             fill();
             table.storeChanged();
             unsorted();
         },
         [&] { click(WaypointModel::Rating, Qt::AscendingOrder); }},
        {"model reset, sorted by name",
         [&] {
             session.store.Waypoints.clear();
             table.storeChanged();
             fill();
             click(WaypointModel::Name, Qt::AscendingOrder);
         },
         [&] { table.storeChanged(); }},
        {"filter: one letter typed",
         [&] {
             table.filterBox()->clear();
             fill();
             table.storeChanged();
             unsorted();
         },
         [&] { table.filterBox()->setText(QStringLiteral("u")); }},
        {"import in batches of 1,000, sorted by name",
         [&] {
             table.filterBox()->clear();
             session.store.Waypoints.clear();
             table.storeChanged();
             click(WaypointModel::Name, Qt::AscendingOrder);
             table.storeChanged();
         },
         [&] {
             for (size_t at = 0; at < caches.size(); at += 1000) {
                 const size_t end = std::min(caches.size(), at + 1000);
                 session.store.Waypoints.insert(session.store.Waypoints.end(), caches.begin() + at,
                                                caches.begin() + end);
                 table.followStore();
             }
             table.importEnded();
         }},
        {"remove all rows (Ctrl+A, Delete)", selectAllRows, [&] { table.removeSelected(); }},
        {"undo the removal of all rows (Ctrl+Z)",
         [&] {
             selectAllRows();
             table.removeSelected();
         },
         [&] { table.undoRemove(); }},
    };
    std::printf("| Table operation | Rows | Median of %d | Slowest |\n|---|---:|---:|---:|\n",
                runs);
    for (const Row& row : rows) {
        std::vector<double> seconds;
        for (int r = 0; r < runs; ++r) {
            row.prepare();
            QApplication::processEvents();
            QElapsedTimer timer;
            timer.start();
            row.run();
            // The view lays out and paints what it was told.
            QApplication::processEvents();
            seconds.push_back(timer.nsecsElapsed() / 1e9);
        }
        std::printf("| %s | %d | %.3f s | %.3f s |\n", row.what, count, Median(seconds),
                    *std::max_element(seconds.begin(), seconds.end()));
    }
    return argc > 3 ? MapBench(argv[3], runs) : 0;
}
