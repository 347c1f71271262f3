// Draws the main window with a few files imported into a PNG picture, for the
// README: wayfold_screenshot [--map] [--size WIDTHxHEIGHT] [--root FOLDER] OUTPUT.png FILE...
// The files are shown and selected in the file browser and imported with the
// Import button; the first cache's listing is shown. The window has its
// first-run size unless --size gives another (a screen's size shows it
// maximised); --root shows the folder tree from that folder down, so the
// picture holds none of the machine's own folders. Settings live in memory
// only; messages go to standard error. With --map the picture is the map
// alone, given most of the window, showing all waypoints; it fetches no tiles
// (the tile address is empty), so the map shows its latitude and longitude
// grid.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QListWidget>
#include <QPixmap>
#include <QSplitter>
#include <QTableView>
#include <QTreeView>
#include <cstdio>

#include "app/consolefrontend.h"
#include "core/options.h"
#include "session/optionstore.h"
#include "session/process.h"
#include "session/session.h"
#include "session/settingsstore.h"
#include "ui/filebrowser.h"
#include "ui/mainwindow.h"
#include "ui/mappane.h"
#include "ui/waypointmodel.h"
#include "ui/waypointtable.h"
#include "ui/widgetfrontend.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    const bool mapOnly = !arguments.isEmpty() && arguments.front() == QLatin1String("--map");
    if (mapOnly) {
        arguments.removeFirst();
    }
    QSize size = MainWindow::firstRunSize();
    if (arguments.size() >= 2 && arguments.at(0) == QLatin1String("--size")) {
        const QStringList parts = arguments.at(1).split(QLatin1Char('x'));
        size = parts.size() == 2 ? QSize(parts.at(0).toInt(), parts.at(1).toInt()) : QSize();
        arguments = arguments.mid(2);
    }
    QString root;
    if (arguments.size() >= 2 && arguments.at(0) == QLatin1String("--root")) {
        root = QFileInfo(arguments.at(1)).absoluteFilePath();
        arguments = arguments.mid(2);
    }
    if (arguments.size() < 2 || size.isEmpty()) {
        std::fputs(
            "usage: wayfold_screenshot [--map] [--size WIDTHxHEIGHT] [--root FOLDER] OUTPUT.png "
            "FILE...\n",
            stderr);
        return 2;
    }
    ConsoleFrontend console;
    WidgetFrontend frontend(&console);
    MemorySettingsStore settings;
    settings.setValue(QStringLiteral("Generate Mode"), QStringLiteral("0"));
    // The picture never reaches out: no tile server, the map shows its grid.
    settings.setValue(QStringLiteral("TileAddress"), QString());
    QtProcessStarter processes;
    Session session(frontend, settings, processes, &SystemClockUtc, QDir::tempPath());

    MainWindow window(session);
    frontend.attach(&window);
    window.load();
    RestoreOptions(session.options, settings);
    window.showRestoredOptions();

    const QString folder = QFileInfo(arguments.at(1)).absolutePath();
    if (window.fileBrowser()->showFolder(folder)) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(folder));
        return 1;
    }
    QListWidget* files = window.fileBrowser()->files();
    for (const QString& file : arguments.mid(1)) {
        const auto found = files->findItems(QFileInfo(file).fileName(), Qt::MatchExactly);
        for (QListWidgetItem* item : found) {
            item->setSelected(true);
        }
    }
    window.resize(size);
    window.show();
    window.importSelectedFiles();
    // The first cache's listing beside the table.
    QTableView* table = window.waypointTable()->view();
    int row = 0;
    while (row + 1 < table->model()->rowCount() &&
           table->model()->index(row, WaypointModel::Size).data().toString().isEmpty()) {
        ++row;
    }
    table->setCurrentIndex(table->model()->index(row, 0));
    // The folder tree fills in the background.
    QElapsedTimer settling;
    settling.start();
    while (settling.elapsed() < 1500) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    if (!root.isEmpty()) {
        QTreeView* tree = window.fileBrowser()->folders();
        if (const auto* model = qobject_cast<QFileSystemModel*>(tree->model())) {
            tree->setRootIndex(model->index(root));
        }
    }

    if (mapOnly) {
        // The table keeps a strip, the listing a few lines.
        const int wide = window.width();
        window.findChild<QSplitter*>(QStringLiteral("splListing"))->setSizes({wide / 4, wide});
        window.findChild<QSplitter*>(QStringLiteral("splMap"))->setSizes({window.height(), 80});
        QApplication::processEvents();
        window.mapPane()->zoomToAll();
        QApplication::processEvents();
    }
    const QPixmap picture = mapOnly ? window.mapPane()->grab() : window.grab();
    if (!picture.save(arguments.at(0), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(arguments.at(0)));
        return 1;
    }
    return 0;
}
