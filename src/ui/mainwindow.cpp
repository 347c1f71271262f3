#include "ui/mainwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenuBar>
#include <QMimeData>
#include <QPointF>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>
#include <cmath>
#include <functional>

#include "core/options.h"
#include "core/textutil.h"
#include "desktop/shellverbs.h"
#include "session/exportdispatch.h"
#include "session/formats.h"
#include "session/garmindevice.h"
#include "session/importer.h"
#include "session/optionstore.h"
#include "session/session.h"
#include "session/settingsstore.h"
#include "session/tempfiles.h"
#include "ui/aboutwindow.h"
#include "ui/filebrowser.h"
#include "ui/listingpane.h"
#include "ui/logo.h"
#include "ui/mappane.h"
#include "ui/optiontabs.h"
#include "ui/waypointmodel.h"
#include "ui/waypointtable.h"

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace {

// Window positions are kept in twips: 1440 to the inch, 15 to the pixel on a
// 96 dpi screen.
constexpr double kTwipsPerInch = 1440;
const QString kDefaultTwips = QStringLiteral("480");

int TwipsToPixels(const QString& twips, double dpi) {
    const double pixels = std::nearbyint(LeadingNumber(twips) * dpi / kTwipsPerInch);
    // Far beyond any screen; placeWindow puts such a window back in sight.
    return static_cast<int>(std::clamp(pixels, -1.0e6, 1.0e6));
}

// Stored with a blank in the sign's place when not negative.
QString PixelsToTwips(int pixels, double dpi) {
    const auto twips = static_cast<qint64>(std::nearbyint(pixels * kTwipsPerInch / dpi));
    return (twips < 0 ? QString() : QStringLiteral(" ")) + QString::number(twips);
}

// The screen's logical dots per inch across and down; 96 without a screen.
QPointF LogicalDpi(const QScreen* screen) {
    return screen != nullptr ? QPointF(screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY())
                             : QPointF(96, 96);
}

// Room left for the frame the window system draws around the window, which
// is not known before the window is shown.
constexpr QSize kFrameRoom(16, 48);

// The window's controls, scrolled when the window is smaller than they are:
// the window then fits any screen at any scale, and the divider under the
// controls moves up as far as the user likes. As big as the controls when
// there is room.
class ControlsArea final : public QScrollArea {
public:
    ControlsArea(QWidget* parent, std::function<void(int)> arrange)
        : QScrollArea(parent), arrange_(std::move(arrange)) {
        setObjectName(QStringLiteral("scrControls"));
        setFrameShape(QFrame::NoFrame);
        setWidgetResizable(true);
    }
    QSize sizeHint() const override {
        const int frame = 2 * frameWidth();
        return widget() != nullptr ? widget()->sizeHint() + QSize(frame, frame)
                                   : QScrollArea::sizeHint();
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        // The room a vertical scroll bar leaves, so that the arrangement does
        // not flip as the bar comes and goes.
        arrange_(width() - 2 * frameWidth() - verticalScrollBar()->sizeHint().width());
        QScrollArea::resizeEvent(event);
    }

private:
    std::function<void(int)> arrange_;
};

QString DefaultImportDir() {
#ifdef Q_OS_WIN
    return QStringLiteral("c:\\");
#else
    return QDir::homePath();
#endif
}

}  // namespace

