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
    // options, and the settings afterwards ("=": as they were).
    void restore() {
        const char* rows[][3] = {
            // Any number but 0 ticks a check box, text does not; only the
            // scheme, host and port of the cache site are taken.
            {"IconNumber=117|DisplayMode= 2|Categories=-32768|GdbVersion= 3|PreserveIcons=0|"
             "ModNames=2|PreserveCats=1|CopyHint=yes|SwapNameDesc=1|PreserveTimes=1|"
             "PreserveDisplay=0|CacheSiteUrl= https://caches.example:8443/some/page?x=1 ",
             "icon 117|display 2|categories -32768|gdb 3|site https://caches.example:8443|ticked "
             "ModNames SwapNameDesc PreserveTimes PreserveCats",
             "="},
            // A choice not offered is replaced and written back; categories
            // beyond 16 bits are none, GDB versions other than 3 are 1, and a
            // site without a scheme is none, all left stored as they were.
            // What is not stored is not written.
            {"IconNumber=5|DisplayMode=7|Categories=70000|GdbVersion=3.5|"
             "CacheSiteUrl=caches.example",
             "icon 18|display 1|categories 0|gdb 1|site -|ticked PreserveIcons PreserveDisplay",
             "CacheSiteUrl=caches.example|Categories=70000|DisplayMode=1|GdbVersion=3.5|"
             "IconNumber=18"},
        };
        const auto storeOf = [](const char* text) {
            MemorySettingsStore settings;
            for (const QString& line : QString::fromLatin1(text).split(u'|', Qt::SkipEmptyParts)) {
                settings.setValue(line.section(u'=', 0, 0), line.section(u'=', 1));
            }
            return settings;
        };
        for (const auto& [stored, options, after] : rows) {
            MemorySettingsStore settings = storeOf(stored);
            Options o;
            RestoreOptions(o, settings);
            QString ticked = u"ticked"_s;  // in the table's order
            for (const OptionBinding& binding : OptionBindings()) {
                if (binding.kind == OptionKind::Flag && OptionValue(o, binding) != 0) {
                    ticked += u' ' + QLatin1String(binding.key);
                }
            }
            QCOMPARE(u"icon %1|display %2|categories %3|gdb %4|site %5|%6"_s.arg(o.IconNumber)
                         .arg(o.DisplayMode)
                         .arg(o.Categories)
                         .arg(o.GdbVersion)
                         .arg(o.CacheSiteUrl.isEmpty() ? u"-"_s : o.CacheSiteUrl, ticked),
                     QString::fromLatin1(options));
            QCOMPARE(settings.values, storeOf(after == "="s ? stored : after).values);
        }
    }
};

QTEST_GUILESS_MAIN(OptionsTest)
#include "test_options.moc"
