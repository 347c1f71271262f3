#pragma once

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "core/options.h"
#include "desktop/shellverbs.h"
#include "session/importer.h"
#include "session/optionstore.h"
#include "support/fakes.h"
#include "ui/filebrowser.h"
#include "ui/mainwindow.h"
#include "ui/waypointtable.h"
#include "ui/widgetfrontend.h"

// The sections ("[name]") of a file in tests/data/ui, each a list of lines
// split into their fields at ";"; "#" lines are notes.
inline QMap<QString, QList<QStringList>> Sections(const char* fileName) {
    QFile file(QStringLiteral(WAYFOLD_TEST_DATA "/ui/") + QLatin1String(fileName));
    if (!file.open(QIODevice::ReadOnly)) {
        qFatal("no table %s", fileName);
    }
    QMap<QString, QList<QStringList>> sections;
    QString at;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.startsWith(u'[')) {
            at = line.mid(1, line.size() - 2);
        } else if (!line.isEmpty() && !line.startsWith(u'#')) {
            sections[at].push_back(line.split(u';'));
        }
    }
    return sections;
}
inline QList<QStringList> TableLines(const char* section) {
    return Sections("window.txt").value(QLatin1String(section));
}

// The option stored under this value name, as a number.
inline qint64 OptionValue(const Options& o, const QString& name) {
    const std::pair<const char*, qint64> values[] = {
        {"PreserveIcons", o.PreserveIcons}, {"PreserveDisplay", o.PreserveDisplay},
        {"CopyHint", o.CopyHint},           {"ModNames", o.ModNames},
        {"SwapNameDesc", o.SwapNameDesc},   {"PreserveTimes", o.PreserveTimes},
        {"PreserveCats", o.PreserveCats},   {"IconNumber", o.IconNumber},
        {"DisplayMode", o.DisplayMode},     {"GdbVersion", o.GdbVersion},
        {"Categories", o.Categories},       {"ManualTime", o.ManualTime}};
    for (const auto& [stored, value] : values) {
        if (name == QLatin1String(stored)) {
            return value;
        }
    }
    return -1;
}

// Rows of the current test from its section of tests/data/ui/window.txt: the
// first field names the row, the others are QString columns of these names
// (an empty field is null).
inline void AddTableRows(std::initializer_list<const char*> columns) {
    for (const char* column : columns) {
        QTest::addColumn<QString>(column);
    }
    for (const QStringList& fields : TableLines(QTest::currentTestFunction())) {
        QTestData& row = QTest::newRow(qPrintable(fields.front()));
        for (int i = 1; i <= int(columns.size()); ++i) {
            row << (fields.value(i).isEmpty() ? QString() : fields.value(i));
        }
    }
}

// A GPX file with count waypoints named prefix + 1, prefix + 2, ...
inline bool WriteGpx(const QString& path, int count, const QByteArray& prefix) {
    QByteArray gpx = "<?xml version=\"1.0\"?>\n<gpx version=\"1.0\">\n";
    for (int i = 1; i <= count; ++i) {
        const QByteArray n = QByteArray::number(i);
        gpx +=
            "<wpt lat=\"47." + n + "\" lon=\"7." + n + "\"><name>" + prefix + n + "</name></wpt>\n";
    }
    return MakeFile(path, gpx + "</gpx>\n");
}

// Runs act while probe is called at every pass of the event loop until it
// returns true.
template <class Probe, class Act>
void Probing(Probe probe, Act act) {
    QTimer timer;
    bool done = false;
    QObject::connect(&timer, &QTimer::timeout, [&] { done = done || probe(); });
    timer.start(0);
    act();
}

// The window on a session with a settings store in memory, a clock pinned to
// 2026-12-05 01:02:03 UTC, and message boxes and dialogs answered by a fake.
struct WindowFixture {
    // Opens the window on a store holding these values (null ones are left out).
    explicit WindowFixture(std::initializer_list<std::pair<const char*, QString>> stored = {}) {
        // The shell-verb tick reads the desktop entries of the data folder.
        qputenv("XDG_DATA_HOME", data.path().toUtf8());
        // No Wine prefix of the machine's takes part in a test.
        qputenv("WINEPREFIX", data.filePath(QStringLiteral("wine")).toUtf8());
        session.tileCacheFolder = temp.filePath(QStringLiteral("tiles"));
#ifdef Q_OS_WIN
        // On Windows the tick reads the user's registry, which every test shares.
        FakeProcessStarter processes;
        SetShellVerbs(false, QString(), processes);
#endif
        for (const auto& [name, value] : stored) {
            if (!value.isNull()) {
                settings.setValue(QString::fromLatin1(name), value);
            }
        }
        open();
    }

