// Times the window's waypoint table on a large store: a model reset (what an
// export or a clear costs the table), a sort by each kind of column, the
// filter as one letter is typed, following an import that appends in
// batches, and removing every row and putting them back. Prints one table of
// medians: wayfold-tablebench [COUNT] [RUNS]
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTableView>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "app/consolefrontend.h"
#include "session/process.h"
#include "session/session.h"
#include "session/settingsstore.h"
#include "ui/waypointmodel.h"
#include "ui/waypointtable.h"

namespace {

// Caches as a pocket query holds them: codes, titles with owner and type,
// coordinates, times and links; one in twenty a copy of an earlier name in
// other letter case, so that the duplicate forecast has work to do.
std::vector<Waypoint> Caches(int count) {
    static const char* const types[] = {"Traditional Cache", "Multi-cache", "Unknown Cache",
                                        "Letterbox Hybrid",  "Earthcache",  "Virtual Cache"};
    static const char* const digits = "0123456789ABCDEFGHJKMNPQRTVWXYZ";
    QRandomGenerator random(20261206);
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
        caches.push_back(std::move(w));
    }
    return caches;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
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
    const Row rows[] = {
        {"model reset (export or clear)",
         [&] {
             session.store.Waypoints.clear();
             table.storeChanged();
             unsorted();
             fill();
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
        {"remove all rows (Ctrl+A, Delete)",
         [&] {
             table.filterBox()->clear();
             fill();
             table.storeChanged();
             unsorted();
             view->selectAll();
         },
         [&] { table.removeSelected(); }},
        {"undo the removal of all rows (Ctrl+Z)",
         [&] {
             table.filterBox()->clear();
             fill();
             table.storeChanged();
             unsorted();
             view->selectAll();
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
    return 0;
}
