#pragma once

#include <QString>
#include <QTabWidget>
#include <array>
#include <span>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* iconsPage();
    QWidget* namesPage();
    QWidget* timePage();
    QCheckBox* optionBox(const QString& objectName, const QString& caption, const QString& toolTip,
                         const QString& valueName, bool Options::*field);
    // Stores the value of the button chosen in group: its place in values.
    void storeChoices(QButtonGroup* group, std::span<const qint32> values, qint32 Options::*field,
                      const QString& valueName);
    void storeCategories();
    void chooseNow();
    void chooseManual(bool selectAll);
    void checkTimeEntry();

    Session& session_;
    QButtonGroup* icons_;
    QButtonGroup* displayModes_;
    QComboBox* gdbFormat_ = nullptr;
    QRadioButton* optTimeManual_ = nullptr;
    QRadioButton* optTimeNow_ = nullptr;
    QLineEdit* txtTimeSet_ = nullptr;
    std::array<QCheckBox*, 16> chkCats_{};
    bool showing_ = false;
    bool checkingTime_ = false;
    bool manualByKey_ = false;
};
