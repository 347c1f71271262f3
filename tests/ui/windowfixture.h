#pragma once

#include <QApplication>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "support/fakes.h"
#include "ui/mainwindow.h"
#include "ui/widgetfrontend.h"

// The lines of a section ("[name]") of tests/data/ui/window.txt, each split
// into its fields at ";"; "#" lines are notes.
inline QList<QStringList> TableLines(const char* section) {
    QFile file(QStringLiteral(WAYFOLD_TEST_DATA "/ui/window.txt"));
    if (!file.open(QIODevice::ReadOnly)) {
        qFatal("no table");
    }
    QList<QStringList> lines;
    QString at;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.startsWith(u'[')) {
            at = line.mid(1, line.size() - 2);
        } else if (!line.isEmpty() && !line.startsWith(u'#') && at == QLatin1String(section)) {
            lines.push_back(line.split(u';'));
        }
    }
    return lines;
}

// Rows of the current test from its section: the first field names the row,
// the others are QString columns of these names (an empty field is null).
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

    void addWaypoint(const QString& name) { AddTestWaypoint(session.store, name); }
    void click(const char* button) const {
        QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton);
    }
    // The status panels, the export frame's caption and the Clear button's.
    QString status() const {
        return QStringList{find<QLabel>("sbrPanel1")->text(), find<QLabel>("sbrPanel2")->text(),
                           find<QGroupBox>("fraExport")->title(),
                           find<QPushButton>("cmdClear")->text()}
            .join(u'|');
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
};
