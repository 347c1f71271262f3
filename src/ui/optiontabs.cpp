#include "ui/optiontabs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <span>

#include "core/options.h"
#include "session/optionstore.h"
#include "session/session.h"
#include "session/timeentry.h"

namespace {

// The caption of each symbol button, in the order of their values.
const QStringList kIconCaptions = {QStringLiteral("Waypoint"),  QStringLiteral("Short Tower"),
                                   QStringLiteral("Geocache"),  QStringLiteral("Cache Found"),
                                   QStringLiteral("Flag"),      QStringLiteral("Circle with cross"),
                                   QStringLiteral("White Dot"), QStringLiteral("Ghost Town")};

// The captions of the database versions the list offers, in the order of
// their values.
const QStringList kVersionCaptions = {
    QStringLiteral("Version 1 (MapSource 6.11 and older)"),
    QStringLiteral("Version 3 (Unicode, MapSource 6.12 and newer, BaseCamp)")};

// The button of a value: its place in the values, or the first button.
int ChoiceIndex(std::span<const qint32> values, qint32 value) {
    const auto it = std::ranges::find(values, value);
    return it == values.end() ? 0 : static_cast<int>(it - values.begin());
}

bool IsTextKey(const QKeyEvent* key) {
    switch (key->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_Meta:
        case Qt::Key_AltGr:
        case Qt::Key_CapsLock:
        case Qt::Key_NumLock:
            return false;
        default:
            return true;
    }
}

}  // namespace

OptionTabs::OptionTabs(Session& session, QWidget* parent)
    : QTabWidget(parent),
      session_(session),
      icons_(new QButtonGroup(this)),
      displayModes_(new QButtonGroup(this)) {
    setObjectName(QStringLiteral("TabStrip1"));
    addTab(iconsPage(), QStringLiteral("Icons"));
    addTab(namesPage(), QStringLiteral("Names/Disp"));
    addTab(timePage(), QStringLiteral("Cat/Time"));
    setTabToolTip(0, QStringLiteral("Options for modifying tracks and waypoint icons"));
    setTabToolTip(
        1, QStringLiteral("Options for modifying waypoint names and display modes in Mapsource"));
    setTabToolTip(
        2, QStringLiteral("Options for modifying waypoint times and categories in Mapsource"));
}

void OptionTabs::store(const OptionBinding& binding, qint32 value) {
    SetOption(session_.options, session_.settings, binding, value);
    Q_EMIT optionsChanged();
}

QCheckBox* OptionTabs::optionBox(const char* key, const QString& caption, const QString& toolTip) {
    const OptionBinding& binding = OptionBindingByKey(key);
    auto* box = new QCheckBox(caption);
    box->setObjectName(QLatin1String(binding.control));
    box->setToolTip(toolTip);
    connect(box, &QCheckBox::clicked, this,
            [this, box, &binding] { store(binding, box->isChecked() ? 1 : 0); });
    return box;
}

QList<QRadioButton*> OptionTabs::choiceButtons(const char* key, QButtonGroup* group,
                                               const QStringList& captions) {
    const OptionBinding& binding = OptionBindingByKey(key);
    QList<QRadioButton*> buttons;
    for (int index = 0; index < captions.size(); ++index) {
        auto* button = new QRadioButton(captions.at(index));
        button->setObjectName(QLatin1String(binding.control) + QString::number(index));
        group->addButton(button, index);
        buttons.push_back(button);
    }
    group->button(0)->setChecked(true);
    connect(group, &QButtonGroup::idToggled, this, [this, &binding](int index, bool checked) {
        if (!checked || showing_) {
            return;
        }
        const std::span<const qint32> values = binding.values;
        store(binding,
              index >= 0 && index < static_cast<int>(values.size()) ? values[index] : values[0]);
    });
    return buttons;
}

QWidget* OptionTabs::iconsPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("fraOptions0"));
    auto* keepTracks = new QCheckBox(QStringLiteral("Keep imported tracks"));
    keepTracks->setObjectName(QStringLiteral("chkKeepTracks"));
    QCheckBox* iconPrv = optionBox(
        "PreserveIcons", QStringLiteral("Preserve detected icons"),
        QStringLiteral("If imported waypoints already have icons set, this allows you to keep them "
                       "rather than overwritiing them"));

    auto* grid = new QGridLayout(page);
    grid->addWidget(keepTracks, 0, 0, 1, 2);
    grid->addWidget(iconPrv, 1, 0, 1, 2);
    const QList<QRadioButton*> buttons = choiceButtons("IconNumber", icons_, kIconCaptions);
    for (int index = 0; index < buttons.size(); ++index) {
        grid->addWidget(buttons.at(index), 2 + index % 4, index / 4);
    }
    grid->setRowStretch(6, 1);
    return page;
}

