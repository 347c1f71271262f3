#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "core/exporter.h"
#include "support/fakes.h"
#include "support/storefile.h"

#ifdef Q_OS_UNIX
#include <sys/resource.h>

#include <csignal>
#endif

Q_DECLARE_METATYPE(ExportKind)

namespace {

const QString kData = QStringLiteral(WAYFOLD_TEST_DATA "/writers/");

void AddKinds() {
    QTest::addColumn<ExportKind>("kind");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("MPS") << ExportKind::Mps << QStringLiteral("out.mps");
    QTest::newRow("GDB") << ExportKind::Gdb << QStringLiteral("out.gdb");
    QTest::newRow("XML LOC") << ExportKind::Loc << QStringLiteral("out.loc");
    QTest::newRow("TerraByte LOC") << ExportKind::TerraByte << QStringLiteral("out.tb.loc");
}

void Fill(WaypointStore& store, int count) {
    for (int i = 0; i < count; ++i) {
        Waypoint w;
        w.Name = QStringLiteral("GC%1").arg(i, 4, 36, QLatin1Char('0')).toUpper();
        w.Description = QStringLiteral("Cache number %1 of a long series").arg(i);
        w.Symbol = NotSet;
        w.Display = NotSet;
        w.CategoryBits = NotSet;
        store.Waypoints.push_back(w);
    }
}

void WriteFile(const QString& path, const QByteArray& content) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(content), content.size());
}

