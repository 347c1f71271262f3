#include "ui/filebrowser.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFileSystemWatcher>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QStorageInfo>
#include <QTimer>
#include <QTreeView>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/options.h"
#include "session/formats.h"
#include "session/optionstore.h"
#include "session/session.h"
#include "session/settingsstore.h"

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace {

// The drive's name as a message title shows it, with one separator at the end.
QString DriveTitle(const QString& root) {
    QString text = QDir::toNativeSeparators(root);
#ifdef Q_OS_WIN
    text = text.toUpper();
#endif
    if (!text.endsWith(QDir::separator())) {
        text += QDir::separator();
    }
    return text;
}

}  // namespace

std::optional<FolderError> FolderOpenError(const QString& folder) {
    if (folder.isEmpty()) {
        return FolderError{ENOENT, QString::fromLocal8Bit(std::strerror(ENOENT)), true};
    }
#ifdef Q_OS_WIN
    const std::filesystem::path path(folder.toStdWString());
#else
    const std::filesystem::path path(QFile::encodeName(folder).toStdString());
#endif
    std::error_code error;
    std::filesystem::directory_iterator listing(path, error);
    if (!error) {
        return std::nullopt;
    }
    return FolderError{error.value(), QString::fromLocal8Bit(error.message()),
                       error == std::errc::no_such_file_or_directory};
}

FileBrowser::FileBrowser(Session& session, QWidget* parent)
    : QGroupBox(QStringLiteral("Select Files to Import"), parent),
      session_(session),
      drvOpen_(new QComboBox(this)),
      dirOpen_(new QTreeView(this)),
      filOpen_(new QListWidget(this)),
      cmdNetLocation_(new QPushButton(QStringLiteral("..."), this)),
      model_(new QFileSystemModel(this)),
      sightTimer_(new QTimer(this)),
      watcher_(new QFileSystemWatcher(this)) {
    setObjectName(QStringLiteral("fraFile"));
    drvOpen_->setObjectName(QStringLiteral("drvOpen"));
    dirOpen_->setObjectName(QStringLiteral("dirOpen"));
    filOpen_->setObjectName(QStringLiteral("filOpen"));
    cmdNetLocation_->setObjectName(QStringLiteral("cmdNetLocation"));
    setToolTip(QStringLiteral("Browse for and select waypoint files to import from"));
    drvOpen_->setToolTip(QStringLiteral("Select the drive to search for waypoints to import"));
    dirOpen_->setToolTip(QStringLiteral("Browse directories to look for waypoints to import"));
    filOpen_->setToolTip(QStringLiteral("View supported files for waypoints to import"));
    cmdNetLocation_->setToolTip(
        QStringLiteral("Select a network location for opening waypoint files"));

    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    model_->setReadOnly(true);
    dirOpen_->setModel(model_);
    for (int column = 1; column < model_->columnCount(); ++column) {
        dirOpen_->hideColumn(column);
    }
    dirOpen_->header()->hide();
    // Long volume names do not widen the window; the open list shows them whole.
    drvOpen_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    drvOpen_->setMinimumContentsLength(12);
    filOpen_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    filOpen_->setSortingEnabled(false);
    cmdNetLocation_->setFixedWidth(
        cmdNetLocation_->fontMetrics().horizontalAdvance(QStringLiteral("......")) + 12);

    auto* grid = new QGridLayout(this);
    auto* driveRow = new QHBoxLayout;
    driveRow->addWidget(drvOpen_, 1);
    driveRow->addWidget(cmdNetLocation_);
    grid->addLayout(driveRow, 0, 0, 1, 2);
    grid->addWidget(dirOpen_, 1, 0);
    grid->addWidget(filOpen_, 1, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);

    fillDrives();
    connect(drvOpen_, &QComboBox::activated, this, &FileBrowser::driveChosen);
    connect(dirOpen_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (!settingTree_ && current.isValid()) {
                    folderChosen(model_->filePath(current));
                }
            });
    // The tree fills in the background; the shown folder is kept in sight
    // while the folders above it arrive.
    sightTimer_->setSingleShot(true);
    sightTimer_->setInterval(0);
    connect(sightTimer_, &QTimer::timeout, this, [this] {
        const QModelIndex current = dirOpen_->currentIndex();
        if (current.isValid()) {
            dirOpen_->scrollTo(current, QAbstractItemView::PositionAtCenter);
        }
    });
    connect(model_, &QFileSystemModel::directoryLoaded, this, &FileBrowser::keepFolderInSight);
    connect(model_, &QFileSystemModel::layoutChanged, this, &FileBrowser::keepFolderInSight);
    connect(model_, &QFileSystemModel::rowsInserted, this, &FileBrowser::keepFolderInSight);
    connect(filOpen_, &QListWidget::itemDoubleClicked, this, [this] { Q_EMIT fileActivated(); });
    filOpen_->installEventFilter(this);
    auto* refresh = new QAction(QStringLiteral("Refresh"), this);
    refresh->setObjectName(QStringLiteral("mnuRefresh"));
    refresh->setShortcut(QKeySequence::Refresh);
    refresh->setShortcutContext(Qt::WindowShortcut);
    addAction(refresh);
    connect(refresh, &QAction::triggered, this, &FileBrowser::refreshFiles);
    // A folder being written to changes many times a second; the list is
    // read at most five times a second.
    auto* changed = new QTimer(this);
    changed->setSingleShot(true);
    changed->setInterval(200);
    connect(changed, &QTimer::timeout, this, &FileBrowser::refreshFiles);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this,
            [this, changed](const QString& path) {
                if (path == folder_ && !changed->isActive()) {
                    changed->start();
                }
            });
    connect(cmdNetLocation_, &QPushButton::clicked, this, &FileBrowser::browseForLocation);
}