MainWindow::MainWindow(Session& session, QWidget* parent)
    : QMainWindow(parent),
      session_(session),
      browser_(new FileBrowser(session, this)),
      tabs_(new OptionTabs(session, this)),
      imgLogo_(new QLabel(this)),
      lblIntro_(new QLabel(this)),
      cmdAdd_(new QPushButton(QStringLiteral("Import  >>"), this)),
      cmdClear_(new QPushButton(QStringLiteral("Clear Imports"), this)),
      cmdExit_(new QPushButton(QStringLiteral("E&xit"), this)),
      fraExport_(new QGroupBox(QStringLiteral("Export New File"), this)),
      cmbGenerate_(new QComboBox(this)),
      cmdGo_(new QPushButton(QStringLiteral("Do it!"), this)),
      panel1_(new QLabel(this)),
      panel2_(new QLabel(this)),
      panel3_(new QLabel(this)),
      progress_(new QProgressBar(this)),
      clock_(new QTimer(this)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Wayfold"));
    setWindowIcon(QIcon(WayfoldLogo(64)));
    setAcceptDrops(true);

    imgLogo_->setObjectName(QStringLiteral("imgLogo"));
    imgLogo_->setPixmap(WayfoldLogo(56));
    imgLogo_->setToolTip(QStringLiteral("Wayfold, written by the Wayfold developers"));
    lblIntro_->setObjectName(QStringLiteral("lblIntro"));
    lblIntro_->setText(QStringLiteral(
        "Wayfold converts multiple files in MPS, GDB, GPX and LOC format into a single file in "
        "Garmin Mapsource or LOC format."));
    lblIntro_->setWordWrap(true);
    cmdAdd_->setObjectName(QStringLiteral("cmdAdd"));
    cmdAdd_->setToolTip(QStringLiteral("Import waypoints from selected files"));
    cmdClear_->setObjectName(QStringLiteral("cmdClear"));
    cmdClear_->setToolTip(QStringLiteral("Clear imported waypoint memory"));
    // The one control that must never look busy: it cancels a running import.
    cmdClear_->setCursor(Qt::ArrowCursor);
    cmdExit_->setObjectName(QStringLiteral("cmdExit"));

    auto* central = new QWidget(this);
    auto* top = new QHBoxLayout;
    top->addWidget(imgLogo_);
    top->addWidget(lblIntro_, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdAdd_);
    buttons->addWidget(cmdClear_);
    buttons->addStretch(1);
    buttons->addWidget(cmdExit_);
    auto* importRow = new QHBoxLayout;
    importRow->addWidget(browser_, 1);
    importRow->addLayout(buttons);
    auto* left = new QVBoxLayout;
    left->addLayout(top);
    left->addLayout(importRow, 1);
    controlsLayout_ = new QBoxLayout(QBoxLayout::LeftToRight, central);
    controlsLayout_->addLayout(left, 3);
    controlsLayout_->addWidget(buildExportFrame(), 2);
    addWaypointTable(central);

    panel1_->setObjectName(QStringLiteral("sbrPanel1"));
    panel2_->setObjectName(QStringLiteral("sbrPanel2"));
    panel3_->setObjectName(QStringLiteral("sbrPanel3"));
    progress_->setObjectName(QStringLiteral("sbrProgress"));
    progress_->setRange(0, 1000);
    progress_->setTextVisible(false);
    progress_->setMaximumWidth(160);
    progress_->hide();
    // The counts give way before the window grows beyond the screen.
    for (QLabel* panel : {panel1_, panel2_}) {
        panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }
    statusBar()->setObjectName(QStringLiteral("sbrMain"));
    statusBar()->addWidget(panel1_, 1);
    statusBar()->addWidget(panel2_, 1);
    statusBar()->addPermanentWidget(progress_);
    statusBar()->addPermanentWidget(panel3_);
    buildMenus();
    setKeyboardOrder();

    connect(browser_, &FileBrowser::fileActivated, this, &MainWindow::importSelectedFiles);
    connect(cmdAdd_, &QPushButton::clicked, this, &MainWindow::importSelectedFiles);
    connect(cmdClear_, &QPushButton::clicked, this, &MainWindow::clearOrCancel);
    connect(cmdExit_, &QPushButton::clicked, this, &QWidget::close);
    connect(cmdGo_, &QPushButton::clicked, this, &MainWindow::doIt);
    connect(clock_, &QTimer::timeout, this, &MainWindow::showTimeOfDay);
    clock_->start(1000);
    showTimeOfDay();
}

MainWindow::~MainWindow() = default;

