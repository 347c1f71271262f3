#pragma once

// The map's geometry without any drawing: Web Mercator as the raster tile
// servers cut it, a grid index over the places of many waypoints, and the
// grouping that keeps a map of a hundred thousand of them readable and quick
// when zoomed out.
//
// The world is a square. At zoom z it measures 256 << z pixels across, cut
// into 1 << z by 1 << z tiles of 256 by 256 pixels; pixel (0, 0) is the
// north-west corner at 180° W and 85.0511° N, where the projection stops (the
// latitude at which the square is as tall as it is wide).

#include <QPointF>
#include <QRectF>
#include <QtGlobal>
#include <utility>
#include <vector>

inline constexpr int kTileSize = 256;
inline constexpr int kMaxZoom = 19;
inline constexpr double kMaxMercatorLatitude = 85.05112877980659;

struct GeoPoint {
    double latitude = 0;
    double longitude = 0;
};

// A place as a fraction of the world's square, x eastwards and y southwards,
// both from 0 to 1; latitudes beyond the projection's edge land on it.
QPointF WorldFraction(GeoPoint place);
GeoPoint PlaceOfFraction(QPointF fraction);

// The world's width at a zoom, in pixels.
double WorldSize(int zoom);
QPointF WorldPixel(GeoPoint place, int zoom);
GeoPoint PlaceOfPixel(QPointF pixel, int zoom);
// The tile holding a place: column and row.
QPoint TileOf(GeoPoint place, int zoom);

// The places of many points, each with a number of the caller's, in buckets
// of a grid laid over the box that holds them all: a look at a part of the
// map visits only the buckets that part covers.
class MapIndex {
public:
    struct Point {
        QPointF at;  // world fraction
        qint32 id;
    };

    // Points with a coordinate that is no number are left out.
    void build(std::vector<Point> points);
    qsizetype size() const { return static_cast<qsizetype>(points_.size()); }
    // The box of all points, in world fractions; empty when there are none.
    QRectF bounds() const { return bounds_; }

    // Calls visit(point) for every point inside the area (world fractions).
    template <class Visit>
    void visit(const QRectF& area, Visit visit) const {
        if (points_.empty() || !area.intersects(bounds_.adjusted(-1e-12, -1e-12, 1e-12, 1e-12))) {
            return;
        }
        const auto [left, top] = cell(area.topLeft());
        const auto [right, bottom] = cell(area.bottomRight());
        for (int row = top; row <= bottom; ++row) {
            for (int column = left; column <= right; ++column) {
                const size_t c = static_cast<size_t>(row) * static_cast<size_t>(columns_) +
                                 static_cast<size_t>(column);
                for (qint32 i = starts_[c]; i < starts_[c + 1]; ++i) {
                    const Point& p = points_[static_cast<size_t>(i)];
                    if (p.at.x() >= area.left() && p.at.x() <= area.right() &&
                        p.at.y() >= area.top() && p.at.y() <= area.bottom()) {
                        visit(p);
                    }
                }
            }
        }
    }

private:
    std::pair<int, int> cell(QPointF at) const;

    std::vector<Point> points_;   // bucket after bucket
    std::vector<qint32> starts_;  // where each bucket begins in points_, and the end
    QRectF bounds_;
    int columns_ = 1;
    int rows_ = 1;
};

// What the map draws in one place: a single point, or a group of points too
// close to tell apart at this zoom, shown with their count.
struct MapGroup {
    QPointF at;  // world pixel: the point's own, or the middle of the group's
    qint32 count = 0;
    qint32 id = -1;  // the point's number; for a group, that of one of its points
};

// The points inside the view (world pixels at the zoom), by cells of
// cellSize pixels fixed to the world, so that a pan does not regroup them: a
// cell with at most `alone` points gives each of them, a fuller one a group.
std::vector<MapGroup> GroupPoints(const MapIndex& index, int zoom, const QRectF& view,
                                  double cellSize, int alone);