QWidget* OptionTabs::namesPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("fraOptions1"));
    QCheckBox* hint =
        optionBox("CopyHint", QStringLiteral("Copy hints to descriptions"), QString());
    QCheckBox* modName = optionBox(
        "ModNames", QStringLiteral("Modify GCxxxx waypoint names"),
        QStringLiteral(
            "Change waypoint names for detected geocache types from GCxxxx to MC/VC/LCxxxx"));
    QCheckBox* swap = optionBox("SwapNameDesc", QStringLiteral("Swap names and descriptions"),
                                QStringLiteral("Swap waypoint names and descriptions"));

    auto* display = new QGroupBox(QStringLiteral("Mapsource Display Options"));
    display->setObjectName(QStringLiteral("fraDisplay"));
    display->setToolTip(QStringLiteral("Choose how the waypoints are displayed in Mapsource"));
    QCheckBox* dispPrv =
        optionBox("PreserveDisplay", QStringLiteral("Preserve"),
                  QStringLiteral("Keep settings for imported waypoints that have them"));
    auto* displayLayout = new QGridLayout(display);
    displayLayout->addWidget(dispPrv, 0, 0);
    const QList<QRadioButton*> buttons =
        choiceButtons("DisplayMode", displayModes_,
                      {QStringLiteral("Symbol && Name"), QStringLiteral("Symbol"),
                       QStringLiteral("Symbol && Desc")});
    for (int index = 0; index < buttons.size(); ++index) {
        displayLayout->addWidget(buttons.at(index), 1 + index % 2, index / 2);
    }

    // A list rather than buttons: the captions are long, and the window
    // keeps its width.
    const OptionBinding& version = OptionBindingByKey("GdbVersion");
    auto* versionLabel = new QLabel(QStringLiteral("GDB format"));
    formatVersion_ = new QComboBox;
    formatVersion_->setObjectName(QLatin1String(version.control));
    formatVersion_->setToolTip(
        QStringLiteral("The GDB version that \"Make GDB File\" writes and MapSource gets"));
    formatVersion_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    formatVersion_->setMinimumContentsLength(16);
    for (size_t i = 0; i < version.values.size(); ++i) {
        formatVersion_->addItem(kVersionCaptions.value(static_cast<qsizetype>(i)),
                                version.values[i]);
    }
    versionLabel->setBuddy(formatVersion_);
    connect(formatVersion_, &QComboBox::currentIndexChanged, this, [this, &version](int index) {
        if (!showing_ && index >= 0) {
            store(version, formatVersion_->itemData(index).toInt());
        }
    });
    auto* versionRow = new QHBoxLayout;
    versionRow->addWidget(versionLabel);
    versionRow->addWidget(formatVersion_, 1);

    auto* column = new QVBoxLayout(page);
    column->addWidget(hint);
    column->addWidget(modName);
    column->addWidget(swap);
    column->addWidget(display);
    column->addLayout(versionRow);
    column->addStretch(1);
    return page;
}

QWidget* OptionTabs::timePage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("fraOptions2"));
    auto* times = new QButtonGroup(this);
    optTimeManual_ = new QRadioButton(QStringLiteral("Manual"));
    optTimeManual_->setObjectName(QStringLiteral("optTimeSet0"));
    optTimeNow_ = new QRadioButton(QStringLiteral("Now"));
    optTimeNow_->setObjectName(QStringLiteral("optTimeSet1"));
    times->addButton(optTimeManual_, 0);
    times->addButton(optTimeNow_, 1);
    // Until the user chooses, the box holds the time of the start and can be
    // typed into, which chooses "Manual".
    optTimeNow_->setChecked(true);
    txtTimeSet_ = new QLineEdit;
    txtTimeSet_->setObjectName(QStringLiteral("txtTimeSet"));
    txtTimeSet_->setMaxLength(40);
    txtTimeSet_->installEventFilter(this);
    connect(optTimeNow_, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked && !showing_) {
            chooseNow();
        }
    });
    connect(optTimeManual_, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked && !showing_) {
            chooseManual(!manualByKey_);
        }
    });
    QCheckBox* timeKeep = optionBox("PreserveTimes", QStringLiteral("Keep"),
                                    QStringLiteral("Retain detected waypoint times"));

    auto* timeGrid = new QGridLayout;
    timeGrid->addWidget(new QLabel(QStringLiteral("Times")), 0, 0);
    timeGrid->addWidget(optTimeManual_, 0, 1);
    timeGrid->addWidget(optTimeNow_, 0, 2);
    timeGrid->addWidget(timeKeep, 0, 3);
    auto* setLabel = new QLabel(QStringLiteral("Set:"));
    setLabel->setBuddy(txtTimeSet_);
    timeGrid->addWidget(setLabel, 1, 0);
    timeGrid->addWidget(txtTimeSet_, 1, 1, 1, 3);
    auto* hint = new QLabel(QStringLiteral("dd/mm/yyyy HH:mm:ss"));
    hint->setEnabled(false);
    timeGrid->addWidget(hint, 2, 1, 1, 3);

    auto* catGrid = new QGridLayout;
    catGrid->addWidget(new QLabel(QStringLiteral("Cat's")), 0, 0);
    for (int i = 0; i < 16; ++i) {
        auto* box = new QCheckBox(QString::number(i + 1));
        box->setObjectName(QLatin1String(OptionBindingByKey("Categories").control) +
                           QString::number(i));
        box->setToolTip(QStringLiteral("Specify inclusion into 16 user categories (MApsource)"));
        connect(box, &QCheckBox::clicked, this, &OptionTabs::storeCategories);
        chkCats_[static_cast<size_t>(i)] = box;
        catGrid->addWidget(box, 1 + i / 8, i % 8);
    }
    QCheckBox* catsKeep = optionBox("PreserveCats", QStringLiteral("Keep"),
                                    QStringLiteral("Retain detected Categories"));
    catGrid->addWidget(catsKeep, 0, 1, 1, 3);

    auto* column = new QVBoxLayout(page);
    column->addLayout(timeGrid);
    column->addLayout(catGrid);
    column->addStretch(1);
    return page;
}