QWidget* MainWindow::buildExportFrame() {
    fraExport_->setObjectName(QStringLiteral("fraExport"));
    fraExport_->setToolTip(QStringLiteral("Options for exporting imported waypoints"));
    cmbGenerate_->setObjectName(QStringLiteral("cmbGenerate"));
    cmbGenerate_->installEventFilter(this);
    cmdGo_->setObjectName(QStringLiteral("cmdGo"));
    auto* lblExport = new QLabel(QStringLiteral("Export format:"));
    lblExport->setObjectName(QStringLiteral("lblExport"));
    auto* lblOptions = new QLabel(QStringLiteral("Export Options"));
    lblOptions->setObjectName(QStringLiteral("lblOptions"));

    auto* grid = new QGridLayout(fraExport_);
    grid->addWidget(lblExport, 0, 0, 1, 2);
    grid->addWidget(cmbGenerate_, 1, 0);
    grid->addWidget(cmdGo_, 1, 1);
    grid->addWidget(lblOptions, 2, 0, 1, 2);
    grid->addWidget(tabs_, 3, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(3, 1);
    return fraExport_;
}

// Tab goes through the window as it is laid out, not in the order the
// controls were made: the file browser, the import buttons, the export frame.
void MainWindow::setKeyboardOrder() {
    QWidget* const order[] = {browser_->drives(),
                              browser_->folders(),
                              browser_->locationButton(),
                              browser_->files(),
                              cmdAdd_,
                              cmdClear_,
                              cmdExit_,
                              cmbGenerate_,
                              cmdGo_,
                              tabs_};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
}

void MainWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    QAction* browse = file->addAction(QStringLiteral("&Browse..."));
    browse->setObjectName(QStringLiteral("mnuFileBrowse"));
    connect(browse, &QAction::triggered, browser_, &FileBrowser::browseForLocation);
    file->addSeparator();
    mnuFileExport_ = file->addMenu(QStringLiteral("&Export New File"));
    mnuFileExport_->setObjectName(QStringLiteral("mnuFileExport"));
    const QStringList items = ExportMenuTexts();
    for (int index = 0; index < items.size(); ++index) {
        if (items.at(index).isEmpty()) {
            mnuFileExport_->addSeparator();
            continue;
        }
        QAction* item = mnuFileExport_->addAction(items.at(index));
        item->setObjectName(QStringLiteral("mnuFileExportAs") + QString::number(index));
        connect(item, &QAction::triggered, this, [this, index] { exportAs(index); });
    }
    file->addSeparator();
    QAction* exitItem = file->addAction(QStringLiteral("E&xit"));
    exitItem->setObjectName(QStringLiteral("mnuFileExit"));
    connect(exitItem, &QAction::triggered, this, &QWidget::close);

    QMenu* options = menuBar()->addMenu(QStringLiteral("&Options"));
    options->setObjectName(QStringLiteral("mnuOptions"));
    mnuOptionsContext_ = options->addAction(QStringLiteral("LOC/GPX context menu items"));
    mnuOptionsContext_->setObjectName(QStringLiteral("mnuOptionsContext"));
    mnuOptionsContext_->setCheckable(true);
    connect(mnuOptionsContext_, &QAction::triggered, this, &MainWindow::toggleShellVerbs);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("mnuView"));
    mnuViewMap_ = view->addAction(QStringLiteral("&Map"));
    mnuViewMap_->setObjectName(QStringLiteral("mnuViewMap"));
    mnuViewMap_->setCheckable(true);
    mnuViewMap_->setChecked(true);
    connect(mnuViewMap_, &QAction::toggled, this, [this](bool on) {
        map_->setVisible(on);
        session_.settings.setValue(QStringLiteral("ShowMap"),
                                   on ? QStringLiteral("1") : QStringLiteral("0"));
    });
    // Home does the same in the map.
    QAction* all = view->addAction(QStringLiteral("Show &All on the Map"));
    all->setObjectName(QStringLiteral("mnuViewMapAll"));
    connect(all, &QAction::triggered, this, [this] {
        mnuViewMap_->setChecked(true);
        map_->zoomToAll();
    });

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    QAction* helpAbout = help->addAction(QStringLiteral("&About Wayfold"));
    helpAbout->setObjectName(QStringLiteral("mnuHelpAbout"));
    connect(helpAbout, &QAction::triggered, this, &MainWindow::showAbout);

    QAction* about = menuBar()->addAction(QStringLiteral("About Wayfold..."));
    about->setObjectName(QStringLiteral("mnuAbout"));
    connect(about, &QAction::triggered, this, &MainWindow::showAbout);
}

