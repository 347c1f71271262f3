#pragma once

#include <QMainWindow>
#include <QSize>
#include <QString>
#include <QStringList>

class AboutWindow;
class QBoxLayout;
class FileBrowser;
class ListingPane;
class MapPane;
class OptionTabs;
class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QMimeData;
class QProgressBar;
class QPushButton;
class QTimer;
class WaypointTable;
struct Session;

// The program's one window: the file browser, the Import and Clear buttons,
// the export frame with the Generate list, "Do it!" and the option tabs, the
// menus and the status line. Message boxes and dialogs go through the
// session's front end.
class MainWindow final : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(Session& session, QWidget* parent = nullptr);
    ~MainWindow() override;

    // What the window does when start-up first shows it: the time box, the
    // system-menu entry, the Generate list, the file browser at the program's
    // folder, the shell-verb tick, the position and the status line.
    void load();
    // The option tabs show the options restored from the settings store.
    void showRestoredOptions();
    // The file browser shows the stored "ImportDir" (the home folder when
    // none is stored), or the program's folder when that cannot be opened.
    void showImportDir();

    // The buttons and menu items.
    // Files chosen while another import runs are read after it.
    void importSelectedFiles();
    // Reads the files chosen during an import that has ended since.
    void importQueued();
    void clearOrCancel();
    void doIt();
    void exportAs(int index);
    void toggleShellVerbs(bool on);
    void showAbout();
    // Imports what was dropped on the window: files, never folders.
    void importDropped(const QMimeData& data);

    // The front-end seam's side of the window.
    void setStatusText(int panel, const QString& text);
    void setExportCaption(const QString& text);
    void setClearCaption(const QString& text);
    void setBusy(bool busy);
    void setProgress(qint64 done, qint64 total);
    void importFinished();

    // The status the program ends with once the window is closed: 1 when
    // closing it cut an import short, as for a command line cut short.
    int exitStatus() const { return closedDuringImport_ ? 1 : 0; }

    FileBrowser* fileBrowser() const { return browser_; }
    OptionTabs* optionTabs() const { return tabs_; }

    // The waypoint table follows the store: what a running import added so
    // far, and the whole store after an export sorted it or a clear.
    WaypointTable* waypointTable() const { return table_; }
    // Beside the table: the listing of the waypoint in the current row.
    ListingPane* listingPane() const { return listing_; }
    // Above the listing: the table's rows on a map (View > Map hides it).
    MapPane* mapPane() const { return map_; }
    // The size a first start opens with, where the screen has room for it.
    static QSize firstRunSize() { return {1000, 740}; }
    void followStore();
    void storeChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

private:
    void buildMenus();
    QWidget* buildExportFrame();
    void setKeyboardOrder();
    void showImportState();
    void showTimeOfDay();
    bool acceptsDropAt(const QPoint& position) const;
    void placeWindow();
    void storeWindowPlace();
    // The waypoint table under the controls, and after the option tabs in
    // the Tab order.
    void addWaypointTable(QWidget* controls);
    // Side by side when the controls area is wide enough, else the export
    // frame under the file browser.
    void arrangeControls(int width);
    void chainWaypointTable();

    Session& session_;
    FileBrowser* browser_;
    OptionTabs* tabs_;
    QLabel* imgLogo_;
    QLabel* lblIntro_;
    QPushButton* cmdAdd_;
    QPushButton* cmdClear_;
    QPushButton* cmdExit_;
    QBoxLayout* controlsLayout_ = nullptr;
    QGroupBox* fraExport_;
    QComboBox* cmbGenerate_;
    QPushButton* cmdGo_;
    QLabel* panel1_;
    QLabel* panel2_;
    QLabel* panel3_;
    QProgressBar* progress_;
    QTimer* clock_;
    QMenu* mnuFileExport_ = nullptr;
    QAction* mnuOptionsContext_ = nullptr;
    int busyDepth_ = 0;
    bool closedDuringImport_ = false;
    QStringList queued_;
    WaypointTable* table_ = nullptr;
    ListingPane* listing_ = nullptr;
    MapPane* map_ = nullptr;
    QAction* mnuViewMap_ = nullptr;
};
