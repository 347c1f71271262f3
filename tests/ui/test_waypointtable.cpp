// The waypoint table of the main window: what it shows of the imported
// files, what it says the next exports will skip, the filter, removing rows
// and putting them back, and links.
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QUrl>

#include "core/importer.h"
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
    WaypointModel* model = table->model();
};

}  // namespace

class WaypointTableTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        const QByteArray peerFiles = "showsAnImportedFile marksWhatTheExportsSkip";
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
                t.view->selectRow(0);
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
};

QTEST_MAIN(WaypointTableTest)
#include "test_waypointtable.moc"
