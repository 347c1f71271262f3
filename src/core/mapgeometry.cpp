#include "core/mapgeometry.h"

#include <QPoint>
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

QPointF WorldFraction(GeoPoint place) {
    const double latitude = std::clamp(place.latitude, -kMaxMercatorLatitude, kMaxMercatorLatitude);
    const double phi = latitude * std::numbers::pi / 180;
    const double x = (place.longitude + 180) / 360;
    const double y =
        0.5 - std::log(std::tan(std::numbers::pi / 4 + phi / 2)) / (2 * std::numbers::pi);
    return {x, std::clamp(y, 0.0, 1.0)};
}

GeoPoint PlaceOfFraction(QPointF fraction) {
    const double n = std::numbers::pi * (1 - 2 * fraction.y());
    return {std::atan(std::sinh(n)) * 180 / std::numbers::pi, fraction.x() * 360 - 180};
}

double WorldSize(int zoom) {
    return std::ldexp(double(kTileSize), zoom);
}

QPointF WorldPixel(GeoPoint place, int zoom) {
    return WorldFraction(place) * WorldSize(zoom);
}

GeoPoint PlaceOfPixel(QPointF pixel, int zoom) {
    return PlaceOfFraction(pixel / WorldSize(zoom));
}

QPoint TileOf(GeoPoint place, int zoom) {
    const QPointF pixel = WorldPixel(place, zoom);
    // The east and south edges belong to the last tile.
    const int last = (1 << zoom) - 1;
    return {std::min(static_cast<int>(std::floor(pixel.x() / kTileSize)), last),
            std::min(static_cast<int>(std::floor(pixel.y() / kTileSize)), last)};
}

void MapIndex::build(std::vector<Point> points) {
    std::erase_if(points, [](const Point& p) {
        return !std::isfinite(p.at.x()) || !std::isfinite(p.at.y());
    });
    points_.clear();
    starts_.assign(2, 0);
    columns_ = rows_ = 1;
    bounds_ = QRectF();
    if (points.empty()) {
        return;
    }
    double left = points.front().at.x(), right = left;
    double top = points.front().at.y(), bottom = top;
    for (const Point& p : points) {
        left = std::min(left, p.at.x());
        right = std::max(right, p.at.x());
        top = std::min(top, p.at.y());
        bottom = std::max(bottom, p.at.y());
    }
    bounds_ = QRectF(QPointF(left, top), QPointF(right, bottom));
    // About four points a bucket, spread over the sides as the box is shaped.
    const double buckets = std::max(1.0, double(points.size()) / 4);
    const double aspect = bounds_.height() > 0 && bounds_.width() > 0
                              ? bounds_.width() / bounds_.height()
                              : (bounds_.width() > 0 ? buckets : 1.0 / buckets);
    columns_ = std::clamp(static_cast<int>(std::sqrt(buckets * aspect)), 1, 2048);
    rows_ = std::clamp(static_cast<int>(buckets / columns_), 1, 2048);

    std::vector<qint32> counts(static_cast<size_t>(columns_) * static_cast<size_t>(rows_) + 1, 0);
    std::vector<qint32> cellOf(points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        const auto [column, row] = cell(points[i].at);
        cellOf[i] = row * columns_ + column;
        ++counts[static_cast<size_t>(cellOf[i]) + 1];
    }
    for (size_t c = 1; c < counts.size(); ++c) {
        counts[c] += counts[c - 1];
    }
    starts_ = counts;
    points_.resize(points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        points_[static_cast<size_t>(counts[static_cast<size_t>(cellOf[i])]++)] = points[i];
    }
}

std::pair<int, int> MapIndex::cell(QPointF at) const {
    const auto place = [](double value, double from, double length, int cells) {
        if (length <= 0) {
            return 0;
        }
        const double c = std::floor((value - from) / length * cells);
        return static_cast<int>(std::clamp(c, 0.0, double(cells - 1)));
    };
    return {place(at.x(), bounds_.left(), bounds_.width(), columns_),
            place(at.y(), bounds_.top(), bounds_.height(), rows_)};
}

std::vector<MapGroup> GroupPoints(const MapIndex& index, int zoom, const QRectF& view,
                                  double cellSize, int alone) {
    // One cell a square of the view, each holding its first points in
    // place: a hundred thousand points cost no allocation each.
    constexpr int kMostAlone = 8;
    alone = std::clamp(alone, 1, kMostAlone);
    struct Cell {
        qint32 count = 0;
        double x = 0;
        double y = 0;
        std::array<MapGroup, kMostAlone> points;
    };
    const double world = WorldSize(zoom);
    const QRectF area(view.topLeft() / world, view.bottomRight() / world);
    const auto cellOf = [cellSize](double pixel) {
        return static_cast<qint64>(std::floor(pixel / cellSize));
    };
    const qint64 left = cellOf(view.left());
    const qint64 top = cellOf(view.top());
    const qint64 columns = cellOf(view.right()) - left + 1;
    const qint64 rows = cellOf(view.bottom()) - top + 1;
    if (columns <= 0 || rows <= 0 || columns * rows > 4'000'000) {
        return {};
    }
    std::vector<Cell> cells(static_cast<size_t>(columns * rows));
    index.visit(area, [&](const MapIndex::Point& p) {
        const QPointF pixel = p.at * world;
        const qint64 column = std::clamp(cellOf(pixel.x()) - left, qint64(0), columns - 1);
        const qint64 row = std::clamp(cellOf(pixel.y()) - top, qint64(0), rows - 1);
        Cell& c = cells[static_cast<size_t>(row * columns + column)];
        if (c.count < alone) {
            c.points[static_cast<size_t>(c.count)] = {pixel, 1, p.id};
        }
        ++c.count;
        c.x += pixel.x();
        c.y += pixel.y();
    });
    std::vector<MapGroup> groups;
    for (const Cell& c : cells) {
        if (c.count == 0) {
            continue;
        }
        if (c.count <= alone) {
            groups.insert(groups.end(), c.points.begin(), c.points.begin() + c.count);
        } else {
            groups.push_back({QPointF(c.x / c.count, c.y / c.count), c.count, c.points[0].id});
        }
    }
    return groups;
}
