// Exports from the command line of the built program, headless.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "support/storefile.h"

class ExportCliTest : public QObject {
    Q_OBJECT

    QTemporaryDir home_;

    ProgramRun run(const QStringList& arguments, const QString& folder) {
        return RunProgram(QStringList{QStringLiteral("--headless")} + arguments,
                          ProgramEnvironment(home_.path()), folder);
    }

private Q_SLOTS:
    // The bundled samples, GPX and XML LOC, written to all five formats;
    // then, with nothing imported, every export and Open in MapSource says
    // so and no file is written, new or old.
    void allFiveFormatsThenNothing() {
        QTemporaryDir dir;
        const ProgramRun r =
            run(QStringLiteral(WAYFOLD_EXAMPLES
                               "/lakeside.gpx " WAYFOLD_EXAMPLES
                               "/hilltop.loc /s:out.mps /g:out.gdb /l:out.loc /e:out.tb.loc "
                               "/x:out.gpx /q")
                    .split(u' '),
                dir.path());
        QVERIFY2(r.status == 0, qPrintable(r.err));
        const std::pair<const char*, QByteArray> starts[] = {
            {"out.gdb", QByteArray("MsRcf\0\x02\0\0\0Dk\0", 13)},
            {"out.gpx", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<gpx "},
            {"out.loc", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"},
            {"out.mps", QByteArray("MsRcd\0", 6)},
            {"out.tb.loc", "TerraByte Location"}};
        QByteArrayList before;
        for (const auto& [file, start] : starts) {
            before += FileBytes(dir.filePath(QLatin1String(file)));
            QVERIFY2(before.back().startsWith(start), file);
        }
        const QStringList listing = QDir(dir.path()).entryList(QDir::Files);
        const ProgramRun none = run(
            QStringLiteral("/s:new.mps /g:out.gdb /l:out.loc /e:out.tb.loc /m /6 /q").split(u' '),
            dir.path());
        QCOMPARE(none.status, 1);
        QCOMPARE(none.err.count(QStringLiteral("Wayfold: No waypoints to export\n")), 6);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), listing);
        for (const auto& [file, start] : starts) {
            QCOMPARE(FileBytes(dir.filePath(QLatin1String(file))), before.takeFirst());
        }
    }

    // A write that fails, for every writer (tests/data/app/writefailure.sh sets
    // it up, in a private mount namespace where one can be made): the
    // program names the file and the reason, exits 1, and leaves the old
    // file as it was and nothing else beside it.
    void writeFailures_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("failure");
        for (const auto& [kind, file] : kKinds) {
            for (const char* failure : {"full", "page", "read-only", "folder"}) {
                QTest::addRow("%s, %s", file, failure)
                    << QString::fromLatin1(kind) << QString::fromLatin1(file)
                    << QString::fromLatin1(failure);
            }
        }
    }
    void writeFailures() {
#ifdef Q_OS_WIN
        QSKIP("The failures are made by a shell script, in a Linux mount namespace");
#endif
        QFETCH(QString, kind);
        QFETCH(QString, fileName);
        QFETCH(QString, failure);
        QTemporaryDir dir;
        const QString flag = QStringLiteral("/%1:@").arg(QLatin1Char(FormatById(kind)->flag));
        QProcess p;
        p.setProcessEnvironment(ProgramEnvironment(home_.path()));
        p.start(QStringLiteral("sh"),
                {QStringLiteral(WAYFOLD_TEST_DATA "/app/writefailure.sh"), failure, dir.path(),
                 fileName, QStringLiteral(WAYFOLD_PROGRAM), QStringLiteral("--headless"),
                 QStringLiteral("in.gpx"), flag, QStringLiteral("/q")});
        QVERIFY(p.waitForFinished(120000));
        const QString err = QString::fromUtf8(p.readAllStandardError());
        if (p.exitCode() == 98) {
            QSKIP("neither a read-only mount nor permissions can refuse this process a write");
        }
        QVERIFY2(p.exitCode() == 0, qPrintable(err));
        const QString folder =
            QString::fromUtf8(p.readAllStandardOutput()).trimmed().section(u'\n', -1);
        const auto recorded = [&folder](const char* name) {
            return FileBytes(folder + u'/' + QLatin1String(name));
        };
        QCOMPARE(recorded("status"), QByteArray("1\n"));
        const QString out = QString::fromUtf8(recorded("file")).trimmed();
        const QString reason = QString::fromUtf8(recorded("reason")).trimmed();
        // Permissions refuse in ways that depend on the system; any reason will do.
        const QString message = QStringLiteral("Wayfold: Could not write ") + out +
                                QStringLiteral("\nReason: ") +
                                QString(reason).replace(QLatin1String("%1"), out);
        QVERIFY2(err.contains(message) && (!reason.isEmpty() || !err.contains(message + u'\n')),
                 qPrintable(err));
        QCOMPARE(recorded("listing"), fileName.toUtf8() + '\n');
        if (failure == QLatin1String("folder")) {
            QVERIFY(QFileInfo(out).isDir() &&
                    QDir(out).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
        } else {
            QCOMPARE(recorded("after"), QByteArray("the old file\0\x01\xFF\n", 16));
        }
    }
};

QTEST_GUILESS_MAIN(ExportCliTest)
#include "test_exportcli.moc"
