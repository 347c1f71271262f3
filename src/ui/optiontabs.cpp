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

// The caption of each symbol button, in the order of OfferedIcons.
const char* const kIconCaptions[] = {"Waypoint", "Short Tower",       "Geocache",  "Cache Found",
                                     "Flag",     "Circle with cross", "White Dot", "Ghost Town"};

// The display mode of each button and back.
constexpr qint32 kDisplayModes[] = {1, 0, 2};

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

QCheckBox* OptionTabs::optionBox(const QString& objectName, const QString& caption,
                                 const QString& toolTip, const QString& valueName,
                                 bool Options::*field) {
    auto* box = new QCheckBox(caption);
    box->setObjectName(objectName);
    box->setToolTip(toolTip);
    connect(box, &QCheckBox::clicked, this, [this, box, valueName, field] {
        // Stored as the box's state: 0 clear, 1 ticked.
        const int state = box->isChecked() ? 1 : 0;
        SaveOption(session_.settings, valueName, QString::number(state));
        session_.options.*field = state != 0;
    });
    return box;
}

void OptionTabs::storeChoices(QButtonGroup* group, std::span<const qint32> values,
                              qint32 Options::*field, const QString& valueName) {
    // The button ids are the places in values.
    connect(group, &QButtonGroup::idToggled, this, [=, this](int index, bool checked) {
        if (!checked || showing_) {
            return;
        }
        const qint32 value =
            index >= 0 && index < static_cast<int>(values.size()) ? values[index] : values[0];
        session_.options.*field = value;
        SaveOption(session_.settings, valueName, QString::number(value));
    });
}

QWidget* OptionTabs::iconsPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("fraOptions0"));
    auto* keepTracks = new QCheckBox(QStringLiteral("Keep imported tracks"));
    keepTracks->setObjectName(QStringLiteral("chkKeepTracks"));
    QCheckBox* iconPrv = optionBox(
        QStringLiteral("chkIconPrv"), QStringLiteral("Preserve detected icons"),
        QStringLiteral("If imported waypoints already have icons set, this allows you to keep them "
                       "rather than overwritiing them"),
        QStringLiteral("PreserveIcons"), &Options::PreserveIcons);

    auto* grid = new QGridLayout(page);
    grid->addWidget(keepTracks, 0, 0, 1, 2);
    grid->addWidget(iconPrv, 1, 0, 1, 2);
    for (int index = 0; index < 8; ++index) {
        auto* button = new QRadioButton(QString::fromLatin1(kIconCaptions[index]));
        button->setObjectName(QStringLiteral("optWptIcon") + QString::number(index));
        icons_->addButton(button, index);
        grid->addWidget(button, 2 + index % 4, index / 4);
    }
    grid->setRowStretch(6, 1);
    icons_->button(0)->setChecked(true);
    storeChoices(icons_, OfferedIcons, &Options::IconNumber, QStringLiteral("IconNumber"));
    return page;
}

