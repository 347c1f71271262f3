#include "ui/waypointmodel.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QFont>
#include <QHash>
#include <QPalette>
#include <QStyle>
#include <QTimeZone>
#include <algorithm>
#include <cmath>
#include <limits>

#include "core/symbols.h"
#include "locgpx/listing.h"
#include "session/session.h"

namespace {

const QString kFixedName = QStringLiteral("FIXED-");
const QString kFixedDescription = QStringLiteral("FIXED from ");

bool NumberColumn(int column) {
    return column == WaypointModel::Latitude || column == WaypointModel::Longitude ||
           column == WaypointModel::Time;
}

// A record from an archive's entry names both: "pq.zip/123.gpx".
QString FileName(const QString& path) {
    const QFileInfo file(path);
    const QFileInfo folder(file.path());
    return folder.suffix().compare(QLatin1String("zip"), Qt::CaseInsensitive) == 0
               ? folder.fileName() + u'/' + file.fileName()
               : file.fileName();
}

// NaN would break the sort's ordering; it goes first.
double NumberKey(double value) {
    return std::isnan(value) ? -std::numeric_limits<double>::infinity() : value;
}

}  // namespace

WaypointModel::WaypointModel(Session& session, QObject* parent)
    : QAbstractTableModel(parent),
      session_(session),
      warning_(QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning)) {
    reload();
}

int WaypointModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int WaypointModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Columns;
}

QVariant WaypointModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    static const char* const titles[Columns] = {
        "Name",     "Description", "Type",       "D/T",  "Size", "Status", "Symbol",
        "Latitude", "Longitude",   "Time (UTC)", "Link", "File", "Cache"};
    return section >= 0 && section < Columns ? QString::fromLatin1(titles[section]) : QVariant();
}

void WaypointModel::addCaches(qint32 from) {
    const std::vector<Waypoint>& records = session_.store.Waypoints;
    if (from == 0) {
        caches_.clear();
    }
    for (size_t i = static_cast<size_t>(from); i < records.size(); ++i) {
        if (records[i].Name.startsWith(QLatin1String("GC"), Qt::CaseInsensitive)) {
            caches_.insert(records[i].Name.toUpper());
        }
    }
}

void WaypointModel::readListings(qint32 from, bool reuse) {
    const std::vector<Waypoint>& records = session_.store.Waypoints;
    addCaches(from);
    QHash<const char*, size_t> known;
    std::vector<ListingTexts> old;
    if (reuse) {
        old = std::move(listings_);
        known.reserve(static_cast<qsizetype>(old.size()));
        for (size_t i = 0; i < old.size(); ++i) {
            if (!old[i].listing.isEmpty()) {
                known.insert(old[i].listing.constData(), i);
            }
        }
    }
    listings_.resize(static_cast<size_t>(from));
    listings_.reserve(records.size());
    for (size_t i = static_cast<size_t>(from); i < records.size(); ++i) {
        const QByteArray& listing = records[i].Listing;
        // The same bytes, as they are held: the same listing.
        if (const auto at = known.constFind(listing.constData());
            !listing.isEmpty() && at != known.cend()) {
            listings_.push_back(old[*at]);
            continue;
        }
        ListingTexts t;
        const ListingSummary s = SummarizeListing(listing);
        t.listing = listing;
        t.cacheType = s.cacheType;
        t.waypointType = s.waypointType;
        if (s.cache) {
            if (!s.difficulty.isEmpty() || !s.terrain.isEmpty()) {
                t.rating = s.difficulty + u'/' + s.terrain;
            }
            t.size = s.container;
            t.disabled = !s.available;
            t.archived = s.archived;
            t.status = t.archived   ? QStringLiteral("Archived")
                       : t.disabled ? QStringLiteral("Disabled")
                                    : QString();
        }
        listings_.push_back(std::move(t));
    }
}

