// The built program with its window, on the offscreen platform: start-up
// loads the window, shows the stored folder, and "/q" unloads it again.
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class WindowStartTest : public QObject {
    Q_OBJECT

    // Runs the program with the window and returns its exit status.
    static int Run(const QTemporaryDir& home, const QStringList& arguments) {
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        e.insert(QStringLiteral("HOME"), home.path());
        e.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        e.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
        p.setProcessEnvironment(e);
        p.start(QStringLiteral(WAYFOLD_PROGRAM), arguments);
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished();
            return -1;
        }
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

private Q_SLOTS:
    void firstStartAndQuit() {
        QTemporaryDir home;
        // A name without a dot is skipped; "/q" then unloads the window.
        QCOMPARE(Run(home, {QStringLiteral("readme"), QStringLiteral("/q")}), 0);
        QSettings stored(home.filePath(QStringLiteral("config/Wayfold/Wayfold.ini")),
                         QSettings::IniFormat);
        stored.beginGroup(QStringLiteral("Program Settings"));
        QCOMPARE(stored.value(QStringLiteral("ImportDir")).toString(), home.path());
        // Placed at the first-run place, stored with a blank for the sign.
        QVERIFY2(stored.value(QStringLiteral("Top")).toString().startsWith(u' '),
                 qPrintable(stored.value(QStringLiteral("Top")).toString()));
        QVERIFY(stored.contains(QStringLiteral("Left")));
        QVERIFY(!stored.contains(QStringLiteral("Generate Mode")));
    }

    void storedFolderAndPlaceComeBack() {
        QTemporaryDir home;
        const QString folder = home.filePath(QStringLiteral("caches"));
        QVERIFY(QDir().mkpath(folder));
        {
            QSettings stored(home.filePath(QStringLiteral("config/Wayfold/Wayfold.ini")),
                             QSettings::IniFormat);
            stored.beginGroup(QStringLiteral("Program Settings"));
            stored.setValue(QStringLiteral("ImportDir"), folder);
            stored.setValue(QStringLiteral("Top"), QStringLiteral(" 1500"));
            stored.setValue(QStringLiteral("Left"), QStringLiteral(" 3000"));
        }
        QCOMPARE(Run(home, {QStringLiteral("readme"), QStringLiteral("/q")}), 0);
        QSettings stored(home.filePath(QStringLiteral("config/Wayfold/Wayfold.ini")),
                         QSettings::IniFormat);
        stored.beginGroup(QStringLiteral("Program Settings"));
        QCOMPARE(stored.value(QStringLiteral("ImportDir")).toString(), folder);
        QCOMPARE(stored.value(QStringLiteral("Top")).toString(), QStringLiteral(" 1500"));
        QCOMPARE(stored.value(QStringLiteral("Left")).toString(), QStringLiteral(" 3000"));
    }
};

QTEST_GUILESS_MAIN(WindowStartTest)
#include "test_windowstart.moc"
