#include "ui/mappane.h"

#include <QApplication>
#include <QImage>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>

#include "locgpx/listing.h"
#include "session/session.h"
#include "ui/tileloader.h"
#include "ui/waypointmodel.h"

namespace {

using enum MarkKind;
using Kind = MarkKind;

const char* const kKindNames[] = {
    "Traditional cache",   "Multi-cache", "Mystery cache", "Event", "Cache",
    "Waypoint of a cache", "Waypoint"};

// A listing-site code: "GC" and 2 to 6 letters or digits.
bool CacheCode(const QString& name) {
    if (name.size() < 4 || name.size() > 8 || !name.startsWith(QLatin1String("GC"))) {
        return false;
    }
    return std::all_of(name.begin() + 2, name.end(),
                       [](QChar c) { return c.isDigit() || (c >= u'A' && c <= u'Z'); });
}

// The kind of mark from the type the table shows: a GPX cache type
// ("Traditional Cache", "Multi-cache", "Unknown Cache", "Mega-Event Cache"),
// a GPX waypoint's own ("Waypoint|Parking Area") or a TerraByte type
// ("geocache").
Kind KindOfType(const QString& t) {
    const auto has = [&t](const char* word) {
        return t.contains(QLatin1String(word), Qt::CaseInsensitive);
    };
    if (t.startsWith(QLatin1String("Waypoint|"), Qt::CaseInsensitive)) {
        return Child;
    }
    if (has("traditional")) {
        return Traditional;
    }
    if (has("multi")) {
        return Multi;
    }
    if (has("unknown") || has("mystery") || has("puzzle")) {
        return Mystery;
    }
    if (has("event")) {
        return Event;
    }
    return has("cache") || has("letterbox") ? OtherCache : Plain;
}

// A LOC file from the listing site names no type: its caches go by their
// codes. The few type texts of a store are each looked at once.
Kind KindOf(const WaypointModel::RecordMarks& m, const QString& name, QHash<QString, Kind>& known) {
    if (m.child) {
        return Child;
    }
    if (m.type.isEmpty()) {
        return CacheCode(name) ? OtherCache : Plain;
    }
    auto at = known.constFind(m.type);
    if (at == known.cend()) {
        at = known.insert(m.type, KindOfType(m.type));
    }
    return *at;
}

QColor KindColour(MarkKind kind) {
    static const QColor colours[] = {QColor(0x2e, 0x9e, 0x3e), QColor(0xe8, 0x89, 0x1c),
                                     QColor(0x2f, 0x5f, 0xd0), QColor(0xc0, 0x39, 0x2b),
                                     QColor(0x8a, 0x6d, 0x3b), QColor(0x7a, 0x3f, 0xa0),
                                     QColor(0x3c, 0x3c, 0x3c)};
    return colours[std::min<size_t>(static_cast<size_t>(kind), std::size(colours) - 1)];
}

// The mark's outline, centred on (0, 0).
QPainterPath KindShape(MarkKind kind) {
    QPainterPath path;
    constexpr double r = 6;
    switch (kind) {
        case Traditional:
            path.addEllipse(QPointF(), r, r);
            break;
        case Multi:
            path.addRect(QRectF(-r + 1, -r + 1, 2 * r - 2, 2 * r - 2));
            break;
        case Mystery:
            path.moveTo(0, -r - 1);
            path.lineTo(r + 1, 0);
            path.lineTo(0, r + 1);
            path.lineTo(-r - 1, 0);
            path.closeSubpath();
            break;
        case Event:
            path.moveTo(0, -r - 1);
            path.lineTo(r + 1, r - 1);
            path.lineTo(-r - 1, r - 1);
            path.closeSubpath();
            break;
        case OtherCache:
            path.addRoundedRect(QRectF(-r, -r, 2 * r, 2 * r), 3, 3);
            break;
        case Child:
            path.moveTo(-4, -3);
            path.lineTo(4, -3);
            path.lineTo(0, 4);
            path.closeSubpath();
            break;
        default:
            path.addEllipse(QPointF(), 3.5, 3.5);
            break;
    }
    return path;
}

// Grid steps in degrees, the finest first.
constexpr double kGridSteps[] = {0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2,
                                 0.5,   1,     2,     5,    10,   15,   30,  45};
constexpr double kReach = 10;     // pixels around a mark that still hit it
constexpr double kCellSize = 40;  // marks are grouped in cells this wide...
constexpr int kAlone = 4;         // ...when a cell holds more than this many

QString Degrees(double value, char positive, char negative, double step) {
    const int decimals = step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
    return QString::number(std::abs(value), 'f', decimals) + QChar(0xb0) +
           QLatin1Char(value < 0 ? negative : positive);
}

}  // namespace