QString WaypointModel::text(qint32 slot, const Waypoint& w, int column) const {
    const auto listing = [&]() -> const ListingTexts& {
        static const ListingTexts none;
        const auto at = static_cast<size_t>(slot);
        return at < listings_.size() ? listings_[at] : none;
    };
    switch (column) {
        case Name:
            return w.Name;
        case Description:
            return w.Description;
        case Type: {
            // Only the GPX reader gives a cache type, and to every waypoint:
            // where the file named none, the wpt's own type is what it gave.
            const ListingTexts& l = listing();
            return w.CacheType.isEmpty() ? w.TypeText : l.cacheType ? w.CacheType : l.waypointType;
        }
        case Rating:
            return listing().rating;
        case Size:
            return listing().size;
        case Cache: {
            // A pocket query names a child waypoint with two characters and
            // its cache's code without "GC" (PK7Q2XK of GC7Q2XK).
            if (w.Name.size() < 4 || w.Name.startsWith(QLatin1String("GC"), Qt::CaseInsensitive)) {
                return QString();
            }
            const QString code = QStringLiteral("GC") + w.Name.mid(2).toUpper();
            return caches_.contains(code) ? code : QString();
        }
        case Status: {
            // A device's visits say when a cache was found.
            const QString& status = listing().status;
            if (w.FoundTime == 0) {
                return status;
            }
            const QString found = QStringLiteral("Found ") +
                                  QDateTime::fromSecsSinceEpoch(w.FoundTime, QTimeZone::utc())
                                      .toString(QStringLiteral("yyyy-MM-dd"));
            return status.isEmpty() ? found : found + QStringLiteral(", ") + status;
        }
        case Symbol: {
            if (w.Symbol == NotSet) {
                return QStringLiteral("\u2014");
            }
            const QString name = SymbolName(w.Symbol);
            return name.isEmpty() ? QString::number(w.Symbol) : name;
        }
        case Latitude:
            return QString::number(w.Latitude, 'f', 6);
        case Longitude:
            return QString::number(w.Longitude, 'f', 6);
        case Time:
            return w.HasTime ? QDateTime::fromSecsSinceEpoch(w.Time, Qt::UTC)
                                   .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                             : QString();
        case Link:
            return w.Url;
        case File:
            return FileName(w.File);
        default:
            return QString();
    }
}

// What the row's marks mean: coordinates the import reset, and the exports
// that will skip the record for a copy of its name.
QString WaypointModel::notes(qint32 slot, const Waypoint& w) const {
    QStringList lines;
    if (w.Name.startsWith(kFixedName)) {
        QString line = QStringLiteral("Out-of-range coordinates were reset to 0");
        // The coordinate check keeps the values it read in the description.
        if (w.Description.startsWith(kFixedDescription)) {
            const qsizetype end = w.Description.indexOf(QStringLiteral(". "));
            if (end > kFixedDescription.size()) {
                line += QStringLiteral(" (read as ") +
                        w.Description.mid(kFixedDescription.size(), end - kFixedDescription.size())
                            .trimmed() +
                        QLatin1Char(')');
            }
        }
        lines.push_back(line);
    }
    const auto keptAs = [&](qint32 kept, bool swapped) {
        // A reader that took records back may have left the forecast behind
        // until the import ends.
        if (kept >= session_.store.WaypointCount()) {
            return QString();
        }
        const Waypoint& k = session_.store.Waypoints[static_cast<size_t>(kept)];
        QString line =
            QStringLiteral("Skipped at export: same name as ") + (swapped ? k.Description : k.Name);
        if (!k.File.isEmpty()) {
            line += QStringLiteral(" in ") + FileName(k.File);
        }
        return line;
    };
    const auto at = static_cast<size_t>(slot);
    const qint32 mapSource = at < skips_.mapSource.size() ? skips_.mapSource[at] : -1;
    const qint32 loc = at < skips_.loc.size() ? skips_.loc[at] : -1;
    const auto add = [&lines](const QString& line, const QString& files) {
        if (!line.isEmpty()) {
            lines.push_back(line + files);
        }
    };
    if (mapSource >= 0 && mapSource == loc && !skipsSwapped_) {
        add(keptAs(mapSource, false), QString());
    } else {
        if (mapSource >= 0) {
            add(keptAs(mapSource, skipsSwapped_), QStringLiteral(" (MPS and GDB files)"));
        }
        if (loc >= 0) {
            add(keptAs(loc, false), QStringLiteral(" (LOC files)"));
        }
    }
    return lines.join(QLatin1Char('\n'));
}

