#include "session/optionstore.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "core/textutil.h"
#include "session/settingsstore.h"

namespace {

// The stored text read with the leading-number parse and rounded to a whole
// number; missing values take the default text.
double StoredNumber(const SettingsStore& settings, const QString& name, const QString& fallback) {
    return std::nearbyint(LeadingNumber(settings.valueOr(name, fallback)));
}

bool StoredFlag(const SettingsStore& settings, const QString& name, const QString& fallback) {
    return StoredNumber(settings, name, fallback) != 0;
}

}  // namespace

void RestoreOptions(Options& options, SettingsStore& settings) {
    const double icon = StoredNumber(settings, QStringLiteral("IconNumber"), QStringLiteral("18"));
    if (std::find(std::begin(OfferedIcons), std::end(OfferedIcons), icon) !=
        std::end(OfferedIcons)) {
        options.IconNumber = static_cast<qint32>(icon);
    } else {
        options.IconNumber = 18;
        SaveOption(settings, QStringLiteral("IconNumber"), QStringLiteral("18"));
    }

    const double display =
        StoredNumber(settings, QStringLiteral("DisplayMode"), QStringLiteral("1"));
    if (display == 0 || display == 1 || display == 2) {
        options.DisplayMode = static_cast<qint32>(display);
    } else {
        options.DisplayMode = 1;
        SaveOption(settings, QStringLiteral("DisplayMode"), QStringLiteral("1"));
    }

    options.PreserveIcons =
        StoredFlag(settings, QStringLiteral("PreserveIcons"), QStringLiteral("1"));
    options.ModNames = StoredFlag(settings, QStringLiteral("ModNames"), QStringLiteral("0"));
    options.PreserveDisplay =
        StoredFlag(settings, QStringLiteral("PreserveDisplay"), QStringLiteral("1"));
    options.SwapNameDesc =
        StoredFlag(settings, QStringLiteral("SwapNameDesc"), QStringLiteral("0"));

    // A 16-bit set whose bit 15 is the sign bit: -32768 is category 16 alone.
    const double categories =
        StoredNumber(settings, QStringLiteral("Categories"), QStringLiteral("0"));
    options.Categories =
        (categories >= -32768 && categories <= 32767) ? static_cast<qint16>(categories) : qint16(0);

    options.PreserveTimes =
        StoredFlag(settings, QStringLiteral("PreserveTimes"), QStringLiteral("0"));
    options.CopyHint = StoredFlag(settings, QStringLiteral("CopyHint"), QStringLiteral("0"));
    // Saved by its check box like the others, so restored like them too.
    options.PreserveCats =
        StoredFlag(settings, QStringLiteral("PreserveCats"), QStringLiteral("0"));

    // Only scheme and host are taken; a value that has neither leaves the
    // default site in force. Nothing is written back: the option tabs do not
    // show this value, so whatever the user put there stays for them to mend.
    options.CacheSiteUrl = SiteAddress(settings.valueOr(QStringLiteral("CacheSiteUrl"), QString()));

    options.GdbVersion =
        settings.valueOr(QStringLiteral("GdbVersion"), QString()).trimmed() == QLatin1String("3")
            ? 3
            : 1;
}

void SaveOption(SettingsStore& settings, const QString& name, const QString& text) {
    settings.setValue(name, text);
}
