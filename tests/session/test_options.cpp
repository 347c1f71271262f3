// The options restored from stored settings, case by case
// (tests/data/session/options.txt).
#include <QtTest>

#include "core/options.h"
#include "session/optionstore.h"
#include "session/settingsstore.h"
#include "support/testfiles.h"

class OptionsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void restore_data() { AddCaseRows("../session/options.txt"); }
    void restore() {
        QFETCH(QByteArray, document);
        QFETCH(QStringList, expected);
        MemorySettingsStore settings;
        for (const QString& line : QString::fromUtf8(document).split(u'\n', Qt::SkipEmptyParts)) {
            settings.setValue(line.section(u'=', 0, 0), line.section(u'=', 1));
        }
        Options o;
        RestoreOptions(o, settings);
        const bool boxes[] = {o.PreserveIcons, o.ModNames,      o.PreserveDisplay, o.SwapNameDesc,
                              o.CopyHint,      o.PreserveTimes, o.PreserveCats};
        const QStringList names = QStringLiteral(
                                      "PreserveIcons ModNames PreserveDisplay SwapNameDesc "
                                      "CopyHint PreserveTimes PreserveCats")
                                      .split(u' ');
        QStringList ticked;
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (boxes[i]) {
                ticked += names[i];
            }
        }
        QStringList stored;
        for (auto it = settings.values.cbegin(); it != settings.values.cend(); ++it) {
            stored += it.key() + u'=' + it.value();
        }
        QCOMPARE(
            QStringList({QStringLiteral("options: icon %1, display %2, categories %3, gdb %4, "
                                        "site %5, %6, %7")
                             .arg(o.IconNumber)
                             .arg(o.DisplayMode)
                             .arg(o.Categories)
                             .arg(o.GdbVersion)
                             .arg(o.CacheSiteUrl.isEmpty() ? QStringLiteral("-") : o.CacheSiteUrl,
                                  CacheDetailsUrl(o.CacheSiteUrl, QStringLiteral("GC1A2B")),
                                  ticked.join(u' ')),
                         QStringLiteral("stored:") +
                             (stored.isEmpty() ? QString() : u' ' + stored.join(u'|'))}),
            expected);
    }
};

QTEST_GUILESS_MAIN(OptionsTest)
#include "test_options.moc"