void FileBrowser::fillDrives() {
    QStringList roots;
#ifdef Q_OS_WIN
    // Every drive letter, ready or not: a drive without a disc is chosen and
    // then refused with the system's reason.
    for (const QFileInfo& drive : QDir::drives()) {
        roots.push_back(drive.absoluteFilePath());
    }
#else
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        // Single files mounted into place (containers do that) are no drives.
        if (volume.isValid() && QFileInfo(volume.rootPath()).isDir()) {
            roots.push_back(volume.rootPath());
        }
    }
    roots.sort();
#endif
    roots.removeDuplicates();
    for (const QString& root : roots) {
        driveIndex(root);
    }
}

int FileBrowser::driveIndex(const QString& root) {
    const int found = drvOpen_->findData(root);
    if (found >= 0) {
        return found;
    }
    QString text = QDir::toNativeSeparators(root);
#ifdef Q_OS_WIN
    text = text.left(2).toLower();
#endif
    const QString name = QStorageInfo(root).name();
    if (!name.isEmpty()) {
        text += QStringLiteral(" [") + name + QLatin1Char(']');
    }
    drvOpen_->addItem(text, root);
    return drvOpen_->count() - 1;
}

QString FileBrowser::driveOf(const QString& folder) const {
    const QStorageInfo volume(folder);
    if (volume.isValid() && !volume.rootPath().isEmpty()) {
        return volume.rootPath();
    }
    return QDir(folder).rootPath();
}

std::optional<FolderError> FileBrowser::showFolder(const QString& folder) {
    if (auto error = FolderOpenError(folder)) {
        return error;
    }
    const QString path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    const QString root = driveOf(path);
    drvOpen_->setCurrentIndex(driveIndex(root));
    lastDrive_ = root;
    showInTree(root, path);
    folder_ = path;
    sinceShown_.start();
    keepFolderInSight();
    refreshFiles();
    return std::nullopt;
}

void FileBrowser::showInTree(const QString& root, const QString& folder) {
    settingTree_ = true;
    model_->setRootPath(root);
    dirOpen_->setRootIndex(model_->index(root));
    dirOpen_->collapseAll();
    const QModelIndex current = model_->index(folder);
    if (current.isValid()) {
        dirOpen_->setCurrentIndex(current);
        dirOpen_->scrollTo(current);
        dirOpen_->expand(current);
    } else {
        dirOpen_->clearSelection();
    }
    settingTree_ = false;
}

void FileBrowser::keepFolderInSight() {
    // Only while the tree is still filling in after a folder was shown; later
    // the user scrolls it.
    if (sinceShown_.isValid() && sinceShown_.elapsed() < 3000) {
        sightTimer_->start();
    }
}

