#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <functional>

class QAction;
class QLabel;
class QLineEdit;
class QTableView;
class QUrl;
class WaypointModel;
struct Session;

// The imported waypoints under the window's controls: a filter box with the
// count of rows shown, and the table. Rows can be taken out of the store
// before an export (Delete, "Remove from list") and the last removal put back
// (Ctrl+Z, "Undo remove"); a double click opens the row's link.
class WaypointTable final : public QWidget {
    Q_OBJECT

public:
    // Opens a link outside the program; tests put a recorder in its place.
    using LinkOpener = std::function<void(const QUrl&)>;

    explicit WaypointTable(Session& session, QWidget* parent = nullptr);

    WaypointModel* model() const { return model_; }
    QTableView* view() const { return view_; }
    QLineEdit* filterBox() const { return filter_; }
    void setLinkOpener(LinkOpener opener) { openLink_ = std::move(opener); }

    // Shows what a running import has added so far.
    void followStore();
    // An import of one file ended.
    void importEnded();
    // The store was sorted, changed or emptied as a whole.
    void storeChanged();
    // An option changed; the name and description swap changes what the
    // MapSource exports skip.
    void optionsChanged();

    void removeSelected();
    void undoRemove();
    void openLinkOf(int row);

private:
    void showCounts();
    void showContextMenu(const QPoint& position);

    Session& session_;
    WaypointModel* model_;
    QLineEdit* filter_;
    QLabel* shown_;
    QTableView* view_;
    QAction* remove_;
    QAction* undo_;
    QAction* open_;
    LinkOpener openLink_;
    QElapsedTimer sinceFollowed_;
};
