#include "ui/waypointtable.h"

#include <QAction>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "session/importer.h"
#include "session/session.h"
#include "ui/waypointmodel.h"

WaypointTable::WaypointTable(Session& session, QWidget* parent)
    : QWidget(parent),
      session_(session),
      model_(new WaypointModel(session, this)),
      filter_(new QLineEdit(this)),
      shown_(new QLabel(this)),
      view_(new QTableView(this)),
      remove_(new QAction(QStringLiteral("Remove from list"), this)),
      undo_(new QAction(QStringLiteral("Undo remove"), this)),
      open_(new QAction(QStringLiteral("Open link"), this)),
      openLink_([](const QUrl& url) { QDesktopServices::openUrl(url); }) {
    setObjectName(QStringLiteral("fraWaypoints"));
    filter_->setObjectName(QStringLiteral("txtFilter"));
    filter_->setPlaceholderText(
        QStringLiteral("Filter by name, description, type, D/T, size or status"));
    filter_->setToolTip(
        QStringLiteral("Show only the waypoints whose name, description, type, D/T, size or "
                       "status contain this text"));
    filter_->setClearButtonEnabled(true);
    shown_->setObjectName(QStringLiteral("lblShown"));

    view_->setObjectName(QStringLiteral("tblWaypoints"));
    view_->setModel(model_);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setAlternatingRowColors(true);
    view_->setWordWrap(false);
    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    // Fixed row heights and no row numbers: nothing is measured per row, so
    // a hundred thousand rows open and scroll at once.
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
    view_->verticalHeader()->hide();
    QHeaderView* header = view_->horizontalHeader();
    header->setHighlightSections(false);
    header->setSortIndicatorClearable(true);
    // Unsorted until a column is chosen: the rows in the store's order.
    header->setSortIndicator(-1, Qt::AscendingOrder);
    view_->setSortingEnabled(true);
    // Widths for the texts the columns hold; description and link share the rest.
    const QFontMetrics metrics = view_->fontMetrics();
    const auto fits = [&](const char* sample) {
        return metrics.horizontalAdvance(QString::fromUtf8(sample)) + 12;
    };
    const int widths[WaypointModel::Columns] = {fits("GC9WF11M"),
                                                fits("Heron's Lookout by Wayfold Team"),
                                                fits("Traditional Cache"),
                                                fits("4.5/4.5"),
                                                fits("Not chosen"),
                                                fits("Archived"),
                                                fits("Geocache Found"),
                                                fits("-47.000000"),
                                                fits("-179.000000"),
                                                fits("2026-12-05 01:02:03"),
                                                fits("https://geocaching"),
                                                fits("lakeside.gpx"),
                                                fits("GC9WF11M")};
    for (int column = 0; column < WaypointModel::Columns; ++column) {
        header->resizeSection(column, widths[column]);
    }
    header->setStretchLastSection(false);
    header->setSectionResizeMode(WaypointModel::Description, QHeaderView::Stretch);
    header->setSectionResizeMode(WaypointModel::Link, QHeaderView::Stretch);

    remove_->setObjectName(QStringLiteral("mnuRemove"));
    remove_->setShortcut(QKeySequence::Delete);
    remove_->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    view_->addAction(remove_);
    undo_->setObjectName(QStringLiteral("mnuUndoRemove"));
    undo_->setShortcut(QKeySequence::Undo);
    undo_->setShortcutContext(Qt::WindowShortcut);
    undo_->setEnabled(false);
    addAction(undo_);
    open_->setObjectName(QStringLiteral("mnuOpenLink"));

    auto* top = new QHBoxLayout;
    top->addWidget(filter_, 1);
    top->addWidget(shown_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top);
    layout->addWidget(view_, 1);

    connect(filter_, &QLineEdit::textChanged, model_, &WaypointModel::setFilterText);
    connect(model_, &WaypointModel::countsChanged, this, &WaypointTable::showCounts);
    connect(model_, &WaypointModel::undoChanged, undo_, &QAction::setEnabled);
    connect(remove_, &QAction::triggered, this, &WaypointTable::removeSelected);
    connect(undo_, &QAction::triggered, this, &WaypointTable::undoRemove);
    connect(open_, &QAction::triggered, this, [this] {
        const QModelIndex current = view_->currentIndex();
        if (current.isValid()) {
            openLinkOf(current.row());
        }
    });
    connect(view_, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { openLinkOf(index.row()); });
    connect(view_, &QWidget::customContextMenuRequested, this, &WaypointTable::showContextMenu);
    showCounts();
}