void FileBrowser::showEvent(QShowEvent* event) {
    QGroupBox::showEvent(event);
    keepFolderInSight();
}

void FileBrowser::driveChosen(int index) {
    const QString root = drvOpen_->itemData(index).toString();
    if (auto error = FolderOpenError(root)) {
        session_.report({error->text,
                         QStringLiteral("Error ") + QString::number(error->number) +
                             QStringLiteral(" with ") + DriveTitle(root),
                         MessageIcon::Exclamation});
        drvOpen_->setCurrentIndex(driveIndex(lastDrive_));
        return;
    }
    lastDrive_ = root;
    showInTree(root, root);
    folder_ = QDir::cleanPath(root);
    refreshFiles();
}

void FileBrowser::folderChosen(const QString& folder) {
    folder_ = folder;
    refreshFiles();
}

void FileBrowser::refreshFiles() {
    QStringList selected;
    for (const QListWidgetItem* item : filOpen_->selectedItems()) {
        selected.push_back(item->text());
    }
    const QString current =
        filOpen_->currentItem() != nullptr ? filOpen_->currentItem()->text() : QString();
    const int scrolled = filOpen_->verticalScrollBar()->value();
    filOpen_->clear();
    watchFolder();
    if (folder_.isEmpty()) {
        return;
    }
    // Name filters ignore letter case, so GC12AB.LOC is listed as well.
    QStringList names = QDir(folder_).entryList(ImportablePatterns(), QDir::Files | QDir::Readable,
                                                QDir::Name | QDir::IgnoreCase);
#ifdef Q_OS_WIN
    // Hidden files are left out by the listing; system files are too, but
    // QDir does not look at that attribute.
    names.removeIf([this](const QString& name) {
        const QString path = QDir::toNativeSeparators(QDir(folder_).filePath(name));
        const DWORD attributes = GetFileAttributesW(reinterpret_cast<LPCWSTR>(path.utf16()));
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_SYSTEM) != 0;
    });
#endif
    filOpen_->addItems(names);
    for (int row = 0; row < filOpen_->count(); ++row) {
        QListWidgetItem* item = filOpen_->item(row);
        if (item->text() == current) {
            filOpen_->setCurrentItem(item, QItemSelectionModel::NoUpdate);
        }
        item->setSelected(selected.contains(item->text()));
    }
    filOpen_->verticalScrollBar()->setValue(scrolled);
}

void FileBrowser::watchFolder() {
    if (watcher_->directories() == QStringList{folder_}) {
        return;
    }
    if (!watcher_->directories().isEmpty()) {
        watcher_->removePaths(watcher_->directories());
    }
    if (!folder_.isEmpty()) {
        watcher_->addPath(folder_);
    }
}

bool FileBrowser::eventFilter(QObject* watched, QEvent* event) {
    if (watched == filOpen_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Q_EMIT fileActivated();
            return true;
        }
    }
    return QGroupBox::eventFilter(watched, event);
}

QStringList FileBrowser::selectedFiles() const {
    QStringList paths;
    const QDir dir(folder_);
    for (int row = 0; row < filOpen_->count(); ++row) {
        const QListWidgetItem* item = filOpen_->item(row);
        if (item->isSelected() && !item->text().isEmpty()) {
            paths.push_back(QDir::toNativeSeparators(dir.filePath(item->text())));
        }
    }
    return paths;
}

void FileBrowser::browseForLocation() {
    const std::optional<QString> chosen =
        session_.frontend.folderDialog(QStringLiteral("Please select a location to display"));
    if (!chosen || chosen->isEmpty()) {
        return;
    }
    if (const auto error = showFolder(*chosen)) {
        if (error->notFound) {
            session_.report({QStringLiteral("Network path not found"), QStringLiteral("Path Error"),
                             MessageIcon::Exclamation});
        } else {
            session_.report({error->text,
                             QStringLiteral("Error ") + QString::number(error->number) +
                                 QStringLiteral(" with ") + QDir::toNativeSeparators(*chosen),
                             MessageIcon::Exclamation});
        }
        return;
    }
    SaveOption(session_.settings, QStringLiteral("LastPath"), QDir::toNativeSeparators(*chosen));
}