QStringList FolderEntries(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Permission checks mean nothing to a process that ignores them (root).
bool PermissionsApply(const QString& folder) {
    QDir(folder).mkdir(QStringLiteral("probe"));
    const QString probe = folder + QStringLiteral("/probe");
    QFile::setPermissions(probe, QFile::ReadOwner | QFile::ExeOwner);
    QFile f(probe + QStringLiteral("/x"));
    const bool refused = !f.open(QIODevice::WriteOnly);
    f.close();
    f.remove();
    QFile::setPermissions(probe, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir(probe).removeRecursively();
    return refused;
}

}  // namespace

class ExporterTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void emptyStore_data() { AddKinds(); }
    void emptyStore() {
        QFETCH(ExportKind, kind);
        QFETCH(QString, fileName);
        QTemporaryDir dir;
        TestSession t;
        const QString fresh = dir.filePath(fileName);
        ExportFile(t.session, kind, fresh);
        const QString old = dir.filePath(QStringLiteral("old-") + fileName);
        WriteFile(old, "old");
        ExportFile(t.session, kind, old);

        QVERIFY(!QFile::exists(fresh));
        QCOMPARE(ReadWholeFile(old), QByteArray("old"));
        QCOMPARE(t.frontend.messages.size(), size_t(2));
        for (const UserMessage& m : t.frontend.messages) {
            QCOMPARE(m.text, QStringLiteral("No waypoints to export"));
            QCOMPARE(m.title, QStringLiteral("Wayfold"));
            QCOMPARE(m.icon, MessageIcon::Information);
        }
        QCOMPARE(t.session.problemCount, 2);
        QVERIFY(t.frontend.busyChanges.empty());
    }

    void writesWithTheBusyPointer_data() { AddKinds(); }
    void writesWithTheBusyPointer() {
        QFETCH(ExportKind, kind);
        QFETCH(QString, fileName);
        QTemporaryDir dir;
        TestSession t;
        Fill(t.session.store, 3);
        const QString out = dir.filePath(fileName);
        ExportFile(t.session, kind, out);
        QVERIFY(QFileInfo(out).size() > 60);
        QCOMPARE(t.frontend.busyChanges, (std::vector<bool>{true, false}));
        QVERIFY2(t.frontend.messages.empty(), qPrintable(t.frontend.messageTexts().join(u'|')));
        QCOMPARE(t.session.problemCount, 0);
        QCOMPARE(FolderEntries(dir.path()), QStringList{fileName});
    }

    // The options and the clock of the session reach the writer: with every
    // option of options.json, the pinned clock's manual time, the file is
    // the golden one.
    void sessionOptionsAndClock_data() {
        QTest::addColumn<ExportKind>("kind");
        QTest::addColumn<QString>("golden");
        QTest::addColumn<int>("reports");
        QTest::newRow("MPS") << ExportKind::Mps << QStringLiteral("options.mps") << 1;
        // With CopyHint the comment is the hint, and "Łódź" is not written.
        QTest::newRow("GDB") << ExportKind::Gdb << QStringLiteral("options.gdb") << 0;
        QTest::newRow("TerraByte LOC")
            << ExportKind::TerraByte << QStringLiteral("options.tb.loc") << 1;
    }
    void sessionOptionsAndClock() {
        QFETCH(ExportKind, kind);
        QFETCH(QString, golden);
        StoreFile input = LoadStoreFile(kData + QStringLiteral("options.json"));
        QVERIFY(input.loaded);
        // The session's clock is pinned to 05/12/2026 01:02:03; its manual
        // time is the one options.json gives.
        TestSession t;
        const qint64 sessionTime = t.session.options.ManualTime;
        QCOMPARE(sessionTime, input.options.ManualTime);
        t.session.store = input.store;
        t.session.options = input.options;
        t.session.options.ManualTime = sessionTime;

        QTemporaryDir dir;
        const QString out = dir.filePath(golden);
        ExportFile(t.session, kind, out);
        QCOMPARE(ReadWholeFile(out), ReadWholeFile(kData + golden));
        // "Łódź" lost two characters: reported, and counted as a problem.
        QFETCH(int, reports);
        QCOMPARE(int(t.frontend.messages.size()), reports);
        QCOMPARE(t.session.problemCount, reports);
        if (reports > 0) {
            QVERIFY(t.frontend.messages[0].text.startsWith(
                QStringLiteral("2 characters in 1 waypoint")));
        }
    }

    void missingFolder_data() { AddKinds(); }
    void missingFolder() {
        QFETCH(ExportKind, kind);
        QFETCH(QString, fileName);
        QTemporaryDir dir;
        TestSession t;
        Fill(t.session.store, 2);
        const QString out = dir.filePath(QStringLiteral("no such folder/") + fileName);
        ExportFile(t.session, kind, out);
        QVERIFY(!QFile::exists(out));
        QCOMPARE(t.frontend.messages.size(), size_t(1));
        const UserMessage& m = t.frontend.messages[0];
        QCOMPARE(m.icon, MessageIcon::Critical);
        QVERIFY2(m.text.startsWith(QStringLiteral("Could not write ") +
                                   QDir::toNativeSeparators(out) + QStringLiteral("\r\nReason: ")),
                 qPrintable(m.text));
        QCOMPARE(t.session.problemCount, 1);
        QCOMPARE(t.frontend.busyChanges, (std::vector<bool>{true, false}));
        // The store is left as a successful export leaves it: sorted.
        QVERIFY(t.session.store.Waypoints[0].Name < t.session.store.Waypoints[1].Name);
    }

    // A write that fails part-way (the disk fills up) leaves the old file
    // and no partial file. The file size limit fails writes for root too.
    void failedWriteKeepsTheOldFile_data() {
        QTest::addColumn<ExportKind>("kind");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<int>("count");
        // A small file fits a file buffer whole, a large one is written past it.
        for (const int count : {30, 3000}) {
            const QByteArray size = count < 100 ? " small" : " large";
            QTest::newRow("MPS" + size) << ExportKind::Mps << QStringLiteral("out.mps") << count;
            QTest::newRow("GDB" + size) << ExportKind::Gdb << QStringLiteral("out.gdb") << count;
            QTest::newRow("XML LOC" + size)
                << ExportKind::Loc << QStringLiteral("out.loc") << count;
            QTest::newRow("TerraByte LOC" + size)
                << ExportKind::TerraByte << QStringLiteral("out.tb.loc") << count;
        }
    }
    void failedWriteKeepsTheOldFile() {
#ifdef Q_OS_UNIX
        QFETCH(ExportKind, kind);
        QFETCH(QString, fileName);
        QFETCH(int, count);
        QTemporaryDir dir;
        TestSession t;
        Fill(t.session.store, count);
        t.session.options.SwapNameDesc = true;
        const QString out = dir.filePath(fileName);
        WriteFile(out, "the old file");

        rlimit before{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &before), 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = before;
        limited.rlim_cur = 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        ExportFile(t.session, kind, out);
        setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, previousHandler);

        QCOMPARE(ReadWholeFile(out), QByteArray("the old file"));
        QCOMPARE(FolderEntries(dir.path()), QStringList{fileName});
        QCOMPARE(t.frontend.messages.size(), size_t(1));
        QVERIFY2(t.frontend.messages[0].text.contains(QDir::toNativeSeparators(out)),
                 qPrintable(t.frontend.messages[0].text));
        QCOMPARE(t.session.problemCount, 1);
        // Names and descriptions are back in place after the failure.
        for (const Waypoint& w : t.session.store.Waypoints) {
            QVERIFY2(w.Name.startsWith(QLatin1String("GC")), qPrintable(w.Name));
        }
#else
        QSKIP("needs a file size limit");
#endif
    }

    void readOnlyTargets_data() {
        QTest::addColumn<bool>("readOnlyFolder");
        QTest::newRow("read-only file") << false;
        QTest::newRow("read-only folder") << true;
    }
    void readOnlyTargets() {
        QFETCH(bool, readOnlyFolder);
        QTemporaryDir dir;
        if (!PermissionsApply(dir.path())) {
            QSKIP("this process may write anywhere (root), so read-only files cannot be tested");
        }
        TestSession t;
        Fill(t.session.store, 2);
        const QString out = dir.filePath(QStringLiteral("old.gdb"));
        WriteFile(out, "the old file");
        const auto readOnly = QFile::ReadOwner | QFile::ExeOwner;
        if (readOnlyFolder) {
            QFile::setPermissions(dir.path(), readOnly);
        } else {
            QFile::setPermissions(out, QFile::ReadOwner);
        }
        ExportFile(t.session, ExportKind::Gdb, out);
        QFile::setPermissions(dir.path(), readOnly | QFile::WriteOwner);
        QFile::setPermissions(out, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(ReadWholeFile(out), QByteArray("the old file"));
        QCOMPARE(FolderEntries(dir.path()), QStringList{QStringLiteral("old.gdb")});
        QCOMPARE(t.frontend.messages.size(), size_t(1));
        QVERIFY(t.frontend.messages[0].text.contains(QDir::toNativeSeparators(out)));
    }

    void notAFileKind() {
        TestSession t;
        Fill(t.session.store, 1);
        ExportFile(t.session, ExportKind::Separator, QStringLiteral("x"));
        QCOMPARE(t.frontend.messageTexts(),
                 QStringList{QStringLiteral("Error selecting function.")});
        QCOMPARE(t.frontend.messages[0].title, QStringLiteral("Wayfold Error"));
    }
};

QTEST_GUILESS_MAIN(ExporterTest)
#include "test_exporter.moc"
