// The waypoint table of the main window: what it shows of the imported
// files, what it says the next exports will skip, the filter, removing rows
// and putting them back, and links.
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>
#include <QUrl>

#include "core/importer.h"
#include "locgpx/locreader.h"
#include "mapsource/mpsreader.h"
#include "ui/optiontabs.h"
#include "ui/waypointmodel.h"
#include "ui/waypointtable.h"
#include "windowfixture.h"

namespace {

struct Table {
    explicit Table(WindowFixture& f)
        : table(f.window->waypointTable()), view(table->view()), model(table->model()) {}

    // A row's texts, one role, joined by "|".
    QString row(int r, int role = Qt::DisplayRole) const {
        QStringList texts;
        for (int c = 0; c < model->columnCount(); ++c) {
            texts.push_back(model->index(r, c).data(role).toString());
        }
        return texts.join(u'|');
    }
    QStringList column(int c) const {
        QStringList texts;
        for (int r = 0; r < model->rowCount(); ++r) {
            texts.push_back(model->index(r, c).data().toString());
        }
        return texts;
    }
    QString shown() const { return table->findChild<QLabel*>(QStringLiteral("lblShown"))->text(); }
    void select(std::initializer_list<int> rows) const {
        view->clearSelection();
        for (const int r : rows) {
            view->selectionModel()->select(model->index(r, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const {
        view->setFocus();
        QTest::keyClick(view, key, modifiers);
    }

    WaypointTable* table;
    QTableView* view;
    WaypointModel* model;
};

void Import(WindowFixture& f, std::initializer_list<const char*> files) {
    for (const char* file : files) {
        ImportFile(f.session, FixturePath(QString::fromLatin1(file)));
    }
}

}  // namespace

class WaypointTableTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void showsAnImportedFile_data() {
        AddColumns<QString, int, int, QString>("file", "rows", "row", "columns");
        AddRow("GPX with a cache", "GCGCA8.gpx", 1, 0,
               "GCGCA8|Oozy rat in a sanitary zoo by robertlipe, Unknown Cache (3/2)|Unknown "
               "Cache|Geocache|35.921667|-86.861667|2003-06-29 00:00:00|"
               "https://www.geocaching.com/geocache/GCGCA8|GCGCA8.gpx");
        AddRow("XML LOC", "geocaching.loc", 9, 0,
               "GCEBB|Mountain Bike Heaven by susy1313||\u2014|35.972033|-87.134700||"
               "http://www.geocaching.com/seek/cache_details.asp?ID=3771|geocaching.loc");
        AddRow("MPS", "mapsource.mps", 9, 0,
               "GC1A37|The Troll by a182pilot & Family||Waypoint|36.090683|-86.679550||"
               "|mapsource.mps");
        AddRow("TerraByte LOC", "easygps.loc", 9, 8, "");
    }
    void showsAnImportedFile() {
        QFETCH(QString, file);
        QFETCH(int, rows);
        QFETCH(int, row);
        QFETCH(QString, columns);
        if (!FixturesAvailable()) {
            QSKIP("no peer fixtures");
        }
        WindowFixture f;
        Table t(f);
        Import(f, {qPrintable(file)});
        QCOMPARE(t.model->rowCount(), rows);
        QCOMPARE(t.shown(), QStringLiteral("%1 of %1 shown").arg(rows));
        if (!columns.isEmpty()) {
            QCOMPARE(t.row(row), columns);
        }
        // The file is named with its folder where the pointer rests.
        QCOMPARE(t.model->index(row, WaypointModel::File).data(Qt::ToolTipRole).toString(),
                 FixturePath(file));
    }

    // The same caches from two files, and one name again in other letter
    // case: the MapSource exports write one of each name regardless of case,
    // the LOC exports one of each exact name.
    void marksWhatTheExportsSkip() {
        if (!FixturesAvailable()) {
            QSKIP("no peer fixtures");
        }
        WindowFixture f;
        Table t(f);
        Import(f, {"geocaching.loc", "mapsource.mps"});
        f.addWaypoint(QStringLiteral("gc1a37"));
        t.table->storeChanged();
        QCOMPARE(t.shown(), QStringLiteral("19 of 19 shown"));

        // Muted rows carry the reason; the lower-case copy only for MapSource.
        const QPalette palette = QApplication::palette();
        int mapSourceSkips = 0;
        int locSkips = 0;
        for (int r = 0; r < t.model->rowCount(); ++r) {
            const QModelIndex name = t.model->index(r, WaypointModel::Name);
            const QString tip = name.data(Qt::ToolTipRole).toString();
            const bool muted = name.data(Qt::ForegroundRole).value<QBrush>() ==
                               palette.brush(QPalette::Disabled, QPalette::Text);
            QCOMPARE(muted, !tip.isEmpty());
            const bool both = muted && !tip.contains(u'(');
            mapSourceSkips += both || tip.contains(QStringLiteral("(MPS and GDB files)"));
            locSkips += both || tip.contains(QStringLiteral("(LOC files)"));
            if (name.data().toString() == QStringLiteral("gc1a37")) {
                QVERIFY2(tip.startsWith(QStringLiteral("Skipped at export: same name as GC1A37 in "
                                                       "mapsource.mps (MPS and GDB files)")),
                         qPrintable(tip));
            }
        }
        QCOMPARE(mapSourceSkips, 10);
        // Working it out moved nothing: the rows are in import order.
        QCOMPARE(t.column(WaypointModel::Name).first(), QStringLiteral("GCEBB"));
        QCOMPARE(f.session.store.Waypoints.front().Name, QStringLiteral("GCEBB"));

        // The next exports write what the table did not mark for them.
        const auto exported = [&](int kind, const char* name) {
            const QString path = f.temp.filePath(QString::fromLatin1(name));
            f.answers.dialogAnswers.push_back(path);
            f.find<QComboBox>("cmbGenerate")->setCurrentIndex(kind);
            f.click("cmdGo");
            WaypointStore written;
            RecordingProgress progress;
            (kind == 0 ? ReadMpsFile : ReadLocFile)(path, written, progress);
            return written.WaypointCount();
        };
        QCOMPARE(exported(0, "out.mps"), 19 - mapSourceSkips);
        QCOMPARE(exported(2, "out.loc"), 19 - locSkips);
    }

    // With names and descriptions swapped, the MapSource exports write the
    // descriptions as names: two equal descriptions make one of them skipped.
    void swapDecidesTheMapSourceSkips() {
        WindowFixture f;
        Table t(f);
        for (const char* name : {"GC1", "GC2"}) {
            f.addWaypoint(QString::fromLatin1(name));
            f.session.store.Waypoints.back().Description = QStringLiteral("Old tower");
        }
        t.table->storeChanged();
        // The sort's exchange of the two equal keys puts GC2 first.
        const auto tip = [&] {
            return t.model->index(0, WaypointModel::Name).data(Qt::ToolTipRole).toString() +
                   QLatin1Char('|') +
                   t.model->index(1, WaypointModel::Name).data(Qt::ToolTipRole).toString();
        };
        QCOMPARE(tip(), QStringLiteral("|"));
        f.window->optionTabs()->setCurrentIndex(1);
        QVERIFY(f.show());
        QTest::mouseClick(f.find<QCheckBox>("chkSwapNameDesc"), Qt::LeftButton);
        QVERIFY(f.session.options.SwapNameDesc);
        QCOMPARE(tip(),
                 QStringLiteral("Skipped at export: same name as Old tower (MPS and GDB files)|"));
    }

    void filter_data() {
        AddColumns<QString, QString, int>("text", "shown", "withMps");
        AddRow("all", "", "14 of 14 shown", 23);
        AddRow("part of a name, other case", "gc2", "3 of 14 shown", 6);
        AddRow("description", "JOGPS", "5 of 14 shown", 10);
        AddRow("type only (the parking)", "TRADITIONAL", "2 of 14 shown", 2);
        AddRow("nothing", "zzz", "0 of 14 shown", 0);
    }
    void filter() {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QFETCH(int, withMps);
        if (!FixturesAvailable()) {
            QSKIP("no peer fixtures");
        }
        WindowFixture f;
        Table t(f);
        Import(f, {"geocaching.loc"});
        ImportFile(f.session, QStringLiteral(WAYFOLD_EXAMPLES "/lakeside.gpx"));
        QTest::keyClicks(t.table->filterBox(), text);
        QCOMPARE(t.shown(), shown);
        // Rows an import adds are filtered as they come.
        Import(f, {"mapsource.mps"});
        QCOMPARE(t.model->rowCount(), withMps);
        QCOMPARE(t.shown(), QStringLiteral("%1 of 23 shown").arg(withMps));
    }

    // Delete takes the selected rows out of the store, Ctrl+Z puts them back
    // until the next export, and the export writes what is left.
    void removeUndoAndExport() {
        if (!FixturesAvailable()) {
            QSKIP("no peer fixtures");
        }
        WindowFixture f;
        QVERIFY(f.show());
        Table t(f);
        Import(f, {"geocaching.loc"});
        // Sorted by name, descending: the rows follow the view, not the store.
        t.view->sortByColumn(WaypointModel::Name, Qt::DescendingOrder);
        const QStringList sorted = t.column(WaypointModel::Name);
        QCOMPARE(sorted.first(), QStringLiteral("GCEBB"));
        QCOMPARE(sorted.last(), QStringLiteral("GC1A37"));

        t.select({0, 2});
        t.key(Qt::Key_Delete);
        QCOMPARE(f.status(), QStringLiteral("Imported waypoints: 7|Last Import: 9|Export New File "
                                            "- 7 waypoints|Clear Imports"));
        QCOMPARE(t.shown(), QStringLiteral("7 of 7 shown"));
        QStringList left = sorted;
        left.removeAt(2);
        left.removeAt(0);
        QCOMPARE(t.column(WaypointModel::Name), left);

        t.key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(t.column(WaypointModel::Name), sorted);
        QCOMPARE(f.find<QLabel>("sbrPanel1")->text(), QStringLiteral("Imported waypoints: 9"));
        t.key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(t.model->rowCount(), 9);

        t.select({1, 3, 4});
        t.key(Qt::Key_Delete);
        left = sorted;
        for (const int r : {4, 3, 1}) {
            left.removeAt(r);
        }
        const QString loc = f.temp.filePath(QStringLiteral("left.loc"));
        f.answers.dialogAnswers.push_back(loc);
        f.find<QComboBox>("cmbGenerate")->setCurrentIndex(2);
        f.click("cmdGo");
        // The writer sorted the store; the view keeps the user's order.
        QCOMPARE(t.column(WaypointModel::Name), left);
        QCOMPARE(t.view->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
        // No removal to undo after an export.
        t.key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(t.model->rowCount(), 6);

        WaypointStore written;
        RecordingProgress progress;
        ReadLocFile(loc, written, progress);
        QStringList names;
        for (const Waypoint& w : written.Waypoints) {
            names.push_back(w.Name);
        }
        std::sort(left.begin(), left.end());
        QCOMPARE(names, left);

        f.click("cmdClear");
        QCOMPARE(t.shown(), QStringLiteral("0 of 0 shown"));
    }

    // Rows appear while a file is read, with their file; nothing can be
    // removed from the store while a reader fills it.
    void followsARunningImport() {
        constexpr int kCount = 20000;
        WindowFixture f;
        Table t(f);
        QByteArray gpx = "<?xml version=\"1.0\"?><gpx version=\"1.0\">";
        for (int i = 0; i < kCount; ++i) {
            gpx += "<wpt lat=\"1\" lon=\"2\"><name>W" + QByteArray::number(i) + "</name></wpt>";
        }
        const QString path = f.temp.filePath(QStringLiteral("many.gpx"));
        QVERIFY(MakeFile(path, gpx + "</gpx>"));
        QString during;
        QTimer probe;
        probe.setInterval(0);
        connect(&probe, &QTimer::timeout, this, [&] {
            if (!during.isEmpty() || !f.session.importRunning || t.model->rowCount() == 0) {
                return;
            }
            t.select({0});
            t.table->removeSelected();
            during = QStringLiteral("%1 %2 %3")
                         .arg(t.model->rowCount() < kCount)
                         .arg(t.model->index(0, WaypointModel::File).data().toString())
                         .arg(t.model->index(0, WaypointModel::Name).data().toString());
        });
        probe.start();
        ImportFile(f.session, path);
        probe.stop();
        QCOMPARE(during, QStringLiteral("1 many.gpx W0"));
        QCOMPARE(t.model->rowCount(), kCount);
        QCOMPARE(f.session.store.WaypointCount(), kCount);
    }

    // The filter box and the table come after the option tabs in the Tab order.
    void tabOrder() {
        WindowFixture f;
        QVERIFY(f.show());
        Table t(f);
        QLineEdit* filter = t.table->filterBox();
        filter->setFocus();
        QTest::keyClick(filter, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), t.view);
        filter->setFocus();
        QTest::keyClick(filter, Qt::Key_Backtab);
        QVERIFY(f.window->optionTabs()->isAncestorOf(QApplication::focusWidget()));
    }

    // A double click opens the row's link; coordinates the import reset are
    // marked with what was read.
    void linkAndFixedCoordinates() {
        WindowFixture f;
        QVERIFY(f.show());
        Table t(f);
        const QString gpx = f.temp.filePath(QStringLiteral("far.gpx"));
        QVERIFY(MakeFile(gpx,
                         "<?xml version=\"1.0\"?><gpx version=\"1.0\">"
                         "<wpt lat=\"95.5\" lon=\"-200\"><name>GC1</name><desc>Old "
                         "tower</desc><url>https://example.org/gc1</url></wpt>"
                         "<wpt lat=\"1\" lon=\"2\"><name>GC2</name></wpt></gpx>"));
        ImportFile(f.session, gpx);
        QCOMPARE(t.model->rowCount(), 2);
        const QModelIndex fixed = t.model->index(0, WaypointModel::Name);
        QCOMPARE(fixed.data().toString(), QStringLiteral("FIXED-GC1"));
        QVERIFY(!fixed.data(Qt::DecorationRole).value<QIcon>().isNull());
        QCOMPARE(fixed.data(Qt::ToolTipRole).toString(),
                 QStringLiteral("Out-of-range coordinates were reset to 0 (read as 95.5, -200)"));
        QVERIFY(t.model->index(1, WaypointModel::Name).data(Qt::DecorationRole).isNull());

        QList<QUrl> opened;
        t.table->setLinkOpener([&](const QUrl& url) { opened.push_back(url); });
        for (const int row : {0, 1}) {
            const QRect cell = t.view->visualRect(t.model->index(row, WaypointModel::Name));
            QTest::mouseClick(t.view->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
            QTest::mouseDClick(t.view->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        }
        QCOMPARE(opened, QList<QUrl>{QUrl(QStringLiteral("https://example.org/gc1"))});
    }
};

QTEST_MAIN(WaypointTableTest)
#include "test_waypointtable.moc"