QVariant WaypointModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || static_cast<size_t>(index.row()) >= rows_.size()) {
        return {};
    }
    const qint32 at = slot(index.row());
    if (at >= session_.store.WaypointCount()) {
        return {};
    }
    const Waypoint& w = session_.store.Waypoints[static_cast<size_t>(at)];
    const auto skipped = [&] {
        const auto s = static_cast<size_t>(at);
        return (s < skips_.mapSource.size() && skips_.mapSource[s] >= 0) ||
               (s < skips_.loc.size() && skips_.loc[s] >= 0);
    };
    switch (role) {
        case Qt::DisplayRole:
            return text(at, w, index.column());
        case Qt::ToolTipRole: {
            QStringList tip;
            const QString marks = notes(at, w);
            if (!marks.isEmpty()) {
                tip.push_back(marks);
            }
            if (index.column() == File) {
                tip.push_back(w.File);
            } else if (index.column() == Link || index.column() == Description) {
                tip.push_back(text(at, w, index.column()));
            }
            tip.removeAll(QString());
            return tip.isEmpty() ? QVariant() : QVariant(tip.join(QLatin1Char('\n')));
        }
        case Qt::DecorationRole:
            if (index.column() == Name && w.Name.startsWith(kFixedName)) {
                return warning_;
            }
            return {};
        case Qt::ForegroundRole:
            if (skipped()) {
                return QApplication::palette().brush(QPalette::Disabled, QPalette::Text);
            }
            return {};
        case Qt::FontRole: {
            // Struck out as the listing site shows a cache one cannot look for.
            const bool struck = index.column() == Name &&
                                static_cast<size_t>(at) < listings_.size() &&
                                (listings_[static_cast<size_t>(at)].disabled ||
                                 listings_[static_cast<size_t>(at)].archived);
            if (skipped() || struck) {
                QFont font;
                font.setItalic(skipped());
                font.setStrikeOut(struck);
                return font;
            }
            return {};
        }
        case Qt::TextAlignmentRole:
            if (index.column() == Latitude || index.column() == Longitude) {
                return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
            }
            return {};
        default:
            return {};
    }
}

WaypointModel::RecordMarks WaypointModel::marks(qint32 slot) const {
    RecordMarks m;
    if (slot < 0 || slot >= session_.store.WaypointCount()) {
        return m;
    }
    const auto at = static_cast<size_t>(slot);
    const Waypoint& w = session_.store.Waypoints[at];
    m.type = text(slot, w, Type);
    m.rating = text(slot, w, Rating);
    m.child = !text(slot, w, Cache).isEmpty();
    static const qint32 foundSymbol = SymbolNumber(u"Geocache Found").value_or(-1);
    m.found = w.FoundTime != 0 || w.Symbol == foundSymbol;
    if (at < listings_.size()) {
        m.disabled = listings_[at].disabled;
        m.archived = listings_[at].archived;
    }
    m.skipped = (at < skips_.mapSource.size() && skips_.mapSource[at] >= 0) ||
                (at < skips_.loc.size() && skips_.loc[at] >= 0);
    m.fixed = w.Name.startsWith(kFixedName);
    return m;
}