void MainWindow::load() {
    tabs_->takeCurrentTime();
#ifdef Q_OS_WIN
    // Only Windows' own platform gives the window a system menu; drawn
    // offscreen it has none, and its id is no window handle.
    if (QGuiApplication::platformName() == QLatin1String("windows")) {
        HMENU systemMenu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
        AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
        if (!AppendMenuW(systemMenu, MF_STRING, AboutCommandId, L"&About Wayfold...")) {
            session_.report({QStringLiteral(
                "About... was not added to the menu.\r\nPlease contact the program Author")});
        }
    }
#endif
    cmbGenerate_->addItems(GenerateListTexts());
    cmbGenerate_->setCurrentIndex(StoredGenerateMode(session_.settings));
    connect(cmbGenerate_, &QComboBox::currentIndexChanged, this, [this](int index) {
        StoreGenerateMode(session_.settings, index);
        showImportState();
    });
    showImportState();
    browser_->showFolder(QCoreApplication::applicationDirPath());
    mnuOptionsContext_->setChecked(ShellVerbsRegistered());
    {
        const QSignalBlocker quiet(mnuViewMap_);
        const bool shown = LeadingNumber(session_.settings.valueOr(QStringLiteral("ShowMap"),
                                                                   QStringLiteral("1"))) != 0;
        mnuViewMap_->setChecked(shown);
        map_->setVisible(shown);
    }
    placeWindow();
    UpdateStatus(session_, 0);
    unsetCursor();
    chainWaypointTable();
}

void MainWindow::showRestoredOptions() {
    tabs_->showOptions(session_.options);
}

void MainWindow::showImportDir() {
    const QString folder =
        session_.settings.valueOr(QStringLiteral("ImportDir"), DefaultImportDir());
    if (browser_->showFolder(folder)) {
        browser_->showFolder(QCoreApplication::applicationDirPath());
    }
}

void MainWindow::placeWindow() {
    const QPointF dpi = LogicalDpi(screen());
    const auto place = [&](const QString& left, const QString& top) {
        return QPoint(TwipsToPixels(left, dpi.x()), TwipsToPixels(top, dpi.y()));
    };
    QPoint position = place(session_.settings.valueOr(QStringLiteral("Left"), kDefaultTwips),
                            session_.settings.valueOr(QStringLiteral("Top"), kDefaultTwips));
    // A place stored on a screen that is gone, or with the title bar above
    // or below the screen, would leave the window where it cannot be moved;
    // it opens at the first-run place instead.
    const auto screenOfTitle = [&](const QPoint& at) -> const QScreen* {
        const QRect title(at, QSize(std::max(width(), 200), 40));
        for (const QScreen* s : QGuiApplication::screens()) {
            const QRect shown = s->availableGeometry().intersected(title);
            if (shown.height() == title.height() && shown.width() >= 100) {
                return s;
            }
        }
        return nullptr;
    };
    const QScreen* on = screenOfTitle(position);
    if (on == nullptr) {
        position = place(kDefaultTwips, kDefaultTwips);
        on = screenOfTitle(position);
    }
    // The window fits the screen it opens on, below and right of its place:
    // a size from a larger screen or a larger scale shrinks, down to half the
    // screen, and what then still does not fit moves up and left.
    if (on != nullptr) {
        const QRect room = on->availableGeometry();
        const QPoint corner =
            room.bottomRight() + QPoint(1, 1) - QPoint(kFrameRoom.width(), kFrameRoom.height());
        const QSize whole(corner.x() - room.left(), corner.y() - room.top());
        const QSize least =
            minimumSizeHint().expandedTo(minimumSize()).expandedTo(whole / 2).boundedTo(whole);
        resize(size()
                   .boundedTo(QSize(corner.x() - position.x(), corner.y() - position.y()))
                   .expandedTo(least));
        position.setX(std::max(room.left(), std::min(position.x(), corner.x() - width())));
        position.setY(std::max(room.top(), std::min(position.y(), corner.y() - height())));
    }
    move(position);
}

