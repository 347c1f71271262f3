#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QTabWidget>
#include <array>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
struct OptionBinding;
struct Options;
struct Session;

// The export options on three tabs ("Icons", "Names/Disp", "Cat/Time"). Every
// change is stored at once and goes into the session's options.
class OptionTabs final : public QTabWidget {
    Q_OBJECT

public:
    explicit OptionTabs(Session& session, QWidget* parent = nullptr);

    // Selects and ticks the controls for options restored from the store,
    // without storing them again.
    void showOptions(const Options& options);
    // The time box takes the current time and ManualTime follows it (the
    // window's load; the box stays as it is).
    void takeCurrentTime();
    // "Now" is the chosen waypoint time.
    bool timeNow() const;

    // Shows the time that an export with "Now" refreshed; the box is disabled
    // as choosing "Now" does.
    void showRefreshedTime(const QString& text);

Q_SIGNALS:
    // An option was stored, or restored options are shown.
    void optionsChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* iconsPage();
    QWidget* namesPage();
    QWidget* timePage();
    // The check box of a flag option, named and stored as its binding says.
    QCheckBox* optionBox(const char* key, const QString& caption, const QString& toolTip);
    // The radio buttons of a choice option, one for each caption, added to
    // group; their ids are the places of their values in the binding.
    QList<QRadioButton*> choiceButtons(const char* key, QButtonGroup* group,
                                       const QStringList& captions);
    void store(const OptionBinding& binding, qint32 value);
    void storeCategories();
    void chooseNow();
    void chooseManual(bool selectAll);
    void checkTimeEntry();

    Session& session_;
    QButtonGroup* icons_;
    QButtonGroup* displayModes_;
    QComboBox* formatVersion_ = nullptr;
    QRadioButton* optTimeManual_ = nullptr;
    QRadioButton* optTimeNow_ = nullptr;
    QLineEdit* txtTimeSet_ = nullptr;
    std::array<QCheckBox*, 16> chkCats_{};
    bool showing_ = false;
    bool checkingTime_ = false;
    bool manualByKey_ = false;
};
