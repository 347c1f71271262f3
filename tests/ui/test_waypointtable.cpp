// The waypoint table of the main window: what it shows of the imported
// files, what it says the next exports will skip, the filter, removing rows
// and putting them back, and links.
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QUrl>

#include "session/importer.h"
#include "locgpx/locreader.h"
#include "mapsource/mpsreader.h"
#include "support/testfiles.h"
#include "ui/optiontabs.h"
#include "ui/waypointmodel.h"
#include "ui/waypointtable.h"
#include "windowfixture.h"

namespace {

// The window with the table, the given peer files imported.
struct Table : WindowFixture {
    explicit Table(std::initializer_list<QString> files = {}) {
        for (const QString& file : files) {
            ImportFile(session, FixturePath(file));
        }
    }
    QString at(int r, int c, int role = Qt::DisplayRole) const {
        return model->index(r, c).data(role).toString();
    }
    // The texts of a row (c < 0) or of a column (r < 0).
    QStringList texts(int r, int c) const {
        QStringList texts;
        for (int i = 0; i < (r < 0 ? model->rowCount() : model->columnCount()); ++i) {
            texts.push_back(r < 0 ? at(i, c) : at(r, i));
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
    // Exports as the Generate list's entry kind and reads the file back.
    QStringList exported(int kind, const QString& path) {
        answers.dialogAnswers.push_back(path);
        find<QComboBox>("cmbGenerate")->setCurrentIndex(kind);
        click("cmdGo");
        WaypointStore written;
        RecordingProgress progress;
        (kind == 0 ? ReadMpsFile : ReadLocFile)(path, written, progress);
        return Names(written);
    }

    WaypointTable* table = window->waypointTable();
    QTableView* view = table->view();
    WaypointModel* model = table->model();
};

}  // namespace

class WaypointTableTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        const QByteArray peerFiles =
            "showsAnImportedFile marksWhatTheExportsSkip filter removeUndoAndExport";
        if (!FixturesAvailable() && peerFiles.split(' ').contains(QTest::currentTestFunction())) {
            QSKIP("no peer fixtures");
        }
    }

    // The file is named with its folder where the pointer rests.
    void showsAnImportedFile_data() { AddTableRows({"file", "rows", "row", "columns"}); }
    void showsAnImportedFile() {
        QFETCH(QString, file);
        QFETCH(QString, rows);
        QFETCH(QString, row);
        QFETCH(QString, columns);
        Table t({file});
        QCOMPARE(QString::number(t.model->rowCount()), rows);
        QCOMPARE(t.shown(), QStringLiteral("%1 of %1 shown").arg(rows));
        QVERIFY(columns.isNull() || t.texts(row.toInt(), -1).join(u'|') == columns);
        QCOMPARE(t.at(row.toInt(), WaypointModel::File, Qt::ToolTipRole), FixturePath(file));
    }

    // The same caches from two files, and one name again in other letter
    // case: the MapSource exports write one of each name regardless of case,
    // the LOC exports one of each exact name: exactly what the table did not
    // mark for them.
    void marksWhatTheExportsSkip() {
        Table t({QStringLiteral("geocaching.loc"), QStringLiteral("mapsource.mps")});
        t.addWaypoint(QStringLiteral("gc1a37"));
        t.table->storeChanged();
        QCOMPARE(t.shown(), QStringLiteral("19 of 19 shown"));
        // Muted rows carry the reason; the lower-case copy only for MapSource.
        const QBrush muted = QApplication::palette().brush(QPalette::Disabled, QPalette::Text);
        QStringList mapSource;
        QStringList loc;
        for (int r = 0; r < t.model->rowCount(); ++r) {
            const QModelIndex name = t.model->index(r, WaypointModel::Name);
            const QString tip = name.data(Qt::ToolTipRole).toString();
            QCOMPARE(name.data(Qt::ForegroundRole).value<QBrush>() == muted, !tip.isEmpty());
            // A reason without the kind of files holds for both kinds.
            const bool both = !tip.isEmpty() && !tip.contains(u'(');
            if (!both && !tip.contains(QStringLiteral("(MPS and GDB files)"))) {
                mapSource.push_back(name.data().toString());
            }
            if (!both && !tip.contains(QStringLiteral("(LOC files)"))) {
                loc.push_back(name.data().toString());
            }
        }
        QCOMPARE(
            t.at(18, WaypointModel::Name, Qt::ToolTipRole),
            QStringLiteral(
                "Skipped at export: same name as GC1A37 in mapsource.mps (MPS and GDB files)"));
        QCOMPARE(mapSource.size(), 9);
        // Working it out moved nothing: the rows are in import order.
        QCOMPARE(t.at(0, WaypointModel::Name), QStringLiteral("GCEBB"));
        QCOMPARE(t.session.store.Waypoints.front().Name, QStringLiteral("GCEBB"));
        for (auto [kind, expected] : {std::pair{0, mapSource}, {2, loc}}) {
            QStringList written =
                t.exported(kind, t.temp.filePath(QStringLiteral("out") + QString::number(kind)));
            written.sort();
            expected.sort();
            QCOMPARE(written, expected);
        }
    }