void MainWindow::storeWindowPlace() {
    const QPointF dpi = LogicalDpi(screen());
    // A minimised or maximised window keeps the place it will return to. That
    // place leaves out the frame, which pos() and move() take in: it is added,
    // or the window would walk by the frame at each start.
    QPoint position = pos();
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)) {
        position = normalGeometry().topLeft() + (pos() - geometry().topLeft());
    }
    SaveOption(session_.settings, QStringLiteral("Top"), PixelsToTwips(position.y(), dpi.y()));
    SaveOption(session_.settings, QStringLiteral("Left"), PixelsToTwips(position.x(), dpi.x()));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A reader still running stops at its next look at the cancel request,
    // and nothing runs after it: closing the window ends the program.
    if (session_.importRunning) {
        session_.CancelImport = true;
        closedDuringImport_ = true;
    }
    session_.windowClosed = true;
    storeWindowPlace();
    SaveOption(session_.settings, QStringLiteral("ImportDir"),
               QDir::toNativeSeparators(browser_->folder()));
    DeleteTemporaryFiles(session_);
    event->accept();
}

void MainWindow::importSelectedFiles() {
    const QStringList files = browser_->selectedFiles();
    if (session_.importRunning) {
        queued_ += files;
        return;
    }
    setBusy(true);
    for (const QString& file : files) {
        ImportFile(session_, file);
    }
    importQueued();
    UpdateStatus(session_, session_.store.WaypointCount());
    setBusy(false);
}

void MainWindow::importQueued() {
    while (!queued_.isEmpty() && !session_.importRunning && !session_.windowClosed) {
        ImportFile(session_, queued_.takeFirst());
    }
}

void MainWindow::clearOrCancel() {
    ClearOrCancel(session_);
}

void MainWindow::doIt() {
    RunExport(session_, {cmbGenerate_->currentIndex(), tabs_->timeNow(), browser_->folder(),
                         [this](const QString& time) { tabs_->showRefreshedTime(time); }});
}

void MainWindow::exportAs(int index) {
    if (session_.importRunning) {
        return;
    }
    cmbGenerate_->setCurrentIndex(index);
    doIt();
}

void MainWindow::toggleShellVerbs(bool on) {
    for (const UserMessage& message :
         SetShellVerbs(on, QCoreApplication::applicationFilePath(), session_.processes)) {
        session_.report(message);
    }
    // The tick tells what is registered, also after a failed write.
    mnuOptionsContext_->setChecked(ShellVerbsRegistered());
}

void MainWindow::showAbout() {
    // Modal without a nested event loop: a reader that lets events through
    // goes on while the window is open.
    auto* about = new AboutWindow(this);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->setModal(true);
    about->show();
}