void WaypointTable::showCounts() {
    shown_->setText(QString::number(model_->rowCount()) + QStringLiteral(" of ") +
                    QString::number(model_->storedCount()) + QStringLiteral(" shown"));
}

void WaypointTable::followStore() {
    // Appending rows costs next to nothing; merging them into a sorted table
    // costs a pass over all rows, so a sorted table takes them ten times a
    // second rather than at every event pass of the import.
    if (model_->sorted() && sinceFollowed_.isValid() && sinceFollowed_.elapsed() < 100) {
        return;
    }
    model_->followAppends();
    sinceFollowed_.start();
}

void WaypointTable::importEnded() {
    model_->importEnded();
    sinceFollowed_.invalidate();
}

void WaypointTable::storeChanged() {
    model_->reload();
}

void WaypointTable::optionsChanged() {
    model_->followOptions();
}

void WaypointTable::removeSelected() {
    QList<int> rows;
    for (const QModelIndex& index : view_->selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    if (rows.isEmpty()) {
        return;
    }
    const int first = *std::min_element(rows.begin(), rows.end());
    if (model_->removeFromStore(rows) == 0) {
        return;
    }
    UpdateStatus(session_, session_.store.WaypointCount());
    // The row after the removed ones takes the cursor, ready for the next Delete.
    const int next = std::min(first, model_->rowCount() - 1);
    if (next >= 0) {
        view_->setCurrentIndex(model_->index(next, 0));
    }
}

void WaypointTable::undoRemove() {
    const QList<int> rows = model_->undoRemove();
    if (rows.isEmpty()) {
        return;
    }
    UpdateStatus(session_, session_.store.WaypointCount());
    // One range for each run of adjacent rows: the selection model and the
    // view look through every range for each row they check, so a range a
    // row would make putting back all rows take time in their square.
    QItemSelection restored;
    for (qsizetype first = 0; first < rows.size();) {
        qsizetype last = first;
        while (last + 1 < rows.size() && rows[last + 1] == rows[last] + 1) {
            ++last;
        }
        restored.select(model_->index(rows[first], 0),
                        model_->index(rows[last], WaypointModel::Columns - 1));
        first = last + 1;
    }
    view_->selectionModel()->select(restored, QItemSelectionModel::ClearAndSelect);
    view_->scrollTo(model_->index(rows.front(), 0));
}

void WaypointTable::openLinkOf(int row) {
    if (row < 0 || row >= model_->rowCount()) {
        return;
    }
    const QString link = model_->index(row, WaypointModel::Link).data().toString().trimmed();
    const QUrl url = QUrl::fromUserInput(link);
    if (!link.isEmpty() && url.isValid()) {
        openLink_(url);
    }
}

void WaypointTable::showContextMenu(const QPoint& position) {
    const QModelIndex at = view_->indexAt(position);
    remove_->setEnabled(view_->selectionModel()->hasSelection());
    open_->setEnabled(at.isValid() &&
                      !model_->index(at.row(), WaypointModel::Link).data().toString().isEmpty());
    QMenu menu(this);
    menu.addAction(remove_);
    menu.addAction(undo_);
    menu.addSeparator();
    menu.addAction(open_);
    menu.exec(view_->viewport()->mapToGlobal(position));
    remove_->setEnabled(true);
}
