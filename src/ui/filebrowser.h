#pragma once

#include <QElapsedTimer>
#include <QGroupBox>
#include <QString>
#include <QStringList>
#include <optional>

class QComboBox;
class QFileSystemModel;
class QFileSystemWatcher;
class QListWidget;
class QPushButton;
class QTimer;
class QTreeView;
struct Session;

// Why a folder could not be opened: the system's error number and text.
struct FolderError {
    int number = 0;
    QString text;
    bool notFound = false;
};

// Opens a folder for listing; nothing when that works.
std::optional<FolderError> FolderOpenError(const QString& folder);

// The frame "Select Files to Import": the drive list (the mounted volumes on
// Linux, the drives on Windows), the folder tree, the list of importable
// files of the folder, and the button for choosing any folder.
class FileBrowser final : public QGroupBox {
    Q_OBJECT

public:
    explicit FileBrowser(Session& session, QWidget* parent = nullptr);

    // Shows a folder: its drive in the drive list, the folder in the tree and
    // its importable files. When it cannot be opened nothing changes.
    std::optional<FolderError> showFolder(const QString& folder);
    QString folder() const { return folder_; }
    // Re-reads the folder's files, keeping the selection on the files still
    // there. F5 does it, and so does any change to the folder.
    void refreshFiles();
    // The selected files, in list order, with their folder.
    QStringList selectedFiles() const;
    // The network-location browser: asks for a folder and shows it.
    void browseForLocation();

    QComboBox* drives() const { return drvOpen_; }
    QTreeView* folders() const { return dirOpen_; }
    QListWidget* files() const { return filOpen_; }
    QPushButton* locationButton() const { return cmdNetLocation_; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

Q_SIGNALS:
    // A file of the list was double-clicked, or Enter pressed in the list.
    void fileActivated();

private:
    void fillDrives();
    int driveIndex(const QString& root);
    QString driveOf(const QString& folder) const;
    void driveChosen(int index);
    void folderChosen(const QString& folder);
    void showInTree(const QString& root, const QString& folder);
    void keepFolderInSight();
    // Watches the shown folder for files coming and going.
    void watchFolder();

    Session& session_;
    QComboBox* drvOpen_;
    QTreeView* dirOpen_;
    QListWidget* filOpen_;
    QPushButton* cmdNetLocation_;
    QFileSystemModel* model_;
    QTimer* sightTimer_;
    QFileSystemWatcher* watcher_;
    QElapsedTimer sinceShown_;
    QString folder_;
    // The last drive that could be opened; the list goes back to it.
    QString lastDrive_;
    bool settingTree_ = false;
};
