// The map: its projection, selection between map and table, and
// tiles from servers on the loopback interface that this test starts.
#include <QBuffer>
#include <QImage>
#include <QLineEdit>
#include <QSplitter>
#include <QTcpServer>
#include <QTcpSocket>
#include <cmath>
#include <set>

#include "core/mapgeometry.h"
#include "ui/listingpane.h"
#include "ui/mappane.h"
#include "ui/tileloader.h"
#include "ui/waypointmodel.h"
#include "windowfixture.h"

namespace {

// Answers GET /z/x/y.png after a while with a tile drawn on the spot, in one
// colour a tile; counts the requests it holds at a time.
class TileServer final : public QObject {
public:
    TileServer() {
        QVERIFY(server_.listen(QHostAddress::LocalHost, 0));
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QString address() const {
        return QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(server_.serverPort());
    }
    static QColor colourOf(const QString& path) {
        return QColor::fromHsv(static_cast<int>(qHash(path) % 360), 120, 200);
    }

    QStringList paths;  // every request's path, in order
    QString agent;      // the first request's User-Agent
    int open = 0;
    int peak = 0;

private:
    void read(QTcpSocket* socket) {
        QByteArray& request = pending_[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n")) {
            return;
        }
        const QString path = QString::fromLatin1(request.split(' ').value(1));
        if (paths.isEmpty()) {
            agent = QString::fromLatin1(request)
                        .section(QStringLiteral("User-Agent: "), 1)
                        .section(u'\r', 0, 0);
        }
        pending_.remove(socket);
        paths.push_back(path);
        peak = std::max(peak, ++open);
        QTimer::singleShot(100, socket, [this, socket, path] {
            --open;
            QByteArray body;
            QBuffer png(&body);
            QImage tile(kTileSize, kTileSize, QImage::Format_RGB32);
            tile.fill(colourOf(path));
            QVERIFY(png.open(QIODevice::WriteOnly) && tile.save(&png, "PNG"));
            socket->write(
                "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\n"
                "Cache-Control: max-age=86400\r\nContent-Length: " +
                QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
            socket->disconnectFromHost();
        });
    }

    QTcpServer server_;
    QHash<QTcpSocket*, QByteArray> pending_;
};

// The tile under a point of the pane, as "/z/x/y.png".
QString TileAt(MapPane* map, QPointF at) {
    const QPointF pixel = WorldPixel(map->centre(), map->zoom()) -
                          QPointF(map->width() / 2.0, map->height() / 2.0) + at;
    const int last = (1 << map->zoom()) - 1;
    return QStringLiteral("/%1/%2/%3.png")
        .arg(map->zoom())
        .arg(std::clamp(int(std::floor(pixel.x() / kTileSize)), 0, last))
        .arg(std::clamp(int(std::floor(pixel.y() / kTileSize)), 0, last));
}

// The tiles the pane covers.
std::set<QString> TilesInView(MapPane* map) {
    std::set<QString> tiles;
    for (int y = 0; y < map->height() + kTileSize; y += kTileSize / 2) {
        for (int x = 0; x < map->width() + kTileSize; x += kTileSize / 2) {
            tiles.insert(
                TileAt(map, QPointF(std::min(x, map->width()), std::min(y, map->height()))));
        }
    }
    return tiles;
}

// The window shown with the map large enough for a few tiles, at this view
// when one is given.
void ShowLarge(WindowFixture& f, std::optional<std::pair<GeoPoint, int>> view = {}) {
    f.window->resize(1600, 1200);
    f.find<QSplitter>("splListing")->setSizes({600, 1000});
    f.find<QSplitter>("splMap")->setSizes({800, 200});
    if (view) {
        f.window->mapPane()->setView(view->first, view->second);
    }
    QVERIFY(f.show());
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
}

}  // namespace

class MapTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Places whose pixels were worked out apart from this code (London's
    // tile at zoom 10 is the well-known 511/340; a place beyond the edge is
    // put on it), and back from the pixel to the place.
    void projection() {
        const QPointF london = WorldPixel({51.5074, -0.1278}, 10);
        QVERIFY((london - QPointF(130978.93888, 87169.57060054864)).manhattanLength() < 1e-6);
        QCOMPARE(TileOf({51.5074, -0.1278}, 10), QPoint(511, 340));
        QVERIFY(WorldPixel({-89, 180}, 2) == QPointF(1024, 1024) &&
                TileOf({-89, 180}, 2) == QPoint(3, 3));
        const GeoPoint back = PlaceOfPixel(london, 10);
        QVERIFY(std::abs(back.latitude - 51.5074) < 1e-9 &&
                std::abs(back.longitude + 0.1278) < 1e-9);
    }

    // A mark for each kind of waypoint, and the states the table shows. A
    // click on a mark makes its row current and the listing shows it;
    // selected rows are ringed; the filter leaves the other rows off the map.
    void marksAndSelectionBothWays() {
        REQUIRE_PEER_FIXTURES();
        WindowFixture f;
        f.import(Example("lakeside.gpx"), Example("hilltop.loc"), UiData("far.gpx"),
                 FixturePath(QStringLiteral("GCGCA8.gpx")));
        static const char* const kinds[] = {"traditional", "multi", "mystery", "event",
                                            "cache",       "child", "waypoint"};
        QStringList shown;
        WaypointModel* model = f.window->waypointTable()->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            const Mark m = f.window->mapPane()->markOf(model->slot(row));
            shown.push_back(model->index(row, 0).data().toString() + u' ' +
                            QLatin1String(kinds[static_cast<int>(m.kind)]));
            for (const bool flag : {m.found, m.disabled, m.archived, m.skipped, m.fixed}) {
                shown.back() += flag ? u'1' : u'0';
            }
        }
        QCOMPARE(shown, Split("GC9WF01 traditional00000|GC9WF02 multi00000|GC9WF03 mystery00000|"
                              "GC9WF04 cache10000|PK9WF01 child00000|GC9WF11 cache00000|"
                              "GC9WF12 cache00000|GC9WF13 cache00000|GC9WF01 cache00010|"
                              "FIXED-GC1 waypoint00001|GC2 waypoint00000|"
                              "GCGCA8 mystery01100"));
        f.click("cmdClear");
        f.import(Example("lakeside.gpx"), Example("hilltop.loc"));
        ShowLarge(f);
        MapPane* map = f.window->mapPane();
        // The import showed all of them, as close as they fit (a quarter of
        // a degree across needs zoom 9 or more on a pane this size).
        QVERIFY(map->shownCount() == model->rowCount() && map->zoom() >= 9);
        // Sorted, rows are no longer the records' places in the store.
        f.view->sortByColumn(0, Qt::DescendingOrder);
        const int row = model->match(model->index(0, 0), Qt::DisplayRole, QStringLiteral("GC9WF04"))
                            .front()
                            .row();
        const qint32 slot = model->slot(row);
        const Waypoint& w = f.session.store.Waypoints[static_cast<size_t>(slot)];
        map->setView({w.Latitude, w.Longitude}, 17);
        QTest::mouseClick(map, Qt::LeftButton, {}, map->positionOf(slot).toPoint());
        QVERIFY(f.view->currentIndex().row() == row &&
                f.view->selectionModel()->isRowSelected(row));
        QVERIFY(f.window->listingPane()->browser()->toPlainText().contains(u"Code: GC9WF04"));

        // The wheel zooms about the cursor: the mark stays under it.
        const QPointF before = map->positionOf(slot) + QPointF(30, -20);
        QWheelEvent wheel(before, map->mapToGlobal(before), {}, {0, -120}, Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(map, &wheel);
        QCOMPARE(map->zoom(), 16);
        QVERIFY((map->positionOf(slot) + QPointF(15, -10) - before).manhattanLength() < 1);

        // Zoomed out, all of them are one group; a click on it zooms in.
        map->setView({w.Latitude, w.Longitude}, 1);
        map->repaint();
        QVERIFY(map->drawnGroups().size() == 1 &&
                map->drawnGroups().front().count == model->rowCount());
        QTest::mouseClick(map, Qt::LeftButton, {}, map->drawnGroups().front().at.toPoint());
        QVERIFY(map->zoom() == 3 && f.view->currentIndex().row() == row);

        f.select({1, 3});
        QCOMPARE(map->highlighted(),
                 (std::vector<qint32>{std::min(model->slot(1), model->slot(3)),
                                      std::max(model->slot(1), model->slot(3))}));
        f.window->waypointTable()->filterBox()->setText(QStringLiteral("Wegkreuz"));
        QVERIFY(model->rowCount() == 1 && map->shownCount() == 1);
        QVERIFY(std::isnan(map->positionOf(slot).x()));
    }

    // Only the tiles in view are fetched, each once, two at a time at most,
    // naming the program; while the server thinks the map is drawn on its
    // grid with its marks; a tile shown once comes from the disk cache while
    // fresh.
    void tiles() {
        TileServer server;
        WindowFixture f;
        f.settings.setValue(QStringLiteral("TileAddress"), server.address());
        f.restore();
        f.import(Example("lakeside.gpx"));
        const qint32 slot = f.window->waypointTable()->model()->slot(0);
        const Waypoint& w = f.session.store.Waypoints[static_cast<size_t>(slot)];
        const std::pair<GeoPoint, int> view{{w.Latitude, w.Longitude}, 12};
        ShowLarge(f, view);
        MapPane* map = f.window->mapPane();
        const std::set<QString> inView = TilesInView(map);
        QCOMPARE(map->notice(), QString());
        const QPoint mark = map->positionOf(slot).toPoint();
        QVERIFY(map->grab().toImage().pixelColor(mark) != QColor(0xf2, 0xef, 0xe9));
        const QPoint corner(map->width() - 3, 60);  // away from marks and texts
        const QString cornerPath = TileAt(map, corner);
        const QRgb cornerTile = TileServer::colourOf(cornerPath).rgb();
        // Generous waits: under Wine on a busy machine the tiles take seconds.
        constexpr int kWait = 40000;
        QTRY_COMPARE_WITH_TIMEOUT(map->grab().toImage().pixel(corner), cornerTile, kWait);
        QTRY_COMPARE_WITH_TIMEOUT(std::set<QString>(server.paths.begin(), server.paths.end()),
                                  inView, kWait);
        QCOMPARE(inView.size(), size_t(server.paths.size()));
        QVERIFY(server.peak >= 1 && server.peak <= 2);
        QCOMPARE(server.agent, u"Wayfold/" WAYFOLD_VERSION);

        f.open();
        ShowLarge(f, view);
        QTRY_COMPARE_WITH_TIMEOUT(f.window->mapPane()->grab().toImage().pixel(corner), cornerTile,
                                  kWait);
        // Shown before, it came from the disk cache.
        QCOMPARE(server.paths.count(cornerPath), 1);
    }
};

QTEST_MAIN(MapTest)
#include "test_map.moc"
