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
        QStringList ticked;  // the check boxes that are on, in the table's order
        for (const OptionBinding& binding : OptionBindings()) {
            if (binding.kind == OptionKind::Flag && OptionValue(o, binding) != 0) {
                ticked += QLatin1String(binding.key);
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
