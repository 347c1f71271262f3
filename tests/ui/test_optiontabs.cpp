// The three option tabs: every control stores its value at once and sets the
// option; restored values show on the controls; the time entry is checked.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <map>

#include "settings/options.h"
#include "windowfixture.h"

namespace {

void LoseFocus(QLineEdit* box) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(box, &out);
}

QCheckBox* CategoryBox(const WindowFixture& f, int i) {
    return f.window->findChild<QCheckBox*>(QStringLiteral("chkCats") + QString::number(i));
}

constexpr bool Options::*kFlags[] = {
    &Options::PreserveIcons, &Options::PreserveDisplay, &Options::CopyHint,    &Options::ModNames,
    &Options::SwapNameDesc,  &Options::PreserveTimes,   &Options::PreserveCats};

}  // namespace

class OptionTabsTest : public QObject {
    Q_OBJECT

    // The stored options shown on the window's controls, as at start-up.
    static void restore(WindowFixture& f) {
        RestoreOptions(f.session.options, f.settings);
        f.window->showRestoredOptions();
    }

private Q_SLOTS:
    void checkBoxes_data() {
        // "flag" is the option's place in kFlags.
        AddColumns<QString, QString, int>("box", "valueName", "flag");
        AddRow("icons", "chkIconPrv", "PreserveIcons", 0);
        AddRow("display", "chkDispPrv", "PreserveDisplay", 1);
        AddRow("hints", "chkHintToDesc", "CopyHint", 2);
        AddRow("names", "chkModName", "ModNames", 3);
        AddRow("swap", "chkSwapNameDesc", "SwapNameDesc", 4);
        AddRow("times", "chkTimeKeep", "PreserveTimes", 5);
        AddRow("categories", "chkCatsKeep", "PreserveCats", 6);
    }
    void checkBoxes() {
        QFETCH(QString, box);
        QFETCH(QString, valueName);
        QFETCH(int, flag);
        WindowFixture f;
        auto* check = f.window->findChild<QCheckBox*>(box);
        for (int round = 0; round < 2; ++round) {
            check->click();
            QCOMPARE(f.settings.values.value(valueName),
                     check->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
            QCOMPARE(f.session.options.*kFlags[flag], check->isChecked());
        }
    }

    void keepTracksIsNotStored() {
        WindowFixture f;
        f.find<QCheckBox>("chkKeepTracks")->click();
        QVERIFY(f.settings.values.isEmpty());
    }

    void choices_data() {
        // "group" is the buttons' name without their index.
        AddColumns<QString, int, int>("group", "index", "number");
        AddRow("Waypoint", "optWptIcon", 0, 18);
        AddRow("Short Tower", "optWptIcon", 1, 112);
        AddRow("Geocache", "optWptIcon", 2, 117);
        AddRow("Cache Found", "optWptIcon", 3, 118);
        AddRow("Flag", "optWptIcon", 4, 64);
        AddRow("Circle with cross", "optWptIcon", 5, 65);
        AddRow("White Dot", "optWptIcon", 6, 35);
        AddRow("Ghost Town", "optWptIcon", 7, 99);
        AddRow("Symbol & Name", "optDispMode", 0, 1);
        AddRow("Symbol", "optDispMode", 1, 0);
        AddRow("Symbol & Desc", "optDispMode", 2, 2);
        AddRow("GDB version 1", "cboGdbFormat", 0, 1);
        AddRow("GDB version 3", "cboGdbFormat", 1, 3);
    }
    void choices() {
        QFETCH(QString, group);
        QFETCH(int, index);
        QFETCH(int, number);
        const std::map<QString, std::pair<qint32 Options::*, const char*>> options{
            {QStringLiteral("optWptIcon"), {&Options::IconNumber, "IconNumber"}},
            {QStringLiteral("optDispMode"), {&Options::DisplayMode, "DisplayMode"}},
            {QStringLiteral("cboGdbFormat"), {&Options::GdbVersion, "GdbVersion"}}};
        const auto [field, name] = options.at(group);
        WindowFixture f;
        // Another choice first, so that this one is a change.
        for (const int i : {index == 0 ? 1 : 0, index}) {
            if (auto* list = f.window->findChild<QComboBox*>(group)) {
                list->setCurrentIndex(i);
            } else {
                f.window->findChild<QRadioButton*>(group + QString::number(i))->click();
            }
        }
        QCOMPARE(f.session.options.*field, number);
        QCOMPARE(f.settings.values.value(QLatin1String(name)), QString::number(number));
    }

    void categories() {
        WindowFixture f;
        CategoryBox(f, 15)->click();
        QCOMPARE(f.settings.values.value(QStringLiteral("Categories")), QStringLiteral("-32768"));
        QCOMPARE(f.session.options.Categories, qint16(-32768));
        CategoryBox(f, 0)->click();
        QCOMPARE(f.settings.values.value(QStringLiteral("Categories")), QStringLiteral("-32767"));
        CategoryBox(f, 3)->click();
        CategoryBox(f, 14)->click();
        CategoryBox(f, 15)->click();
        QCOMPARE(f.settings.values.value(QStringLiteral("Categories")),
                 QString::number(1 + 8 + 16384));
    }

    void restoredOptionsShowWithoutBeingStored() {
        WindowFixture f({{"IconNumber", QStringLiteral("117")},
                         {"DisplayMode", QStringLiteral("0")},
                         {"PreserveIcons", QStringLiteral("0")},
                         {"SwapNameDesc", QStringLiteral("1")},
                         {"Categories", QStringLiteral("-32767")},
                         {"GdbVersion", QStringLiteral("3")}});
        const auto stored = f.settings.values;
        restore(f);
        QVERIFY(f.find<QRadioButton>("optWptIcon2")->isChecked());
        QVERIFY(f.find<QRadioButton>("optDispMode1")->isChecked());
        QCOMPARE(f.find<QComboBox>("cboGdbFormat")->currentText(),
                 QStringLiteral("Version 3 (Unicode, MapSource 6.12 and newer, BaseCamp)"));
        QVERIFY(!f.find<QCheckBox>("chkIconPrv")->isChecked());
        QVERIFY(f.find<QCheckBox>("chkDispPrv")->isChecked());
        QVERIFY(f.find<QCheckBox>("chkSwapNameDesc")->isChecked());
        QVERIFY(!f.find<QCheckBox>("chkModName")->isChecked());
        // -32767 ticks categories 1 and 16, and only those.
        for (int i = 0; i < 16; ++i) {
            QCOMPARE(CategoryBox(f, i)->isChecked(), i == 0 || i == 15);
        }
        QCOMPARE(f.settings.values, stored);
    }

    void choosingNowAndManual() {
        WindowFixture f;
        auto* box = f.find<QLineEdit>("txtTimeSet");
        f.find<QRadioButton>("optTimeSet0")->click();
        QVERIFY(box->isEnabled());
        QCOMPARE(f.window->focusWidget(), box);
        QCOMPARE(box->selectedText(), box->text());

        f.now = f.now.addDays(1);
        f.find<QRadioButton>("optTimeSet1")->click();
        QCOMPARE(box->text(), QStringLiteral("06/12/2026 01:02:03"));
        QVERIFY(!box->isEnabled());
        QCOMPARE(f.session.options.ManualTime, f.now.toSecsSinceEpoch() + 13);
        // None of this is stored.
        QVERIFY(f.settings.values.isEmpty());
    }

    void typingChoosesManual() {
        WindowFixture f;
        auto* box = f.find<QLineEdit>("txtTimeSet");
        box->setFocus();
        box->setCursorPosition(1);
        QTest::keyClick(box, Qt::Key_Delete);
        QVERIFY(f.find<QRadioButton>("optTimeSet0")->isChecked());
        // The key edits where the cursor was.
        QCOMPARE(box->text(), QStringLiteral("0/12/2026 01:02:03"));
    }

    // The "Date entry error" question: No goes back to the entry, Yes takes
    // the current time; either way the box is checked again when next left.
    void timeEntry_data() {
        // A manualTime of -1: the entry is rejected.
        AddColumns<QString, qint64>("entry", "manualTime");
        AddRow("blanks", " 01/01/1970 00:00:10  ", qint64(23));
        AddRow("no such month", "01/13/2004 00:00:00", qint64(-1));
    }
    void timeEntry() {
        QFETCH(QString, entry);
        QFETCH(qint64, manualTime);
        for (const MessageAnswer answer : {MessageAnswer::No, MessageAnswer::Yes}) {
            WindowFixture f;
            const qint64 before = f.session.options.ManualTime;
            auto* box = f.find<QLineEdit>("txtTimeSet");
            f.find<QRadioButton>("optTimeSet0")->click();
            box->setText(entry);
            f.answers.messageAnswers.push_back(answer);
            LoseFocus(box);
            if (manualTime >= 0) {
                QCOMPARE(box->text(), entry.trimmed());
                QCOMPARE(f.session.options.ManualTime, manualTime);
                QVERIFY(f.answers.messages.empty());
                continue;
            }
            QCOMPARE(f.answers.messages.size(), size_t(1));
            QCOMPARE(f.answers.messages.front().title, QStringLiteral("Date entry error"));
            QCOMPARE(f.session.options.ManualTime, before);
            const bool yes = answer == MessageAnswer::Yes;
            QCOMPARE(box->text(), yes ? QStringLiteral("05/12/2026 01:02:03") : entry.trimmed());
            QTRY_COMPARE(f.window->focusWidget(), box);
            QTRY_COMPARE(box->selectedText(), box->text());
            LoseFocus(box);
            QCOMPARE(f.answers.messages.size(), size_t(yes ? 1 : 2));
            if (yes) {
                QCOMPARE(f.session.options.ManualTime, f.now.toSecsSinceEpoch() + 13);
            }
        }
    }

    void anotherWindowTakingTheFocusChecksNothing() {
        WindowFixture f;
        auto* box = f.find<QLineEdit>("txtTimeSet");
        box->setText(QStringLiteral("half past two"));
        QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(box, &out);
        QVERIFY(f.answers.messages.empty());
    }
};

QTEST_MAIN(OptionTabsTest)
#include "test_optiontabs.moc"