MapPane::MapPane(Session& session, WaypointModel* model, QItemSelectionModel* selection,
                 QWidget* parent)
    : QWidget(parent), session_(session), model_(model), selection_(selection) {
    setObjectName(QStringLiteral("mapPane"));
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(120, 100);
    setAttribute(Qt::WA_OpaquePaintEvent);
    const auto changed = [this] { invalidate(); };
    connect(model_, &QAbstractItemModel::modelReset, this, changed);
    connect(model_, &QAbstractItemModel::layoutChanged, this, changed);
    connect(model_, &QAbstractItemModel::rowsInserted, this, changed);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(model_, &QAbstractItemModel::dataChanged, this, changed);
    connect(selection_, &QItemSelectionModel::selectionChanged, this, [this] {
        highlightValid_ = false;
        update();
    });
}

MapPane::~MapPane() = default;

void MapPane::invalidate() {
    indexValid_ = false;
    highlightValid_ = false;
    update();
}

void MapPane::ensureIndex() {
    if (indexValid_ || model_ == nullptr) {
        return;
    }
    indexValid_ = true;
    const std::vector<Waypoint>& records = session_.store.Waypoints;
    const size_t count = records.size();
    constexpr double none = std::numeric_limits<double>::quiet_NaN();
    fractionOf_.assign(count, QPointF(none, none));
    rowOf_.assign(count, -1);
    looks_.assign(count, Mark());
    std::vector<MapIndex::Point> points;
    QHash<QString, Kind> kinds;
    const int rows = model_->rowCount();
    points.reserve(static_cast<size_t>(rows));
    for (int row = 0; row < rows; ++row) {
        const qint32 slot = model_->slot(row);
        if (slot < 0 || static_cast<size_t>(slot) >= count) {
            continue;
        }
        const auto at = static_cast<size_t>(slot);
        const Waypoint& w = records[at];
        const QPointF fraction = WorldFraction({w.Latitude, w.Longitude});
        fractionOf_[at] = fraction;
        rowOf_[at] = row;
        const WaypointModel::RecordMarks m = model_->marks(slot);
        looks_[at] = {
            KindOf(m, w.Name, kinds), m.found, m.disabled, m.archived, m.skipped, m.fixed};
        points.push_back({fraction, slot});
    }
    index_.build(std::move(points));
}

void MapPane::ensureHighlight() {
    ensureIndex();
    if (highlightValid_ || selection_ == nullptr || model_ == nullptr) {
        return;
    }
    highlightValid_ = true;
    highlighted_.clear();
    // Range by range: a hundred thousand selected rows are a single range.
    for (const QItemSelectionRange& range : selection_->selection()) {
        for (int row = range.top(); row <= range.bottom() && row < model_->rowCount(); ++row) {
            highlighted_.push_back(model_->slot(row));
        }
    }
    std::sort(highlighted_.begin(), highlighted_.end());
    highlighted_.erase(std::unique(highlighted_.begin(), highlighted_.end()), highlighted_.end());
}

qsizetype MapPane::shownCount() {
    ensureIndex();
    return index_.size();
}

Mark MapPane::markOf(qint32 slot) {
    ensureIndex();
    return slot >= 0 && static_cast<size_t>(slot) < looks_.size()
               ? looks_[static_cast<size_t>(slot)]
               : Mark();
}

std::vector<qint32> MapPane::highlighted() {
    ensureHighlight();
    return highlighted_;
}

QPointF MapPane::topLeft() const {
    return centre_ * WorldSize(zoom_) - QPointF(width() / 2.0, height() / 2.0);
}

