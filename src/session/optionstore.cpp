#include "session/optionstore.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/textutil.h"
#include "session/settingsstore.h"

namespace {

constexpr qint32 kDisplayModes[] = {1, 0, 2};  // in the order of their buttons
constexpr qint32 kVersions[] = {1, 3};

const OptionBinding kBindings[] = {
    {"IconNumber", "18", OptionKind::Choice, &Options::IconNumber, "optWptIcon", OfferedIcons},
    {"DisplayMode", "1", OptionKind::Choice, &Options::DisplayMode, "optDispMode", kDisplayModes},
    {"PreserveIcons", "1", OptionKind::Flag, &Options::PreserveIcons, "chkIconPrv", {}},
    {"ModNames", "0", OptionKind::Flag, &Options::ModNames, "chkModName", {}},
    {"PreserveDisplay", "1", OptionKind::Flag, &Options::PreserveDisplay, "chkDispPrv", {}},
    {"SwapNameDesc", "0", OptionKind::Flag, &Options::SwapNameDesc, "chkSwapNameDesc", {}},
    {"Categories", "0", OptionKind::Categories, &Options::Categories, "chkCats", {}},
    {"PreserveTimes", "0", OptionKind::Flag, &Options::PreserveTimes, "chkTimeKeep", {}},
    {"CopyHint", "0", OptionKind::Flag, &Options::CopyHint, "chkHintToDesc", {}},
    {"PreserveCats", "0", OptionKind::Flag, &Options::PreserveCats, "chkCatsKeep", {}},
    // Only scheme and host are taken; a value that has neither leaves the
    // default site in force. Nothing is written back: the option tabs do not
    // show this value, so whatever the user put there stays for them to mend.
    {"CacheSiteUrl", "", OptionKind::Site, &Options::CacheSiteUrl, nullptr, {}},
    {"GdbVersion", "1", OptionKind::List, &Options::GdbVersion, "cboGdbFormat", kVersions},
    {"TileAddress",
     "https://tile.openstreetmap.org/{z}/{x}/{y}.png",
     OptionKind::Text,
     &Options::TileAddress,
     nullptr,
     {}},
};

// The stored text read with the leading-number parse and rounded to a whole
// number; missing values take the default text.
double StoredNumber(const SettingsStore& settings, const OptionBinding& binding) {
    return std::nearbyint(LeadingNumber(
        settings.valueOr(QLatin1String(binding.key), QLatin1String(binding.defaultText))));
}

}  // namespace

std::span<const OptionBinding> OptionBindings() {
    return kBindings;
}

const OptionBinding& OptionBindingByKey(const char* key) {
    const auto it = std::ranges::find_if(
        kBindings, [key](const OptionBinding& b) { return std::strcmp(b.key, key) == 0; });
    Q_ASSERT(it != std::end(kBindings));
    return *it;
}

void RestoreOptions(Options& options, SettingsStore& settings) {
    for (const OptionBinding& binding : kBindings) {
        const QString key = QLatin1String(binding.key);
        switch (binding.kind) {
            case OptionKind::Flag:
                options.*std::get<bool Options::*>(binding.member) =
                    StoredNumber(settings, binding) != 0;
                break;
            case OptionKind::Choice: {
                const double stored = StoredNumber(settings, binding);
                if (std::ranges::find(binding.values, stored) != binding.values.end()) {
                    options.*std::get<qint32 Options::*>(binding.member) =
                        static_cast<qint32>(stored);
                } else {
                    options.*std::get<qint32 Options::*>(binding.member) =
                        QByteArray(binding.defaultText).toInt();
                    SaveOption(settings, key, QLatin1String(binding.defaultText));
                }
                break;
            }
            case OptionKind::Categories: {
                // -32768 is category 16 alone.
                const double stored = StoredNumber(settings, binding);
                options.*std::get<qint16 Options::*>(binding.member) =
                    stored >= -32768 && stored <= 32767 ? static_cast<qint16>(stored) : qint16(0);
                break;
            }
            case OptionKind::List: {
                const QString stored =
                    settings.valueOr(key, QLatin1String(binding.defaultText)).trimmed();
                const auto it = std::ranges::find_if(
                    binding.values, [&stored](qint32 v) { return stored == QString::number(v); });
                options.*std::get<qint32 Options::*>(binding.member) =
                    it != binding.values.end() ? *it : binding.values.front();
                break;
            }
            case OptionKind::Site:
                options.*std::get<QString Options::*>(binding.member) =
                    SiteAddress(settings.valueOr(key, QLatin1String(binding.defaultText)));
                break;
            case OptionKind::Text:
                options.*std::get<QString Options::*>(binding.member) =
                    settings.valueOr(key, QLatin1String(binding.defaultText)).trimmed();
                break;
        }
    }
}

qint32 OptionValue(const Options& options, const OptionBinding& binding) {
    return std::visit(
        [&options](auto member) -> qint32 {
            const auto& value = options.*member;
            if constexpr (std::is_same_v<std::decay_t<decltype(value)>, QString>) {
                return 0;
            } else {
                return static_cast<qint32>(value);
            }
        },
        binding.member);
}

void SetOption(Options& options, SettingsStore& settings, const OptionBinding& binding,
               qint32 value) {
    std::visit(
        [&options, value](auto member) {
            auto& field = options.*member;
            using Field = std::decay_t<decltype(field)>;
            if constexpr (std::is_same_v<Field, bool>) {
                field = value != 0;
            } else if constexpr (!std::is_same_v<Field, QString>) {
                field = static_cast<Field>(value);
            }
        },
        binding.member);
    const qint32 stored = binding.kind == OptionKind::Flag ? (value != 0 ? 1 : 0) : value;
    SaveOption(settings, QLatin1String(binding.key), QString::number(stored));
}

void SaveOption(SettingsStore& settings, const QString& name, const QString& text) {
    settings.setValue(name, text);
}
