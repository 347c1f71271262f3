#pragma once

#include <QTextBrowser>
#include <QWidget>

#include "locgpx/listing.h"

struct Session;

// Shows a cache's listing from a file nobody vouches for: its HTML is shown
// but never reaches out. Nothing the document names is loaded, neither
// remote images and style sheets (they would tell a stranger that and when
// the listing was read) nor local files; links are not followed.
class ListingBrowser final : public QTextBrowser {
    Q_OBJECT

public:
    explicit ListingBrowser(QWidget* parent = nullptr);
    QVariant loadResource(int type, const QUrl& name) override;
};

// Beside the waypoint table: the listing of the waypoint in the current row,
// with the hint decoded on a click, the logs and the cache's own waypoints
// found in the store.
class ListingPane final : public QWidget {
    Q_OBJECT

public:
    explicit ListingPane(Session& session, QWidget* parent = nullptr);

    ListingBrowser* browser() const { return browser_; }
    // The record at this place in the store; below 0, none. The same place
    // is shown anew only when asked to: the record there may have changed.
    void showWaypoint(qint32 slot, bool anew = true);
    // Switches the hint between as written and decoded.
    void toggleHint();

private:
    void render();

    Session& session_;
    ListingBrowser* browser_;
    qint32 slot_ = -1;
    bool hintDecoded_ = false;
};
