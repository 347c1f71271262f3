#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QList>
#include <QSet>
#include <QString>
#include <utility>
#include <vector>

#include "core/store.h"

struct Session;

// The store as a table: one row a waypoint, in the store's order or sorted by
// a column, and only the rows that match the filter. Rows refer to records by
// their place in the store's Waypoints; nothing is copied, so a hundred
// thousand rows cost a few vectors of numbers.
class WaypointModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column {
        Name,
        Description,
        Type,
        Rating,
        Size,
        Status,
        Symbol,
        Latitude,
        Longitude,
        Time,
        Link,
        File,
        Cache,  // the cache a pocket query's child waypoint belongs to
        Columns
    };

    explicit WaypointModel(Session& session, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // A column below 0 shows the store's own order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Shows only the records whose name, description, type, D/T, size or
    // status contain the text, ignoring letter case; an empty text shows all.
    void setFilterText(const QString& text);
    qint32 storedCount() const { return known_; }
    bool sorted() const { return sortColumn_ >= 0; }
    // The record a row shows: its place in the store's Waypoints.
    qint32 slot(int row) const { return rows_[static_cast<size_t>(row)]; }

    // What the map shows of a record, as the rows show it: the Type column,
    // D/T, whether it is a pocket query's child waypoint of a cache in the
    // list, and the marks of its row.
    struct RecordMarks {
        QString type;
        QString rating;
        bool child = false;
        bool found = false;  // a device logged it found, or its symbol says so
        bool disabled = false;
        bool archived = false;
        bool skipped = false;  // greyed: an export skips it for a copy of its name
        bool fixed = false;    // the warning sign: coordinates reset to 0
    };
    RecordMarks marks(qint32 slot) const;

    // Shows the records a running import appended since the last look.
    void followAppends();
    // An import ended: what the exports will skip is worked out again, and
    // the last removal can no longer be undone.
    void importEnded();
    // Everything anew, after the store was sorted, changed or emptied.
    void reload();
    // Works out again what the next exports skip when the name and
    // description swap was changed.
    void followOptions();

    // Takes the records of these rows out of the store; returns how many.
    // Nothing is taken while an import runs.
    int removeFromStore(const QList<int>& rows);
    // The last removal can be put back until the store changes otherwise.
    bool canUndo() const { return !removed_.empty(); }
    // Puts the last removed records back in their places; returns their rows.
    QList<int> undoRemove();

Q_SIGNALS:
    // The numbers of rows shown or stored changed.
    void countsChanged();
    void undoChanged(bool available);

private:
    // What the listing gives the columns, read once when a record comes in.
    struct ListingTexts {
        // Held, so that its bytes stay where they are while the texts are
        // kept: a model reset after the store was sorted finds each
        // record's texts by the place of its listing's bytes.
        QByteArray listing;
        bool cacheType = false;  // the file named a cache type
        QString waypointType;
        QString rating;  // "1.5/2"
        QString size;
        QString status;
        bool disabled = false;
        bool archived = false;
    };
    // The listing texts of the records from slot `from` on; with `reuse`,
    // those of records already read are taken over.
    void readListings(qint32 from, bool reuse = false);

    QString text(qint32 slot, const Waypoint& w, int column) const;
    QString notes(qint32 slot, const Waypoint& w) const;
    bool matches(qint32 slot, const Waypoint& w) const;
    std::vector<qint32> filtered(const std::vector<qint32>& slots) const;
    // Sort keys of the chosen column for the records from slot `from` on.
    void addSortKeys(qint32 from);
    bool before(qint32 a, qint32 b) const;
    // Shows rows in a new order, keeping the selection on the same records;
    // newSlot maps the records' old places to their new ones (-1: gone).
    void relayout(std::vector<qint32> rows, const std::vector<qint32>* newSlot = nullptr);
    void forecast();
    void dropUndo();

    Session& session_;
    qint32 known_ = 0;           // records of the store the model has seen
    std::vector<qint32> order_;  // every record, in the shown order
    std::vector<qint32> rows_;   // the records that match the filter, in that order
    QString filter_;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    std::vector<QString> textKeys_;       // by slot, for a text column
    std::vector<double> numberKeys_;      // by slot, for a number column
    std::vector<ListingTexts> listings_;  // by slot
    // The upper-cased names of the caches among the records ("GC..."): a
    // child waypoint shows its cache when that is in the store.
    QSet<QString> caches_;
    // Adds the caches among the records from this slot on; from 0, anew.
    void addCaches(qint32 from);
    DuplicateForecast skips_;
    bool skipsSwapped_ = false;
    std::vector<std::pair<qint32, Waypoint>> removed_;  // places and records of the last removal
    QIcon warning_;
};
