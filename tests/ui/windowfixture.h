#pragma once

#include <QApplication>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "support/fakes.h"
#include "ui/mainwindow.h"
#include "ui/widgetfrontend.h"

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

    template <class T>
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
