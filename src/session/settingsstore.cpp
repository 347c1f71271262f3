#include "session/settingsstore.h"

#include <QSettings>

namespace {

const QString kSection = QStringLiteral("Program Settings");

QString Key(const QString& name) {
    return kSection + QLatin1Char('/') + name;
}

}  // namespace

QtSettingsStore::QtSettingsStore()
#ifdef Q_OS_WIN
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QStringLiteral("Wayfold"), QStringLiteral("Wayfold")))
#else
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                            QStringLiteral("Wayfold"), QStringLiteral("Wayfold")))
#endif
{
}

QtSettingsStore::~QtSettingsStore() = default;

std::optional<QString> QtSettingsStore::value(const QString& name) const {
    const QVariant v = settings_->value(Key(name));
    if (!v.isValid()) {
        return std::nullopt;
    }
    return v.toString();
}

void QtSettingsStore::setValue(const QString& name, const QString& text) {
    settings_->setValue(Key(name), text);
    settings_->sync();
}

QString QtSettingsStore::location() const {
    return settings_->fileName();
}
