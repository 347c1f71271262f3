#pragma once

#include <QDateTime>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "support/fakes.h"
#include "ui/mainwindow.h"
#include "ui/widgetfrontend.h"

// The window on a session with a settings store in memory, a clock pinned to
// 2026-12-05 01:02:03 UTC, and message boxes and dialogs answered by a fake.
struct WindowFixture {
    WindowFixture() {
        // The shell-verb tick reads the desktop entries of the data folder.
        qputenv("XDG_DATA_HOME", data.path().toUtf8());
        // No Wine prefix of the machine's takes part in a test.
        qputenv("WINEPREFIX", data.filePath(QStringLiteral("wine")).toUtf8());
    }

    // Creates the window and runs its load; the settings may be filled before.
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

    void addWaypoint(const QString& name) {
        Waypoint w;
        w.Name = name;
        w.Latitude = 47.5;
        w.Longitude = 7.5;
        w.LatSemicircles = DegreesToSemicircles(w.Latitude);
        w.LonSemicircles = DegreesToSemicircles(w.Longitude);
        session.store.Waypoints.push_back(w);
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