QPointF MapPane::positionOf(qint32 slot) {
    ensureIndex();
    if (slot < 0 || static_cast<size_t>(slot) >= fractionOf_.size()) {
        constexpr double none = std::numeric_limits<double>::quiet_NaN();
        return {none, none};
    }
    return fractionOf_[static_cast<size_t>(slot)] * WorldSize(zoom_) - topLeft();
}

void MapPane::setView(GeoPoint centre, int zoom) {
    fitPending_ = false;
    zoom_ = std::clamp(zoom, 0, kMaxZoom);
    const QPointF c = WorldFraction(centre);
    centre_ = QPointF(std::clamp(c.x(), 0.0, 1.0), std::clamp(c.y(), 0.0, 1.0));
    update();
}

void MapPane::zoomAbout(QPointF at, int zoom) {
    zoom = std::clamp(zoom, 0, kMaxZoom);
    if (zoom == zoom_) {
        return;
    }
    const QPointF offset = at - QPointF(width() / 2.0, height() / 2.0);
    const QPointF under = centre_ + offset / WorldSize(zoom_);
    zoom_ = zoom;
    const QPointF c = under - offset / WorldSize(zoom_);
    centre_ = QPointF(std::clamp(c.x(), 0.0, 1.0), std::clamp(c.y(), 0.0, 1.0));
    update();
}

void MapPane::zoomToAll() {
    ensureIndex();
    // A pane not shown yet has no size of its own to fit to.
    if (!isVisible() || width() <= 1 || height() <= 1) {
        fitPending_ = true;
        return;
    }
    fitPending_ = false;
    const QRectF bounds = index_.bounds();
    if (index_.size() == 0) {
        centre_ = QPointF(0.5, 0.5);
        zoom_ = 1;
        update();
        return;
    }
    // A margin for the marks at the edge; one place alone shows its street.
    const double roomX = std::max(1.0, width() - 60.0);
    const double roomY = std::max(1.0, height() - 60.0);
    int zoom = 16;
    while (zoom > 0 && (bounds.width() * WorldSize(zoom) > roomX ||
                        bounds.height() * WorldSize(zoom) > roomY)) {
        --zoom;
    }
    zoom_ = zoom;
    centre_ = bounds.center();
    update();
}

QString MapPane::notice() const {
    if (tiles_ == nullptr || !tiles_->unavailable()) {
        return QString();
    }
    return QStringLiteral("Map tiles unavailable");
}

void MapPane::ensureTiles() {
    if (tiles_ == nullptr || tilesAddress_ != session_.options.TileAddress) {
        tilesAddress_ = session_.options.TileAddress;
        tiles_ = std::make_unique<TileLoader>(tilesAddress_, session_.tileCacheFolder);
        connect(tiles_.get(), &TileLoader::tileArrived, this, qOverload<>(&QWidget::update));
        connect(tiles_.get(), &TileLoader::availabilityChanged, this,
                qOverload<>(&QWidget::update));
    }
}

void MapPane::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (fitPending_) {
        zoomToAll();
    }
}

void MapPane::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (fitPending_) {
        zoomToAll();
    }
}

void MapPane::paintEvent(QPaintEvent*) {
    ensureHighlight();
    ensureTiles();
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0xf2, 0xef, 0xe9));
    const QPointF corner = topLeft();
    drawGrid(painter, corner);
    drawTiles(painter, corner);

    // The groups' counts, a little smaller than the pane's texts.
    QFont small = font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() - 1));
    painter.setFont(small);
    regroup();
    // What the exports skip under what they write: a copy at the same place
    // does not hide the waypoint written.
    for (const bool skipped : {true, false}) {
        for (const MapGroup& group : drawn_) {
            if (group.count > 1) {
                if (!skipped) {
                    drawGroup(painter, group.at, group.count);
                }
            } else if (const Mark& look = looks_[static_cast<size_t>(group.id)];
                       look.skipped == skipped) {
                drawMark(painter, group.at, look);
            }
        }
    }
    // The selected rows, ringed, also where they are among a group.
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 3));
    const double world = WorldSize(zoom_);
    int ringed = 0;
    for (const qint32 slot : highlighted_) {
        const QPointF at = fractionOf_[static_cast<size_t>(slot)] * world - corner;
        if (rect().adjusted(-10, -10, 10, 10).contains(at.toPoint())) {
            painter.drawEllipse(at, 10, 10);
            // Beyond this many, rings hide the map; the table shows them all.
            if (++ringed == 2000) {
                break;
            }
        }
    }

    painter.setFont(font());
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QFontMetrics metrics = fontMetrics();
    const auto label = [&](const QString& text, bool top) {
        QRect box = metrics.boundingRect(text).adjusted(-4, -2, 4, 2);
        box.moveTo(top ? QPoint(4, 4)
                       : QPoint(width() - box.width() - 2, height() - box.height() - 2));
        painter.fillRect(box, QColor(255, 255, 255, 210));
        painter.setPen(QColor(0x30, 0x30, 0x30));
        painter.drawText(box, Qt::AlignCenter, text);
    };
    const QString said = notice();
    if (!said.isEmpty()) {
        label(said, true);
    }
    label(QStringLiteral("\u00a9 OpenStreetMap contributors"), false);
}

