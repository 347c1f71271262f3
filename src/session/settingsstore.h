#pragma once

#include <QMap>
#include <QString>
#include <memory>
#include <optional>

class QSettings;

// The per-user store of the program's settings: section "Program Settings" of
// application "Wayfold", every value a text. The window and the console use
// the QSettings store; tests use the memory store.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual std::optional<QString> value(const QString& name) const = 0;
    virtual void setValue(const QString& name, const QString& text) = 0;
    // Where the values are kept, in words a user can follow.
    virtual QString location() const = 0;

    QString valueOr(const QString& name, const QString& fallback) const {
        return value(name).value_or(fallback);
    }
};

// On Linux $XDG_CONFIG_HOME/Wayfold/Wayfold.ini; on Windows the per-user
// registry area for application settings.
class QtSettingsStore final : public SettingsStore {
public:
    QtSettingsStore();
    ~QtSettingsStore() override;
    std::optional<QString> value(const QString& name) const override;
    void setValue(const QString& name, const QString& text) override;
    QString location() const override;

private:
    std::unique_ptr<QSettings> settings_;
};

class MemorySettingsStore final : public SettingsStore {
public:
    std::optional<QString> value(const QString& name) const override {
        const auto it = values.constFind(name);
        return it == values.constEnd() ? std::nullopt : std::optional<QString>(*it);
    }
    void setValue(const QString& name, const QString& text) override { values.insert(name, text); }
    QString location() const override { return QStringLiteral("the settings held in memory"); }

    QMap<QString, QString> values;
};