    // Creates the window anew and runs its load.
    MainWindow& open() {
        window = std::make_unique<MainWindow>(session);
        frontend.attach(window.get());
        window->load();
        view = window->waypointTable()->view();
        window->waypointTable()->setLinkOpener(
            [this](const QUrl& url) { links.push_back(url.toString()); });
        return *window;
    }

    template <class T = QWidget>
    T* find(const char* name) const {
        T* widget = window->findChild<T*>(QString::fromLatin1(name));
        if (widget == nullptr) {
            qFatal("no control %s", name);
        }
        return widget;
    }

    void click(const char* button) const {
        QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton);
    }
    // Runs the steps of a script (tests/data/ui/scripts.txt says how they
    // are written); the test fails at the first that does not hold.
    void run(const QList<QStringList>& script) {
        for (QStringList s : script) {
            for (QString& field : s) {
                field.replace(QLatin1String("%temp%"), temp.path());
                field.replace(QLatin1String("%data%"), data.path());
                field.replace(QLatin1String("%app%"), QCoreApplication::applicationDirPath());
                field.replace(QLatin1String("%peer%"), QStringLiteral(WAYFOLD_FIXTURES));
                field.replace(QLatin1String("%examples%"), QStringLiteral(WAYFOLD_EXAMPLES));
                field.replace(QLatin1String("%ui%"), QStringLiteral(WAYFOLD_TEST_DATA "/ui"));
            }
            const QString step = s.join(u';') + QStringLiteral(" -> ");
            QString verb = s.takeFirst();
            if (verb == QLatin1String("posix")) {
#ifdef Q_OS_WIN
                continue;
#endif
                verb = s.takeFirst();
            }
            QObject* o = s.isEmpty() ? nullptr : window->findChild<QObject*>(s[0]);
            auto* w = qobject_cast<QWidget*>(o);
            if (o == nullptr &&
                QStringLiteral("click key set leave expect").split(u' ').contains(verb)) {
                QFAIL(qPrintable(step + QStringLiteral("no such control")));
            }
            if (verb == QLatin1String("store")) {
                settings.setValue(s[0], s[1]);
            } else if (verb == QLatin1String("open")) {
                open();
            } else if (verb == QLatin1String("show")) {
                QVERIFY(show());
            } else if (verb == QLatin1String("import")) {
                ImportFile(session, s[0]);
            } else if (verb == QLatin1String("select")) {
                view->clearSelection();
                for (const QString& r : s[0].split(u',')) {
                    view->selectionModel()->select(
                        view->model()->index(r.toInt(), 0),
                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
                }
            } else if (verb == QLatin1String("sort")) {
                view->sortByColumn(s[0].toInt(), Qt::SortOrder(s[1] == QLatin1String("down")));
            } else if (verb == QLatin1String("rows") || verb == QLatin1String("row")) {
                // A column of the table, or with "row" a row.
                const bool row = verb == QLatin1String("row");
                const QAbstractItemModel* m = view->model();
                QStringList texts;
                for (int i = 0; i < (row ? m->columnCount() : m->rowCount()); ++i) {
                    const QVariant v =
                        m->index(row ? s[0].toInt() : i, row ? i : s[0].toInt()).data(s[1].toInt());
                    const bool other = v.isValid() && !v.canConvert<QString>();
                    texts.push_back(other ? QString::fromLatin1(v.typeName()) : v.toString());
                }
                QCOMPARE(step + texts.join(u'|'), step + s.value(2));
            } else if (verb == QLatin1String("selected")) {
                // The selection's ranges of rows; one not spanning every column is marked.
                QStringList ranges;
                for (const QItemSelectionRange& r : view->selectionModel()->selection()) {
                    const bool whole =
                        r.left() == 0 && r.right() == view->model()->columnCount() - 1;
                    ranges.push_back(QStringLiteral("%1-%2%3")
                                         .arg(r.top())
                                         .arg(r.bottom())
                                         .arg(whole ? QString() : QStringLiteral(" part")));
                }
                QCOMPARE(step + ranges.join(u'|'), step + s.value(0));
            } else if (verb == QLatin1String("dclick")) {
                const QPoint at = view->visualRect(view->model()->index(s[0].toInt(), 0)).center();
                QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
                QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
            } else if (verb == QLatin1String("links")) {
                QCOMPARE(step + links.join(u'|'), step + s.value(0));
            } else if (verb == QLatin1String("restore")) {
                RestoreOptions(session.options, settings);
                // No test reaches the tile server unless it stored one of its own.
                if (!settings.values.contains(QStringLiteral("TileAddress"))) {
                    session.options.TileAddress.clear();
                }
                window->showRestoredOptions();
            } else if (auto* action = qobject_cast<QAction*>(o); verb == QLatin1String("click")) {
                action != nullptr ? action->trigger() : qobject_cast<QAbstractButton*>(o)->click();
            } else if (verb == QLatin1String("key")) {
                w->setFocus();
                const QKeyCombination key = QKeySequence(s[1])[0];
                QTest::keyClick(w, key.key(), key.keyboardModifiers());
            } else if (verb == QLatin1String("set")) {
                QVERIFY2(o->setProperty(qPrintable(s[1]), s[2]), qPrintable(step));
            } else if (verb == QLatin1String("leave")) {
                QFocusEvent out(QEvent::FocusOut, s.value(1) == QLatin1String("to another window")
                                                      ? Qt::ActiveWindowFocusReason
                                                      : Qt::TabFocusReason);
                QApplication::sendEvent(w, &out);
            } else if (verb == QLatin1String("answer")) {
                answers.dialogAnswers.push_back(s[0]);
            } else if (verb == QLatin1String("reply")) {
                answers.messageAnswers.push_back(s[0] == QLatin1String("yes") ? MessageAnswer::Yes
                                                                              : MessageAnswer::No);
            } else if (verb == QLatin1String("later")) {
                now = now.addSecs(s[0].toLongLong());
            } else if (verb == QLatin1String("expect")) {
                QTRY_COMPARE(step + o->property(qPrintable(s[1])).toString(), step + s.value(2));
            } else if (verb == QLatin1String("focus")) {
                QTRY_COMPARE(step + (window->focusWidget() ? window->focusWidget()->objectName()
                                                           : QString()),
                             step + s[0]);
            } else if (verb == QLatin1String("stored")) {
                const QString stored = s.value(0).isEmpty() ? settings.values.keys().join(u',')
                                                            : settings.values.value(s[0]);
                // Folders are stored as the system writes them.
                QCOMPARE(step + stored, step + QDir::toNativeSeparators(s.value(1)));
            } else if (verb == QLatin1String("messages")) {
                QStringList texts;
                for (const UserMessage& m : answers.messages) {
                    texts.push_back(m.title + u'/' + m.text.section(u'\r', 0, 0));
                }
                QCOMPARE(step + texts.join(u'|'), step + s.value(0));
            } else if (verb == QLatin1String("option")) {
                QCOMPARE(step + QString::number(OptionValue(session.options, s[0])), step + s[1]);
            } else if (verb == QLatin1String("folder")) {
                QCOMPARE(step + window->fileBrowser()->folder(), step + s[0]);
            } else if (verb == QLatin1String("prompts")) {
                QCOMPARE(step + answers.folderPrompts.join(u'|'), step + s.value(0));
            } else if (verb == QLatin1String("exists")) {
                QCOMPARE(step + QLatin1String(QFileInfo::exists(s[0]) ? "yes" : "no"), step + s[1]);
            } else {
                QFAIL(qPrintable(step + QStringLiteral("no such step")));
            }
        }
    }

    // Shows the window: controls have their places from then on.
    bool show() {
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }

    // Drags data over the shown window to a control and drops it there;
    // false when the window refuses it.
    bool drop(QWidget* target, const QMimeData& data) const {
        const QPoint at = target->mapTo(window.get(), target->rect().center());
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        if (!enter.isAccepted()) {
            return false;
        }
        QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &move);
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &drop);
        return drop.isAccepted();
    }

    QTemporaryDir data;
    QTemporaryDir temp;
    FakeFrontend answers;
    WidgetFrontend frontend{&answers};
    MemorySettingsStore settings;
    FakeProcessStarter processes;
    QDateTime now{QDate(2026, 12, 5), QTime(1, 2, 3), Qt::UTC};
    Session session{frontend, settings, processes, [this] { return now; }, temp.path()};
    std::unique_ptr<MainWindow> window;
    QTableView* view = nullptr;
    QStringList links;  // the links the table opened
};