void MapPane::drawGrid(QPainter& painter, QPointF corner) {
    const double world = WorldSize(zoom_);
    const double perDegree = world / 360;
    double step = kGridSteps[std::size(kGridSteps) - 1];
    for (const double s : kGridSteps) {
        if (s * perDegree >= 90) {
            step = s;
            break;
        }
    }
    const GeoPoint northWest = PlaceOfPixel(corner, zoom_);
    const GeoPoint southEast = PlaceOfPixel(corner + QPointF(width(), height()), zoom_);
    painter.setPen(QColor(0xc8, 0xc4, 0xbc));
    const QColor text(0x80, 0x7c, 0x74);
    const double west = std::max(-180.0, northWest.longitude);
    const double east = std::min(180.0, southEast.longitude);
    for (double lon = std::ceil(west / step) * step; lon <= east; lon += step) {
        const double x = WorldPixel({0, lon}, zoom_).x() - corner.x();
        painter.drawLine(QPointF(x, 0), QPointF(x, height()));
        painter.setPen(text);
        painter.drawText(QPointF(x + 3, height() - 6), Degrees(lon, 'E', 'W', step));
        painter.setPen(QColor(0xc8, 0xc4, 0xbc));
    }
    const double south = std::max(-kMaxMercatorLatitude, southEast.latitude);
    const double north = std::min(kMaxMercatorLatitude, northWest.latitude);
    for (double lat = std::ceil(south / step) * step; lat <= north; lat += step) {
        const double y = WorldPixel({lat, 0}, zoom_).y() - corner.y();
        painter.drawLine(QPointF(0, y), QPointF(width(), y));
        painter.setPen(text);
        painter.drawText(QPointF(4, y - 3), Degrees(lat, 'N', 'S', step));
        painter.setPen(QColor(0xc8, 0xc4, 0xbc));
    }
}

void MapPane::drawTiles(QPainter& painter, QPointF corner) {
    const int last = (1 << zoom_) - 1;
    const int left = std::max(0, static_cast<int>(std::floor(corner.x() / kTileSize)));
    const int top = std::max(0, static_cast<int>(std::floor(corner.y() / kTileSize)));
    const int right =
        std::min(last, static_cast<int>(std::floor((corner.x() + width()) / kTileSize)));
    const int bottom =
        std::min(last, static_cast<int>(std::floor((corner.y() + height()) / kTileSize)));
    QList<TileKey> wanted;
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            const TileKey key{zoom_, x, y};
            const QImage image = tiles_->tile(key);
            if (image.isNull()) {
                wanted.push_back(key);
            } else {
                painter.drawImage(QPointF(x * kTileSize, y * kTileSize) - corner, image);
            }
        }
    }
    // The middle of the view first.
    const QPointF middle = (corner + QPointF(width() / 2.0, height() / 2.0)) / kTileSize;
    std::sort(wanted.begin(), wanted.end(), [&middle](const TileKey& a, const TileKey& b) {
        const auto distance = [&middle](const TileKey& k) {
            return std::hypot(k.x + 0.5 - middle.x(), k.y + 0.5 - middle.y());
        };
        return distance(a) < distance(b);
    });
    tiles_->want(wanted);
}