void OptionTabs::storeCategories() {
    int categories = 0;
    for (int i = 0; i < 15; ++i) {
        if (chkCats_[static_cast<size_t>(i)]->isChecked()) {
            categories += 1 << i;
        }
    }
    // Box 16 is the sign bit of the 16-bit set.
    if (chkCats_[15]->isChecked()) {
        categories -= 1 << 15;
    }
    store(OptionBindingByKey("Categories"), categories);
}

void OptionTabs::showOptions(const Options& options) {
    showing_ = true;
    for (const OptionBinding& binding : OptionBindings()) {
        const qint32 value = OptionValue(options, binding);
        const QString control = QLatin1String(binding.control);
        switch (binding.kind) {
            case OptionKind::Flag:
                findChild<QCheckBox*>(control)->setChecked(value != 0);
                break;
            case OptionKind::Choice:
                findChild<QRadioButton*>(control +
                                         QString::number(ChoiceIndex(binding.values, value)))
                    ->setChecked(true);
                break;
            case OptionKind::Categories:
                for (int i = 0; i < 16; ++i) {
                    chkCats_[static_cast<size_t>(i)]->setChecked((value >> i) & 1);
                }
                break;
            case OptionKind::List: {
                auto* list = findChild<QComboBox*>(control);
                list->setCurrentIndex(std::max(0, list->findData(value)));
                break;
            }
            case OptionKind::Site:
            case OptionKind::Text:
                break;
        }
    }
    showing_ = false;
    Q_EMIT optionsChanged();
}

void OptionTabs::takeCurrentTime() {
    txtTimeSet_->setText(TakeCurrentTime(session_));
}

bool OptionTabs::timeNow() const {
    return optTimeNow_->isChecked();
}

void OptionTabs::showRefreshedTime(const QString& text) {
    txtTimeSet_->setText(text);
    txtTimeSet_->setEnabled(false);
}

void OptionTabs::chooseNow() {
    takeCurrentTime();
    txtTimeSet_->setEnabled(false);
}

void OptionTabs::chooseManual(bool selectAll) {
    txtTimeSet_->setEnabled(true);
    txtTimeSet_->setFocus(Qt::OtherFocusReason);
    // When a key in the box chose "Manual", that key goes where the user put
    // the cursor instead of replacing the whole entry.
    if (selectAll) {
        txtTimeSet_->selectAll();
    }
}

void OptionTabs::checkTimeEntry() {
    checkingTime_ = true;
    const TimeEntryCheck check = CheckTimeEntry(session_, txtTimeSet_->text());
    txtTimeSet_->setText(check.text);
    if (!check.accepted) {
        // Back into the box once the focus has left it: the box clears its
        // selection on the way out.
        QTimer::singleShot(0, txtTimeSet_, [box = txtTimeSet_] {
            box->setFocus(Qt::OtherFocusReason);
            box->selectAll();
        });
    }
    checkingTime_ = false;
}

bool OptionTabs::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtTimeSet_) {
        if (event->type() == QEvent::KeyPress && optTimeNow_->isChecked() &&
            IsTextKey(static_cast<QKeyEvent*>(event))) {
            manualByKey_ = true;
            optTimeManual_->setChecked(true);
            manualByKey_ = false;
        } else if (event->type() == QEvent::FocusOut && !checkingTime_ &&
                   txtTimeSet_->isEnabled()) {
            // Another window taking the focus (a message box, a menu) is no
            // end of the entry.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
                checkTimeEntry();
            }
        }
    }
    return QTabWidget::eventFilter(watched, event);
}
