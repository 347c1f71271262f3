#pragma once

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDragEnterEvent>
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

// A sample file shipped with the program, and a file of these tests' own.
inline QString Example(const char* name) {
    return QStringLiteral(WAYFOLD_EXAMPLES "/") + QLatin1String(name);
}
inline QString UiData(const char* name) {
    return QStringLiteral(WAYFOLD_TEST_DATA "/ui/") + QLatin1String(name);
}

// Texts separated by "|".
inline QStringList Split(const char* texts) {
    return QString::fromUtf8(texts).split(u'|');
}

// The window on a session with a settings store in memory, a clock pinned to
// 2026-12-05 01:02:03 UTC, and message boxes and dialogs answered by a fake.
struct WindowFixture {
    // Opens the window on a store holding these values ("name=value|...").
    explicit WindowFixture(const char* stored = "") {
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
        for (const QString& value : QString::fromLatin1(stored).split(u'|', Qt::SkipEmptyParts)) {
            settings.setValue(value.section(u'=', 0, 0), value.section(u'=', 1));
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

    // Restores the options from the store and shows them. No test reaches
    // the tile server unless it stored one of its own.
    void restore() {
        RestoreOptions(session.options, settings);
        if (!settings.values.contains(QStringLiteral("TileAddress"))) {
            session.options.TileAddress.clear();
        }
        window->showRestoredOptions();
    }

    template <class T = QWidget>
    T* find(const char* name) const {
        T* widget = window->findChild<T*>(QString::fromLatin1(name));
        return widget != nullptr ? widget : (qFatal("no control %s", name), nullptr);
    }
    // A property of a control or menu item, as text.
    QString is(const char* control, const char* property) const {
        return find<QObject>(control)->property(property).toString();
    }
    // Properties as "control.property|...", joined by "|".
    QString are(const char* list) const {
        QStringList values;
        for (const QString& p : Split(list)) {
            values.push_back(is(qPrintable(p.section(u'.', 0, 0)), qPrintable(p.section(u'.', 1))));
        }
        return values.join(u'|');
    }
    void set(const char* control, const char* property, const QVariant& value) const {
        QVERIFY2(find<QObject>(control)->setProperty(property, value), control);
    }
    // Clicks a button or triggers a menu item.
    void click(const char* control) const {
        QObject* o = find<QObject>(control);
        QVERIFY(QMetaObject::invokeMethod(o, qobject_cast<QAction*>(o) ? "trigger" : "click"));
    }
    void key(const char* control, const QKeySequence& keys) const {
        QWidget* w = find(control);
        w->setFocus();
        QTest::keyClick(w, keys[0].key(), keys[0].keyboardModifiers());
    }
    // Takes the focus from a control, to another of this window or to
    // another window.
    void leave(const char* control, bool toAnotherWindow = false) const {
        QFocusEvent out(QEvent::FocusOut,
                        toAnotherWindow ? Qt::ActiveWindowFocusReason : Qt::TabFocusReason);
        QApplication::sendEvent(find(control), &out);
    }
    QString focus() const {
        return window->focusWidget() ? window->focusWidget()->objectName() : QString();
    }

    template <class... Paths>
    void import(const Paths&... paths) {
        (ImportFile(session, paths), ...);
    }
    // Writes base.gpx into the temporary folder, with count waypoints named
    // prefix + 1, prefix + 2, ...
    QString writeGpx(const char* base, int count, const QByteArray& prefix) const {
        const QString path = temp.filePath(QLatin1String(base) + QStringLiteral(".gpx"));
        QByteArray gpx = "<?xml version=\"1.0\"?>\n<gpx version=\"1.0\">\n";
        for (int i = 1; i <= count; ++i) {
            const QByteArray n = QByteArray::number(i);
            gpx += "<wpt lat=\"47." + n + "\" lon=\"7." + n + "\"><name>" + prefix + n +
                   "</name></wpt>\n";
        }
        return MakeFile(path, gpx + "</gpx>\n") ? path : QString();
    }
    // Runs start and, once an import runs and ready() says so, clicks control.
    template <class Ready, class Start>
    void interrupt(const char* control, Ready ready, Start start) {
        QTimer timer;
        bool done = false;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (!done && is("cmdClear", "text") == u"Cancel Import.." && ready()) {
                done = true;
                click(control);
            }
        });
        timer.start(0);
        start();
    }
    // Exports as the list's entry index to file in the temporary folder.
    void exportTo(int index, const char* file) {
        answers.dialogAnswers.push_back(temp.filePath(QString::fromLatin1(file)));
        set("cmbGenerate", "currentIndex", index);
        click("cmdGo");
    }
    void select(std::initializer_list<int> rows) const {
        view->clearSelection();
        for (const int r : rows) {
            view->selectionModel()->select(view->model()->index(r, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    // The texts of a column of the table; a value that is no text reads as
    // its type's name (QIcon, QBrush).
    QStringList texts(int column, int role = Qt::DisplayRole) const {
        const QAbstractItemModel* m = view->model();
        QStringList texts;
        for (int i = 0; i < m->rowCount(); ++i) {
            const QVariant v = m->index(i, column).data(role);
            const bool other = v.isValid() && !v.canConvert<QString>();
            texts.push_back(other ? QString::fromLatin1(v.typeName()) : v.toString());
        }
        return texts;
    }
    // Every message so far, as its title and the first line of its text.
    QStringList messages() const {
        QStringList texts;
        for (const UserMessage& m : answers.messages) {
            texts.push_back(m.title + u'/' + m.text.section(u'\r', 0, 0));
        }
        return texts;
    }
    QString stored(const char* name) const {
        return settings.values.value(QString::fromLatin1(name));
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