// Marks and group circles are drawn once into a picture each and copied
// from then on: a hundred thousand waypoints zoomed out fill the view with
// them, and an antialiased outline costs many times a copy.
const QImage& MapPane::sprite(int key, int half, const std::function<void(QPainter&)>& draw) {
    // A screen of another scale wants them drawn anew.
    const qreal ratio = devicePixelRatioF();
    if (ratio != spriteRatio_) {
        sprites_.clear();
        spriteRatio_ = ratio;
    }
    auto at = sprites_.find(key);
    if (at == sprites_.end()) {
        QImage image(QSize(2 * half, 2 * half) * ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setFont(font());
        painter.translate(half, half);
        draw(painter);
        painter.end();
        at = sprites_.insert(key, image);
    }
    return *at;
}

void MapPane::drawMark(QPainter& painter, QPointF at, const Mark& look) {
    constexpr int half = 10;
    const int key = static_cast<int>(look.kind) | look.found << 3 | look.disabled << 4 |
                    look.archived << 5 | look.skipped << 6;
    painter.drawImage(
        at - QPointF(half, half), sprite(key, half, [&look](QPainter& p) {
            const QColor colour = KindColour(look.kind);
            const QPainterPath shape = KindShape(look.kind);
            // Greyed as the table greys the row an export skips.
            if (look.skipped) {
                p.setOpacity(0.35);
            }
            if (look.disabled || look.archived) {
                // Hollow and struck out, as the table strikes out its name; an
                // archived cache in grey with a red stroke.
                p.setPen(QPen(look.archived ? QColor(0x80, 0x80, 0x80) : colour, 2));
                p.setBrush(Qt::white);
                p.drawPath(shape);
                p.setPen(
                    QPen(look.archived ? QColor(0xd0, 0x10, 0x10) : QColor(0x50, 0x50, 0x50), 2));
                p.drawLine(QPointF(-7, 7), QPointF(7, -7));
            } else if (look.found) {
                p.setPen(QPen(colour, 2.5));
                p.setBrush(QColor(0xf4, 0xc4, 0x10));
                p.drawPath(shape);
            } else {
                p.setPen(QPen(QColor(0x20, 0x20, 0x20), 1));
                p.setBrush(colour);
                p.drawPath(shape);
            }
        }));
    if (look.fixed) {
        static const QPixmap warning =
            QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(14, 14);
        painter.drawPixmap(at + QPointF(3, -15), warning);
    }
}

void MapPane::drawGroup(QPainter& painter, QPointF at, qint32 count) {
    const int radius = static_cast<int>(std::lround(9 + 3 * std::log10(double(count))));
    const int half = radius + 2;
    painter.drawImage(at - QPointF(half, half), sprite(1000 + radius, half, [radius](QPainter& p) {
                          p.setPen(QPen(Qt::white, 2));
                          p.setBrush(QColor(0x1f, 0x4e, 0x9c, 210));
                          p.drawEllipse(QPointF(), radius, radius);
                      }));
    painter.drawText(QRectF(at.x() - radius, at.y() - radius, 2 * radius, 2 * radius),
                     Qt::AlignCenter, QString::number(count));
}

void MapPane::regroup() {
    ensureIndex();
    const QPointF corner = topLeft();
    const QRectF view(corner - QPointF(kReach, kReach),
                      QSizeF(width() + 2 * kReach, height() + 2 * kReach));
    drawn_ = GroupPoints(index_, zoom_, view, kCellSize, kAlone);
    for (MapGroup& group : drawn_) {
        group.at -= corner;
    }
}

int MapPane::groupAt(QPointF at) {
    regroup();
    int best = -1;
    double nearest = std::numeric_limits<double>::infinity();
    for (size_t i = 0; i < drawn_.size(); ++i) {
        const double distance = std::hypot(drawn_[i].at.x() - at.x(), drawn_[i].at.y() - at.y());
        const double reach = drawn_[i].count > 1 ? 2 * kReach : kReach;
        if (distance <= reach && distance < nearest) {
            nearest = distance;
            best = static_cast<int>(i);
        }
    }
    return best;
}

QString MapPane::tipFor(const MapGroup& group) const {
    if (group.count > 1) {
        return QString::number(group.count) + QStringLiteral(" waypoints; click to zoom in");
    }
    const auto at = static_cast<size_t>(group.id);
    if (group.id >= session_.store.WaypointCount() || at >= rowOf_.size() || rowOf_[at] < 0) {
        return QString();
    }
    const Waypoint& w = session_.store.Waypoints[static_cast<size_t>(group.id)];
    const WaypointModel::RecordMarks m = model_->marks(group.id);
    // A cache's title as its listing gives it; else what the table shows.
    const QString listed = w.Listing.isEmpty() ? QString() : ParseListing(w).title;
    const QString title = listed.isEmpty() ? w.Description : listed;
    QString tip = w.Name;
    if (!title.isEmpty()) {
        tip += QStringLiteral(" \u2013 ") + title;
    }
    tip += u'\n' +
           (m.type.isEmpty()
                ? QString::fromLatin1(
                      kKindNames[static_cast<size_t>(looks_[static_cast<size_t>(group.id)].kind)])
                : m.type);
    if (!m.rating.isEmpty()) {
        tip += QStringLiteral(", D/T ") + m.rating;
    }
    // What the table says of the marks it shares: coordinates reset, skipped.
    const QString notes = model_->index(rowOf_[at], 0).data(Qt::ToolTipRole).toString();
    if (!notes.isEmpty()) {
        tip += u'\n' + notes;
    }
    return tip;
}

void MapPane::wheelEvent(QWheelEvent* event) {
    wheelSteps_ += event->angleDelta().y();
    const int steps = wheelSteps_ / 120;
    if (steps != 0) {
        wheelSteps_ -= steps * 120;
        zoomAbout(event->position(), zoom_ + steps);
    }
    event->accept();
}

void MapPane::keyPressEvent(QKeyEvent* event) {
    const QPointF cursor = mapFromGlobal(QCursor::pos());
    const QPointF about =
        rect().contains(cursor.toPoint()) ? cursor : QPointF(width() / 2.0, height() / 2.0);
    const double world = WorldSize(zoom_);
    const auto pan = [&](double dx, double dy) {
        centre_ += QPointF(dx, dy) / world;
        centre_ = QPointF(std::clamp(centre_.x(), 0.0, 1.0), std::clamp(centre_.y(), 0.0, 1.0));
        update();
    };
    switch (event->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            zoomAbout(about, zoom_ + 1);
            break;
        case Qt::Key_Minus:
            zoomAbout(about, zoom_ - 1);
            break;
        case Qt::Key_Home:
            zoomToAll();
            break;
        case Qt::Key_Left:
            pan(-width() / 4.0, 0);
            break;
        case Qt::Key_Right:
            pan(width() / 4.0, 0);
            break;
        case Qt::Key_Up:
            pan(0, -height() / 4.0);
            break;
        case Qt::Key_Down:
            pan(0, height() / 4.0);
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void MapPane::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressedAt_ = lastDrag_ = event->position();
        dragging_ = false;
    }
    QWidget::mousePressEvent(event);
}

void MapPane::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) {
        return;
    }
    if (!dragging_ &&
        (event->position() - pressedAt_).manhattanLength() >= QApplication::startDragDistance()) {
        dragging_ = true;
        setCursor(Qt::ClosedHandCursor);
    }
    if (dragging_) {
        const QPointF moved = event->position() - lastDrag_;
        lastDrag_ = event->position();
        const QPointF c = centre_ - moved / WorldSize(zoom_);
        centre_ = QPointF(std::clamp(c.x(), 0.0, 1.0), std::clamp(c.y(), 0.0, 1.0));
        update();
    }
}

void MapPane::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (dragging_) {
        dragging_ = false;
        unsetCursor();
        return;
    }
    const int hit = groupAt(event->position());
    if (hit < 0) {
        return;
    }
    const MapGroup group = drawn_[static_cast<size_t>(hit)];
    if (group.count > 1) {
        zoomAbout(group.at, zoom_ + 2);
    } else if (const int row = static_cast<size_t>(group.id) < rowOf_.size()
                                   ? rowOf_[static_cast<size_t>(group.id)]
                                   : -1;
               row >= 0) {
        Q_EMIT picked(row);
    }
}

bool MapPane::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const int hit = groupAt(help->pos());
        if (hit >= 0) {
            QToolTip::showText(help->globalPos(), tipFor(drawn_[static_cast<size_t>(hit)]), this);
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QWidget::event(event);
}
