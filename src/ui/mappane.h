#pragma once

#include <QHash>
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "core/mapgeometry.h"

// The kinds of waypoint the map tells apart by their marks.
enum class MarkKind : quint8 { Traditional, Multi, Mystery, Event, OtherCache, Child, Plain };

// What a mark shows of its record.
struct Mark {
    MarkKind kind = MarkKind::Plain;
    bool found = false;
    bool disabled = false;
    bool archived = false;
    bool skipped = false;  // greyed, as the table greys the row
    bool fixed = false;    // with the table's warning sign
};

class QItemSelectionModel;
class TileLoader;
class WaypointModel;
struct Session;

// The waypoints of the table's rows (its filter applies) on a map: a mark a
// record, shaped and coloured by its type, telling found, disabled and
// archived caches apart and marking what the table marks; groups with their
// count where marks would pile up. The background is the tile server's map,
// or a latitude and longitude grid while it has none to give.
//
// The wheel and + and - zoom about the cursor, a drag pans, Home shows all.
// A click on a mark makes its row the table's current one; the table's
// selected rows are ringed.
class MapPane final : public QWidget {
    Q_OBJECT

public:
    MapPane(Session& session, WaypointModel* model, QItemSelectionModel* selection,
            QWidget* parent = nullptr);
    ~MapPane() override;

    // The shown waypoints in view, as close as they fit (at once, or when
    // the pane next has a size).
    void zoomToAll();
    // Zooms keeping the place under `at` (the pane's pixels) where it is.
    void zoomAbout(QPointF at, int zoom);
    void setView(GeoPoint centre, int zoom);
    int zoom() const { return zoom_; }
    GeoPoint centre() const { return PlaceOfFraction(centre_); }

    // How many of the table's rows the map holds.
    qsizetype shownCount();
    // Where a record is drawn, in the pane's pixels; (NaN, NaN) when it is not
    // among the rows.
    QPointF positionOf(qint32 slot);
    // The groups drawn last, in the pane's pixels.
    const std::vector<MapGroup>& drawnGroups() const { return drawn_; }
    // The mark of a record among the rows.
    Mark markOf(qint32 slot);
    // The records whose rows are selected.
    std::vector<qint32> highlighted();
    // What the map says over its background: why there are no tiles.
    QString notice() const;
    TileLoader* tiles() const { return tiles_.get(); }
    // Room for a town's caches beside the listing.
    QSize sizeHint() const override { return {320, 280}; }

Q_SIGNALS:
    // A click on the mark of the record in this row of the table.
    void picked(int row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void invalidate();
    void ensureIndex();
    void ensureHighlight();
    QPointF topLeft() const;  // world pixel at the pane's corner
    void drawGrid(QPainter& painter, QPointF corner);
    void drawTiles(QPainter& painter, QPointF corner);
    void drawMark(QPainter& painter, QPointF at, const Mark& look);
    void drawGroup(QPainter& painter, QPointF at, qint32 count);
    const QImage& sprite(int key, int half, const std::function<void(QPainter&)>& draw);
    // The marks and groups of the view as it is now, in the pane's pixels.
    void regroup();
    // The group nearest to a point, within reach of a click; -1 none.
    int groupAt(QPointF at);
    QString tipFor(const MapGroup& group) const;
    void ensureTiles();

    Session& session_;
    QPointer<WaypointModel> model_;
    QPointer<QItemSelectionModel> selection_;
    std::unique_ptr<TileLoader> tiles_;
    QString tilesAddress_;
    QPointF centre_{0.5, 0.5};  // world fraction
    int zoom_ = 1;
    bool fitPending_ = false;
    bool indexValid_ = false;
    bool highlightValid_ = false;
    MapIndex index_;
    std::vector<QPointF> fractionOf_;  // by slot; NaN when the record is no row
    std::vector<int> rowOf_;           // by slot
    std::vector<Mark> looks_;          // by slot
    std::vector<qint32> highlighted_;  // slots
    std::vector<MapGroup> drawn_;
    QHash<int, QImage> sprites_;
    qreal spriteRatio_ = 0;
    QPointF pressedAt_;
    QPointF lastDrag_;
    bool dragging_ = false;
    int wheelSteps_ = 0;
};
