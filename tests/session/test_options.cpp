// The options restored from stored settings: what is taken, what falls back
// to its default, and what is written back.
#include <QtTest>

#include "core/options.h"
#include "session/optionstore.h"
#include "session/settingsstore.h"
#include "support/fakes.h"

using namespace Qt::StringLiterals;
using namespace std::string_literals;

class OptionsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A row: the stored settings ("Name=value" joined by "|"), the restored
    // options that differ from the defaults, and the settings afterwards
    // ("=": as they were).
    void restore() {
        const char* rows[][3] = {
            {"", "", ""},
            {"IconNumber=117|DisplayMode= 2|Categories=-32768|GdbVersion= 3",
             "icon 117|display 2|categories -32768|gdb 3", "="},
            // A choice not offered is replaced and written back; categories
            // beyond 16 bits are none and GDB versions other than 3 are 1,
            // both left stored as they were.
            {"IconNumber=5|DisplayMode=7|Categories=70000|GdbVersion=2", "",
             "Categories=70000|DisplayMode=1|GdbVersion=2|IconNumber=18"},
            {"IconNumber=geocache|GdbVersion=3.5", "", "GdbVersion=3.5|IconNumber=18"},
            // Any number but 0 ticks a check box, text does not.
            {"PreserveIcons=0|ModNames=2|PreserveCats=1|CopyHint=yes|SwapNameDesc=1|"
             "PreserveTimes=1|PreserveDisplay=0",
             "ticked ModNames SwapNameDesc PreserveTimes PreserveCats", "="},
            // Only the scheme, host and port of the cache site are taken.
            {"CacheSiteUrl=http://caches.example", "site http://caches.example", "="},
            {"CacheSiteUrl= https://caches.example:8443/some/page?x=1 ",
             "site https://caches.example:8443", "="},
            {"CacheSiteUrl=caches.example", "", "="},
        };
        const QStringList defaults =
            u"icon 18|display 1|categories 0|gdb 1|site -|ticked PreserveIcons PreserveDisplay"_s
                .split(u'|');
        for (const auto& [stored, changed, after] : rows) {
            MemorySettingsStore settings;
            for (const QString& line :
                 QString::fromLatin1(stored).split(u'|', Qt::SkipEmptyParts)) {
                settings.setValue(line.section(u'=', 0, 0), line.section(u'=', 1));
            }
            Options o;
            RestoreOptions(o, settings);
            QString ticked = u"ticked"_s;  // in the table's order
            for (const OptionBinding& binding : OptionBindings()) {
                if (binding.kind == OptionKind::Flag && OptionValue(o, binding) != 0) {
                    ticked += u' ' + QLatin1String(binding.key);
                }
            }
            const QStringList restored =
                u"icon %1|display %2|categories %3|gdb %4|site %5|%6"_s.arg(o.IconNumber)
                    .arg(o.DisplayMode)
                    .arg(o.Categories)
                    .arg(o.GdbVersion)
                    .arg(o.CacheSiteUrl.isEmpty() ? u"-"_s : o.CacheSiteUrl, ticked)
                    .split(u'|');
            QStringList differ;
            for (qsizetype i = 0; i < restored.size(); ++i) {
                differ += restored[i] == defaults[i] ? QStringList() : QStringList{restored[i]};
            }
            QStringList kept;
            for (auto it = settings.values.cbegin(); it != settings.values.cend(); ++it) {
                kept += it.key() + u'=' + it.value();
            }
            QStringList expected =
                QString::fromLatin1(after == "="s ? stored : after).split(u'|', Qt::SkipEmptyParts);
            expected.sort();
            QCOMPARE(differ.join(u'|') + u" / "_s + kept.join(u'|'),
                     QString::fromLatin1(changed) + u" / "_s + expected.join(u'|'));
        }
    }
};

QTEST_GUILESS_MAIN(OptionsTest)
#include "test_options.moc"