QWidget* OptionTabs::namesPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("fraOptions1"));
    QCheckBox* hint =
        optionBox(QStringLiteral("chkHintToDesc"), QStringLiteral("Copy hints to descriptions"),
                  QString(), QStringLiteral("CopyHint"), &Options::CopyHint);
    QCheckBox* modName = optionBox(
        QStringLiteral("chkModName"), QStringLiteral("Modify GCxxxx waypoint names"),
        QStringLiteral(
            "Change waypoint names for detected geocache types from GCxxxx to MC/VC/LCxxxx"),
        QStringLiteral("ModNames"), &Options::ModNames);
    QCheckBox* swap =
        optionBox(QStringLiteral("chkSwapNameDesc"), QStringLiteral("Swap names and descriptions"),
                  QStringLiteral("Swap waypoint names and descriptions"),
                  QStringLiteral("SwapNameDesc"), &Options::SwapNameDesc);

    auto* display = new QGroupBox(QStringLiteral("Mapsource Display Options"));
    display->setObjectName(QStringLiteral("fraDisplay"));
    display->setToolTip(QStringLiteral("Choose how the waypoints are displayed in Mapsource"));
    QCheckBox* dispPrv =
        optionBox(QStringLiteral("chkDispPrv"), QStringLiteral("Preserve"),
                  QStringLiteral("Keep settings for imported waypoints that have them"),
                  QStringLiteral("PreserveDisplay"), &Options::PreserveDisplay);
    auto* displayLayout = new QGridLayout(display);
    displayLayout->addWidget(dispPrv, 0, 0);
    const QString captions[] = {QStringLiteral("Symbol && Name"), QStringLiteral("Symbol"),
                                QStringLiteral("Symbol && Desc")};
    for (int index = 0; index < 3; ++index) {
        auto* button = new QRadioButton(captions[index]);
        button->setObjectName(QStringLiteral("optDispMode") + QString::number(index));
        displayModes_->addButton(button, index);
        displayLayout->addWidget(button, 1 + index % 2, index / 2);
    }
    displayModes_->button(0)->setChecked(true);
    storeChoices(displayModes_, kDisplayModes, &Options::DisplayMode,
                 QStringLiteral("DisplayMode"));

    // A list rather than buttons: the captions are long, and the window
    // keeps its width.
    auto* gdbLabel = new QLabel(QStringLiteral("GDB format"));
    gdbFormat_ = new QComboBox;
    gdbFormat_->setObjectName(QStringLiteral("cboGdbFormat"));
    gdbFormat_->setToolTip(
        QStringLiteral("The GDB version that \"Make GDB File\" writes and MapSource gets"));
    gdbFormat_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    gdbFormat_->setMinimumContentsLength(16);
    for (const GdbFormatChoice& choice : GdbFormats) {
        gdbFormat_->addItem(QString::fromLatin1(choice.caption), choice.version);
    }
    gdbLabel->setBuddy(gdbFormat_);
    connect(gdbFormat_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (showing_ || index < 0) {
            return;
        }
        const qint32 version = gdbFormat_->itemData(index).toInt();
        session_.options.GdbVersion = version;
        SaveOption(session_.settings, QStringLiteral("GdbVersion"), QString::number(version));
    });
    auto* gdbRow = new QHBoxLayout;
    gdbRow->addWidget(gdbLabel);
    gdbRow->addWidget(gdbFormat_, 1);

    auto* column = new QVBoxLayout(page);
    column->addWidget(hint);
    column->addWidget(modName);
    column->addWidget(swap);
    column->addWidget(display);
    column->addLayout(gdbRow);
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
    QCheckBox* timeKeep = optionBox(QStringLiteral("chkTimeKeep"), QStringLiteral("Keep"),
                                    QStringLiteral("Retain detected waypoint times"),
                                    QStringLiteral("PreserveTimes"), &Options::PreserveTimes);

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
        box->setObjectName(QStringLiteral("chkCats") + QString::number(i));
        box->setToolTip(QStringLiteral("Specify inclusion into 16 user categories (MApsource)"));
        connect(box, &QCheckBox::clicked, this, &OptionTabs::storeCategories);
        chkCats_[static_cast<size_t>(i)] = box;
        catGrid->addWidget(box, 1 + i / 8, i % 8);
    }
    QCheckBox* catsKeep = optionBox(QStringLiteral("chkCatsKeep"), QStringLiteral("Keep"),
                                    QStringLiteral("Retain detected Categories"),
                                    QStringLiteral("PreserveCats"), &Options::PreserveCats);
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
    session_.options.Categories = static_cast<qint16>(categories);
    SaveOption(session_.settings, QStringLiteral("Categories"), QString::number(categories));
}

void OptionTabs::showOptions(const Options& options) {
    showing_ = true;
    icons_->button(ChoiceIndex(OfferedIcons, options.IconNumber))->setChecked(true);
    displayModes_->button(ChoiceIndex(kDisplayModes, options.DisplayMode))->setChecked(true);
    gdbFormat_->setCurrentIndex(std::max(0, gdbFormat_->findData(options.GdbVersion)));
    const std::pair<const char*, bool> boxes[] = {
        {"chkIconPrv", options.PreserveIcons},     {"chkDispPrv", options.PreserveDisplay},
        {"chkHintToDesc", options.CopyHint},       {"chkModName", options.ModNames},
        {"chkSwapNameDesc", options.SwapNameDesc}, {"chkTimeKeep", options.PreserveTimes},
        {"chkCatsKeep", options.PreserveCats},
    };
    for (const auto& [name, ticked] : boxes) {
        findChild<QCheckBox*>(QString::fromLatin1(name))->setChecked(ticked);
    }
    for (int i = 0; i < 16; ++i) {
        chkCats_[static_cast<size_t>(i)]->setChecked((options.Categories >> i) & 1);
    }
    showing_ = false;
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
