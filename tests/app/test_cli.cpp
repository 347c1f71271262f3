// End-to-end runs of the built program, headless.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "core/commandline.h"

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

}  // namespace

class CliTest : public QObject {
    Q_OBJECT

    QTemporaryDir home_;

    Run run(const QStringList& arguments, const QMap<QString, QString>& env = {},
            const QString& workingDir = QString()) {
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.remove(QStringLiteral("DISPLAY"));
        e.remove(QStringLiteral("WAYLAND_DISPLAY"));
        e.remove(QStringLiteral("QT_QPA_PLATFORM"));
        e.insert(QStringLiteral("HOME"), home_.path());
        e.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.path() + QStringLiteral("/config"));
        for (auto it = env.begin(); it != env.end(); ++it) {
            e.insert(it.key(), it.value());
        }
        p.setProcessEnvironment(e);
        if (!workingDir.isEmpty()) {
            p.setWorkingDirectory(workingDir);
        }
        p.start(QStringLiteral(WAYFOLD_PROGRAM), arguments);
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished();
            return {};
        }
        Run r;
        r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    static QString usageLines() {
        QString usage = UsageText();
        usage.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        return usage;
    }

private Q_SLOTS:
    void usage_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("headless /?")
            << QStringList{QStringLiteral("--headless"), QStringLiteral("/?")};
        QTest::newRow("headless --help")
            << QStringList{QStringLiteral("--headless"), QStringLiteral("--help")};
        // No display and no --headless: the program finds out by itself.
        QTest::newRow("no display") << QStringList{QStringLiteral("/?")};
        QTest::newRow("file before usage")
            << QStringList{QStringLiteral("x.loc"), QStringLiteral("/?")};
    }
    void usage() {
        QFETCH(QStringList, arguments);
        const Run r = run(arguments);
        QCOMPARE(r.status, 0);
        QCOMPARE(r.err, QStringLiteral("Wayfold Help Dialog: ") + usageLines() + QLatin1Char('\n'));
    }

    void invalidFlag() {
        const Run r =
            run({QStringLiteral("--headless"), QStringLiteral("a.loc"), QStringLiteral("/x")});
        QCOMPARE(r.status, 2);
        QVERIFY2(
            r.err.contains(QStringLiteral("Wayfold: Invalid flag detected\n\n") + usageLines()),
            qPrintable(r.err));
    }

    void quitAlone_data() {
        QTest::addColumn<QString>("display");
        QTest::newRow("no display") << QString();
        QTest::newRow("display without server") << QStringLiteral(":99");
    }
    void quitAlone() {
        QFETCH(QString, display);
        QMap<QString, QString> env;
        if (!display.isEmpty()) {
            env.insert(QStringLiteral("DISPLAY"), display);
        }
        const Run r = run({QStringLiteral("/q")}, env);
        QCOMPARE(r.status, 0);
        QCOMPARE(r.err, QString());
    }

    void deadDisplayFallsBackToHeadless() {
        const Run r = run({QStringLiteral("nothing.txt"), QStringLiteral("/q")},
                          {{QStringLiteral("DISPLAY"), QStringLiteral(":99")}});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("Wayfold: Can't import files of type .TXT\n")),
                 qPrintable(r.err));
        QVERIFY2(r.err.contains(QStringLiteral("Imported waypoints: 0 | Last Import: 0\n")),
                 qPrintable(r.err));
    }

    void version() {
        const Run r = run({QStringLiteral("--version")});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QStringLiteral("Wayfold " WAYFOLD_VERSION "\n"));
    }

    void namesWithoutADotAreIgnored() {
        const Run r =
            run({QStringLiteral("--headless"), QStringLiteral("readme"), QStringLiteral("/q")});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.err, QString());
    }

    void longAndStrangeArguments() {
        const QString longName = QStringLiteral("x").repeated(100000) + QStringLiteral(".jpeg");
        const Run r = run({QStringLiteral("--headless"), longName, QString::fromUtf8("Łódź.png"),
                           QStringLiteral("\"unterminated"), QStringLiteral("/q")});
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains(QStringLiteral("Can't import files of type .JPEG")));
        QVERIFY(r.err.contains(QStringLiteral("Can't import files of type .PNG")));
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "test_cli.moc"