bool WaypointModel::matches(qint32 slot, const Waypoint& w) const {
    if (filter_.isEmpty()) {
        return true;
    }
    for (const int column : {Name, Description, Type, Rating, Size, Status}) {
        if (text(slot, w, column).contains(filter_, Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
}

std::vector<qint32> WaypointModel::filtered(const std::vector<qint32>& slots) const {
    if (filter_.isEmpty()) {
        return slots;
    }
    std::vector<qint32> shown;
    for (const qint32 s : slots) {
        if (matches(s, session_.store.Waypoints[static_cast<size_t>(s)])) {
            shown.push_back(s);
        }
    }
    return shown;
}

void WaypointModel::addSortKeys(qint32 from) {
    const std::vector<Waypoint>& records = session_.store.Waypoints;
    if (sortColumn_ < 0) {
        return;
    }
    if (NumberColumn(sortColumn_)) {
        numberKeys_.resize(static_cast<size_t>(from));
        for (size_t i = static_cast<size_t>(from); i < records.size(); ++i) {
            const Waypoint& w = records[i];
            numberKeys_.push_back(NumberKey(sortColumn_ == Latitude    ? w.Latitude
                                            : sortColumn_ == Longitude ? w.Longitude
                                            : w.HasTime
                                                ? double(w.Time)
                                                : -std::numeric_limits<double>::infinity()));
        }
    } else {
        textKeys_.resize(static_cast<size_t>(from));
        for (size_t i = static_cast<size_t>(from); i < records.size(); ++i) {
            textKeys_.push_back(
                text(static_cast<qint32>(i), records[i], sortColumn_).toCaseFolded());
        }
    }
}

// Keys in the chosen direction; equal keys keep the store's order, so that
// sorting all rows and merging appended ones give the same order.
bool WaypointModel::before(qint32 a, qint32 b) const {
    const auto ia = static_cast<size_t>(a);
    const auto ib = static_cast<size_t>(b);
    if (NumberColumn(sortColumn_)) {
        if (numberKeys_[ia] != numberKeys_[ib]) {
            return (numberKeys_[ia] < numberKeys_[ib]) == (sortOrder_ == Qt::AscendingOrder);
        }
    } else {
        const int c = textKeys_[ia].compare(textKeys_[ib]);
        if (c != 0) {
            return (c < 0) == (sortOrder_ == Qt::AscendingOrder);
        }
    }
    return a < b;
}

void WaypointModel::sort(int column, Qt::SortOrder order) {
    sortColumn_ = column >= 0 && column < Columns ? column : -1;
    sortOrder_ = order;
    if (session_.store.WaypointCount() < known_) {
        // Records went that the model was not told of; start from the store.
        reload();
        return;
    }
    textKeys_.clear();
    numberKeys_.clear();
    textKeys_.shrink_to_fit();
    numberKeys_.shrink_to_fit();
    std::vector<qint32> all(static_cast<size_t>(known_));
    for (qint32 i = 0; i < known_; ++i) {
        all[static_cast<size_t>(i)] = i;
    }
    if (sortColumn_ >= 0) {
        addSortKeys(0);
        // Each key travels with its slot, so the sort reads memory in order.
        const bool up = sortOrder_ == Qt::AscendingOrder;
        const auto byKey = [&](auto& keyed) {
            std::sort(keyed.begin(), keyed.end(), [up](const auto& a, const auto& b) {
                if (a.first != b.first) {
                    return (a.first < b.first) == up;
                }
                return a.second < b.second;
            });
            for (size_t i = 0; i < keyed.size(); ++i) {
                all[i] = keyed[i].second;
            }
        };
        if (NumberColumn(sortColumn_)) {
            std::vector<std::pair<double, qint32>> keyed;
            keyed.reserve(all.size());
            for (const qint32 s : all) {
                keyed.emplace_back(numberKeys_[static_cast<size_t>(s)], s);
            }
            byKey(keyed);
        } else {
            std::vector<std::pair<QStringView, qint32>> keyed;
            keyed.reserve(all.size());
            for (const qint32 s : all) {
                keyed.emplace_back(textKeys_[static_cast<size_t>(s)], s);
            }
            byKey(keyed);
        }
    }
    order_ = std::move(all);
    relayout(filtered(order_));
}

void WaypointModel::setFilterText(const QString& text) {
    if (text == filter_) {
        return;
    }
    filter_ = text;
    if (session_.store.WaypointCount() < known_) {
        reload();
        return;
    }
    relayout(filtered(order_));
    Q_EMIT countsChanged();
}

void WaypointModel::relayout(std::vector<qint32> rows, const std::vector<qint32>* newSlot) {
    Q_EMIT layoutAboutToBeChanged();
    std::vector<qint32> placeOf(static_cast<size_t>(known_), -1);
    for (size_t i = 0; i < rows.size(); ++i) {
        placeOf[static_cast<size_t>(rows[i])] = static_cast<qint32>(i);
    }
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before) {
        qint32 s = index.row() < static_cast<int>(rows_.size()) ? slot(index.row()) : -1;
        if (s >= 0 && newSlot != nullptr) {
            s = (*newSlot)[static_cast<size_t>(s)];
        }
        const qint32 place = s >= 0 && s < known_ ? placeOf[static_cast<size_t>(s)] : -1;
        after.push_back(place < 0 ? QModelIndex() : createIndex(place, index.column()));
    }
    rows_ = std::move(rows);
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged();
}

void WaypointModel::followAppends() {
    const qint32 count = session_.store.WaypointCount();
    if (count == known_) {
        return;
    }
    if (count < known_) {
        // A reader took back what it had added.
        reload();
        return;
    }
    dropUndo();
    const qint32 from = known_;
    known_ = count;
    readListings(from);
    std::vector<qint32> added;
    for (qint32 i = from; i < count; ++i) {
        added.push_back(i);
    }
    const std::vector<qint32> shown = filtered(added);
    if (sortColumn_ < 0) {
        order_.insert(order_.end(), added.begin(), added.end());
        if (!shown.empty()) {
            const int first = static_cast<int>(rows_.size());
            beginInsertRows(QModelIndex(), first, first + static_cast<int>(shown.size()) - 1);
            rows_.insert(rows_.end(), shown.begin(), shown.end());
            endInsertRows();
        }
    } else {
        // The new records go to their sorted places in one step.
        addSortKeys(from);
        const auto less = [this](qint32 a, qint32 b) { return before(a, b); };
        std::sort(added.begin(), added.end(), less);
        std::vector<qint32> order;
        order.reserve(order_.size() + added.size());
        std::merge(order_.begin(), order_.end(), added.begin(), added.end(),
                   std::back_inserter(order), less);
        order_ = std::move(order);
        if (!shown.empty()) {
            relayout(filtered(order_));
        }
    }
    Q_EMIT countsChanged();
}

void WaypointModel::importEnded() {
    followAppends();
    dropUndo();
    forecast();
    if (!rows_.empty()) {
        Q_EMIT dataChanged(index(0, 0), index(static_cast<int>(rows_.size()) - 1, Columns - 1));
    }
}

void WaypointModel::reload() {
    beginResetModel();
    known_ = session_.store.WaypointCount();
    readListings(0, true);
    rows_.clear();
    order_.clear();
    dropUndo();
    endResetModel();
    // The order and the filter apply to the new records as they did before.
    sort(sortColumn_, sortOrder_);
    forecast();
    Q_EMIT countsChanged();
}

void WaypointModel::followOptions() {
    if (session_.options.SwapNameDesc != skipsSwapped_) {
        forecast();
        if (!rows_.empty()) {
            Q_EMIT dataChanged(index(0, 0), index(static_cast<int>(rows_.size()) - 1, Columns - 1));
        }
    }
}

void WaypointModel::forecast() {
    skipsSwapped_ = session_.options.SwapNameDesc;
    skips_ = ForecastDuplicates(session_.store, skipsSwapped_);
}

void WaypointModel::dropUndo() {
    if (!removed_.empty()) {
        removed_.clear();
        Q_EMIT undoChanged(false);
    }
}

int WaypointModel::removeFromStore(const QList<int>& rows) {
    if (session_.importRunning) {
        return 0;
    }
    std::vector<Waypoint>& records = session_.store.Waypoints;
    std::vector<bool> gone(records.size(), false);
    for (const int row : rows) {
        if (row >= 0 && static_cast<size_t>(row) < rows_.size() &&
            static_cast<size_t>(slot(row)) < gone.size()) {
            gone[static_cast<size_t>(slot(row))] = true;
        }
    }
    std::vector<std::pair<qint32, Waypoint>> removed;
    std::vector<qint32> newSlot(records.size(), -1);
    std::vector<Waypoint> kept;
    kept.reserve(records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        if (gone[i]) {
            removed.emplace_back(static_cast<qint32>(i), std::move(records[i]));
        } else {
            newSlot[i] = static_cast<qint32>(kept.size());
            kept.push_back(std::move(records[i]));
        }
    }
    if (removed.empty()) {
        return 0;
    }
    records = std::move(kept);
    known_ = static_cast<qint32>(records.size());

    const auto remap = [&](const std::vector<qint32>& slots) {
        std::vector<qint32> out;
        out.reserve(slots.size());
        for (const qint32 s : slots) {
            if (newSlot[static_cast<size_t>(s)] >= 0) {
                out.push_back(newSlot[static_cast<size_t>(s)]);
            }
        }
        return out;
    };
    const auto compact = [&](auto& keys) {
        if (keys.size() != gone.size()) {
            return;
        }
        size_t to = 0;
        for (size_t i = 0; i < keys.size(); ++i) {
            if (!gone[i]) {
                keys[to++] = std::move(keys[i]);
            }
        }
        keys.resize(to);
    };
    compact(textKeys_);
    compact(numberKeys_);
    compact(listings_);
    addCaches(0);
    if (sortColumn_ >= 0 && (NumberColumn(sortColumn_) ? numberKeys_.size() : textKeys_.size()) !=
                                static_cast<size_t>(known_)) {
        addSortKeys(0);
    }
    order_ = remap(order_);
    relayout(remap(rows_), &newSlot);
    forecast();
    if (!rows_.empty()) {
        Q_EMIT dataChanged(index(0, 0), index(static_cast<int>(rows_.size()) - 1, Columns - 1));
    }
    const int count = static_cast<int>(removed.size());
    removed_ = std::move(removed);
    Q_EMIT undoChanged(true);
    Q_EMIT countsChanged();
    return count;
}

QList<int> WaypointModel::undoRemove() {
    if (removed_.empty() || session_.importRunning) {
        return {};
    }
    std::vector<std::pair<qint32, Waypoint>> removed = std::move(removed_);
    removed_.clear();
    // Each record goes back to the place it had; the places ascend, and
    // nothing but the removal changed the store since.
    std::vector<Waypoint>& records = session_.store.Waypoints;
    std::vector<Waypoint> all;
    all.reserve(records.size() + removed.size());
    size_t next = 0;
    for (auto& [place, record] : removed) {
        while (all.size() < static_cast<size_t>(place) && next < records.size()) {
            all.push_back(std::move(records[next++]));
        }
        all.push_back(std::move(record));
    }
    while (next < records.size()) {
        all.push_back(std::move(records[next++]));
    }
    records = std::move(all);
    reload();
    Q_EMIT undoChanged(false);
    std::vector<bool> back(records.size(), false);
    for (const auto& entry : removed) {
        back[static_cast<size_t>(entry.first)] = true;
    }
    QList<int> restored;
    for (size_t row = 0; row < rows_.size(); ++row) {
        if (back[static_cast<size_t>(rows_[row])]) {
            restored.push_back(static_cast<int>(row));
        }
    }
    return restored;
}