    // With names and descriptions swapped, the MapSource exports write the
    // descriptions as names: two equal descriptions make one of them skipped.
    void swapDecidesTheMapSourceSkips() {
        Table t;
        for (const char* name : {"GC1", "GC2"}) {
            t.addWaypoint(QString::fromLatin1(name));
            t.session.store.Waypoints.back().Description = QStringLiteral("Old tower");
        }
        t.table->storeChanged();
        // The sort's exchange of the two equal keys puts GC2 first.
        const auto tips = [&] {
            return t.at(0, WaypointModel::Name, Qt::ToolTipRole) + u'|' +
                   t.at(1, WaypointModel::Name, Qt::ToolTipRole);
        };
        QCOMPARE(tips(), QStringLiteral("|"));
        t.window->optionTabs()->setCurrentIndex(1);
        QVERIFY(t.show());
        QTest::mouseClick(t.find<QCheckBox>("chkSwapNameDesc"), Qt::LeftButton);
        QCOMPARE(tips(),
                 QStringLiteral("Skipped at export: same name as Old tower (MPS and GDB files)|"));
    }

    // Rows an import adds are filtered as they come.
    void filter_data() { AddTableRows({"text", "shown", "withMps"}); }
    void filter() {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QFETCH(QString, withMps);
        Table t({QStringLiteral("geocaching.loc")});
        ImportFile(t.session, QStringLiteral(WAYFOLD_EXAMPLES "/lakeside.gpx"));
        QTest::keyClicks(t.table->filterBox(), text);
        QCOMPARE(t.shown(), shown);
        ImportFile(t.session, FixturePath(QStringLiteral("mapsource.mps")));
        QCOMPARE(t.shown(), QStringLiteral("%1 of 23 shown").arg(withMps));
        QCOMPARE(QString::number(t.model->rowCount()), withMps);
    }

    // Delete takes the selected rows out of the store, Ctrl+Z puts them back
    // until the next export, and the export writes what is left.
    void removeUndoAndExport() {
        Table t({QStringLiteral("geocaching.loc")});
        QVERIFY(t.show());
        // Sorted by name, descending: the rows follow the view, not the store.
        t.view->sortByColumn(WaypointModel::Name, Qt::DescendingOrder);
        const QStringList sorted = t.texts(-1, WaypointModel::Name);
        QCOMPARE(sorted.first() + sorted.last(), QStringLiteral("GCEBBGC1A37"));
        t.select({0, 2});
        t.key(Qt::Key_Delete);
        QCOMPARE(t.status(), QStringLiteral("Imported waypoints: 7|Last Import: 9|Export New File "
                                            "- 7 waypoints|Clear Imports"));
        QCOMPARE(t.shown(), QStringLiteral("7 of 7 shown"));
        QStringList left = sorted;
        left.removeAt(2);
        left.removeAt(0);
        QCOMPARE(t.texts(-1, WaypointModel::Name), left);
        t.key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(t.texts(-1, WaypointModel::Name), sorted);
        QCOMPARE(t.find<QLabel>("sbrPanel1")->text(), QStringLiteral("Imported waypoints: 9"));
        t.key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(t.model->rowCount(), 9);

        t.select({1, 3, 4});
        t.key(Qt::Key_Delete);
        left = sorted;
        for (const int r : {4, 3, 1}) {
            left.removeAt(r);
        }
        QStringList written = t.exported(2, t.temp.filePath(QStringLiteral("left.loc")));
        // The writer sorted the store; the view keeps the user's order.
        QCOMPARE(t.texts(-1, WaypointModel::Name), left);
        QCOMPARE(t.view->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
        // No removal to undo after an export.
        t.key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(t.model->rowCount(), 6);
        std::sort(left.begin(), left.end());
        QCOMPARE(written, left);
        t.click("cmdClear");
        QCOMPARE(t.shown(), QStringLiteral("0 of 0 shown"));
    }

    // Rows appear while a file is read, with their file; nothing can be
    // removed from the store while a reader fills it.
    void followsARunningImport() {
        Table t;
        const QString path = t.temp.filePath(QStringLiteral("many.gpx"));
        QVERIFY(WriteGpx(path, 20000, "W"));
        QString during;
        Probing(
            [&] {
                if (!t.session.importRunning || t.model->rowCount() == 0) {
                    return false;
                }
                t.select({0});
                t.table->removeSelected();
                during = QStringLiteral("%1 %2 %3")
                             .arg(t.model->rowCount() < 20000)
                             .arg(t.at(0, WaypointModel::File), t.at(0, WaypointModel::Name));
                return true;
            },
            [&] { ImportFile(t.session, path); });
        QCOMPARE(during, QStringLiteral("1 many.gpx W1"));
        QCOMPARE(t.model->rowCount(), 20000);
        QCOMPARE(t.session.store.WaypointCount(), 20000);
    }

    // A double click opens the row's link; coordinates the import reset are
    // marked with what was read.
    void linkAndFixedCoordinates() {
        Table t;
        QVERIFY(t.show());
        const QString gpx = t.temp.filePath(QStringLiteral("far.gpx"));
        QVERIFY(MakeFile(gpx,
                         "<?xml version=\"1.0\"?><gpx version=\"1.0\">"
                         "<wpt lat=\"95.5\" lon=\"-200\"><name>GC1</name><desc>Old "
                         "tower</desc><url>https://example.org/gc1</url></wpt>"
                         "<wpt lat=\"1\" lon=\"2\"><name>GC2</name></wpt></gpx>"));
        ImportFile(t.session, gpx);
        QCOMPARE(t.texts(-1, WaypointModel::Name).join(u','), QStringLiteral("FIXED-GC1,GC2"));
        const QModelIndex fixed = t.model->index(0, WaypointModel::Name);
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