void MainWindow::importDropped(const QMimeData& data) {
    if (session_.importRunning) {
        return;
    }
    QStringList files;
    for (const QUrl& url : data.urls()) {
        if (url.isLocalFile()) {
            files.push_back(QDir::toNativeSeparators(url.toLocalFile()));
        }
    }
    setBusy(true);
    if (files.isEmpty()) {
        session_.tell({QStringLiteral("Can't import that object type"), QStringLiteral("Wayfold"),
                       MessageIcon::Information});
    }
    for (const QString& file : files) {
        if (session_.windowClosed) {
            break;
        }
        if (QFileInfo(file).isDir() && !ReadGarminDevice(file)) {
            session_.tell({QStringLiteral("Cannot import entire directories.\r\nPlease browse "
                                          "inside the directory and drag'n'drop the files you "
                                          "wish to import."),
                           QStringLiteral("Wayfold"), MessageIcon::Information});
            continue;
        }
        ImportFile(session_, file);
    }
    importQueued();
    UpdateStatus(session_, session_.store.WaypointCount());
    setBusy(false);
}

bool MainWindow::acceptsDropAt(const QPoint& position) const {
    if (session_.importRunning) {
        return false;
    }
    const QWidget* target = childAt(position);
    if (target == nullptr || target == centralWidget()) {
        return true;
    }
    for (const QWidget* w :
         std::initializer_list<const QWidget*>{browser_, cmdAdd_, imgLogo_, lblIntro_}) {
        if (target == w || w->isAncestorOf(target)) {
            return true;
        }
    }
    return false;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    // Entering is the first move over the window: the same places take drops.
    dragMoveEvent(event);
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (acceptsDropAt(event->position().toPoint())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void MainWindow::dropEvent(QDropEvent* event) {
    if (!acceptsDropAt(event->position().toPoint())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // The drag source waits for the drop to end; the import runs after it.
    QTimer::singleShot(0, this, [this, urls = event->mimeData()->urls()] {
        QMimeData data;
        data.setUrls(urls);
        importDropped(data);
    });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == cmbGenerate_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            doIt();
            cmdGo_->setFocus(Qt::OtherFocusReason);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

#ifdef Q_OS_WIN
bool MainWindow::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg != nullptr && IsAboutCommand(msg->message, static_cast<quintptr>(msg->wParam))) {
        showAbout();
        *result = 1;
        return true;
    }
    return QMainWindow::nativeEvent(eventType, message, result);
}
#endif

void MainWindow::setStatusText(int panel, const QString& text) {
    (panel == 1 ? panel1_ : panel2_)->setText(text);
}

void MainWindow::setExportCaption(const QString& text) {
    fraExport_->setTitle(text);
}

void MainWindow::setClearCaption(const QString& text) {
    cmdClear_->setText(text);
    showImportState();
}

void MainWindow::importFinished() {
    showImportState();
    table_->importEnded();
    map_->zoomToAll();
}

void MainWindow::showImportState() {
    // Imports never overlap, and nothing exports what a reader is still filling.
    const bool idle = !session_.importRunning;
    // The separator does nothing, so "Do it!" cannot be pressed for it.
    const int index = cmbGenerate_->currentIndex();
    const bool separator = index >= 0 && index < static_cast<int>(GenerateList().size()) &&
                           GenerateList()[static_cast<size_t>(index)].separator();
    cmdAdd_->setEnabled(idle);
    cmdGo_->setEnabled(idle && !separator);
    mnuFileExport_->setEnabled(idle);
}

void MainWindow::setBusy(bool busy) {
    busyDepth_ = std::max(0, busyDepth_ + (busy ? 1 : -1));
    if (busyDepth_ > 0) {
        setCursor(Qt::BusyCursor);
    } else {
        unsetCursor();
    }
}

void MainWindow::setProgress(qint64 done, qint64 total) {
    if (total <= 0) {
        progress_->hide();
        progress_->setValue(0);
        return;
    }
    progress_->setValue(static_cast<int>(std::clamp<qint64>(done, 0, total) * 1000 / total));
    progress_->show();
}

void MainWindow::showTimeOfDay() {
    panel3_->setText(
        QLocale().toString(session_.nowUtc().toLocalTime().time(), QLocale::ShortFormat));
}

// The waypoint table.

void MainWindow::addWaypointTable(QWidget* controls) {
    table_ = new WaypointTable(session_, this);
    table_->layout()->setContentsMargins(9, 0, 9, 0);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->setObjectName(QStringLiteral("splMain"));
    splitter->setChildrenCollapsible(false);
    auto* area = new ControlsArea(splitter, [this](int width) { arrangeControls(width); });
    area->setWidget(controls);
    splitter->addWidget(area);
    listing_ = new ListingPane(session_, this);
    auto* beside = new QSplitter(Qt::Horizontal, this);
    beside->setObjectName(QStringLiteral("splListing"));
    beside->setChildrenCollapsible(false);
    map_ = new MapPane(session_, table_->model(), table_->view()->selectionModel(), this);
    auto* side = new QSplitter(Qt::Vertical, this);
    side->setObjectName(QStringLiteral("splMap"));
    side->addWidget(map_);
    side->addWidget(listing_);
    side->setCollapsible(1, false);
    side->setStretchFactor(0, 1);
    side->setStretchFactor(1, 1);
    beside->addWidget(table_);
    beside->addWidget(side);
    beside->setStretchFactor(0, 2);
    beside->setStretchFactor(1, 1);
    beside->setSizes({650, 300});
    listing_->setMinimumWidth(8 * listing_->fontMetrics().averageCharWidth());
    table_->setMinimumWidth(16 * table_->fontMetrics().averageCharWidth());
    splitter->addWidget(beside);
    // A larger window gives its new room to the table; a small one still
    // shows a few rows of it at first.
    table_->setMinimumHeight(12 * table_->fontMetrics().height());
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    setCentralWidget(splitter);
    const auto showCurrent = [this](bool anew) {
        const QModelIndex current = table_->view()->currentIndex();
        listing_->showWaypoint(current.isValid() ? table_->model()->slot(current.row()) : -1, anew);
    };
    connect(table_->view()->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [showCurrent] { showCurrent(true); });
    // The store was sorted or emptied: the row may show another record now.
    // A new order of rows keeps the record; a removal moves it in the store.
    connect(table_->model(), &QAbstractItemModel::modelReset, this,
            [showCurrent] { showCurrent(true); });
    connect(table_->model(), &QAbstractItemModel::layoutChanged, this,
            [showCurrent] { showCurrent(false); });
    // A click on the map makes the waypoint's row current: the listing shows it.
    connect(map_, &MapPane::picked, this, [this](int row) {
        const QModelIndex index = table_->model()->index(row, 0);
        table_->view()->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        table_->view()->scrollTo(index);
    });
    // The name and description swap decides what the MapSource exports skip.
    connect(tabs_, &OptionTabs::optionsChanged, table_, &WaypointTable::optionsChanged);
    // Room for the controls and a dozen rows; placeWindow fits it to the screen.
    resize(firstRunSize());
}

void MainWindow::arrangeControls(int width) {
    QLayoutItem* left = controlsLayout_->itemAt(0);
    const QMargins margins = controlsLayout_->contentsMargins();
    const int sideBySide = left->minimumSize().width() + controlsLayout_->spacing() +
                           fraExport_->minimumSizeHint().width() + margins.left() + margins.right();
    controlsLayout_->setDirection(width >= sideBySide ? QBoxLayout::LeftToRight
                                                      : QBoxLayout::TopToBottom);
}

void MainWindow::chainWaypointTable() {
    // The last control of the option tabs' pages, wherever the chain put them.
    QWidget* last = tabs_;
    for (QWidget* w = nextInFocusChain(); w != this; w = w->nextInFocusChain()) {
        if (tabs_->isAncestorOf(w)) {
            last = w;
        }
    }
    setTabOrder(last, table_->filterBox());
    setTabOrder(table_->filterBox(), table_->view());
    setTabOrder(table_->view(), map_);
    setTabOrder(map_, listing_->browser());
}

void MainWindow::followStore() {
    table_->followStore();
}

void MainWindow::storeChanged() {
    table_->storeChanged();
}
