// The three option tabs: every control stores its value at once and sets the
// option; restored values show on the controls; the time entry is checked.
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>

#include "settings/options.h"
#include "ui/optiontabs.h"
#include "windowfixture.h"

namespace {

void LoseFocus(QLineEdit* box) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(box, &out);
}

}  // namespace

class OptionTabsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tabs() {
        WindowFixture f;
        f.open().show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        auto* tabs = f.find<QTabWidget>("TabStrip1");
        QCOMPARE(tabs->count(), 3);
        QCOMPARE(tabs->tabText(0), QStringLiteral("Icons"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("Names/Disp"));
        QCOMPARE(tabs->tabText(2), QStringLiteral("Cat/Time"));
        QCOMPARE(
            tabs->tabToolTip(2),
            QStringLiteral("Options for modifying waypoint times and categories in Mapsource"));
        tabs->setCurrentIndex(2);
        QVERIFY(f.find<QWidget>("fraOptions2")->isVisible());
        QVERIFY(!f.find<QWidget>("fraOptions0")->isVisible());
        QVERIFY(!f.find<QWidget>("fraOptions1")->isVisible());
    }

    void checkBoxes_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("valueName");
        QTest::addColumn<QString>("caption");
        QTest::newRow("icons") << QStringLiteral("chkIconPrv") << QStringLiteral("PreserveIcons")
                               << QStringLiteral("Preserve detected icons");
        QTest::newRow("display") << QStringLiteral("chkDispPrv")
                                 << QStringLiteral("PreserveDisplay") << QStringLiteral("Preserve");
        QTest::newRow("hints") << QStringLiteral("chkHintToDesc") << QStringLiteral("CopyHint")
                               << QStringLiteral("Copy hints to descriptions");
        QTest::newRow("names") << QStringLiteral("chkModName") << QStringLiteral("ModNames")
                               << QStringLiteral("Modify GCxxxx waypoint names");
        QTest::newRow("swap") << QStringLiteral("chkSwapNameDesc") << QStringLiteral("SwapNameDesc")
                              << QStringLiteral("Swap names and descriptions");
        QTest::newRow("times") << QStringLiteral("chkTimeKeep") << QStringLiteral("PreserveTimes")
                               << QStringLiteral("Keep");
        QTest::newRow("categories") << QStringLiteral("chkCatsKeep")
                                    << QStringLiteral("PreserveCats") << QStringLiteral("Keep");
    }
    void checkBoxes() {
        QFETCH(QString, box);
        QFETCH(QString, valueName);
        WindowFixture f;
        f.open();
        // Which field belongs to which stored value is the options' own table.
        const auto field = [&f, &valueName] {
            MemorySettingsStore one;
            one.setValue(valueName, QStringLiteral("1"));
            Options ticked;
            RestoreOptions(ticked, one);
            MemorySettingsStore zero;
            zero.setValue(valueName, QStringLiteral("0"));
            Options cleared;
            RestoreOptions(cleared, zero);
            const Options& o = f.session.options;
            const bool Options::*fields[] = {&Options::PreserveIcons, &Options::PreserveDisplay,
                                             &Options::CopyHint,      &Options::ModNames,
                                             &Options::SwapNameDesc,  &Options::PreserveTimes,
                                             &Options::PreserveCats};
            for (const auto member : fields) {
                if (ticked.*member != cleared.*member) {
                    return o.*member;
                }
            }
            qFatal("no field for %s", qPrintable(valueName));
        };
        auto* check = f.window->findChild<QCheckBox*>(box);
        QVERIFY(check != nullptr);
        QTEST(check->text(), "caption");
        const bool before = check->isChecked();
        check->click();
        QCOMPARE(f.settings.values.value(valueName),
                 before ? QStringLiteral("0") : QStringLiteral("1"));
        QCOMPARE(field(), !before);
        check->click();
        QCOMPARE(f.settings.values.value(valueName),
                 before ? QStringLiteral("1") : QStringLiteral("0"));
        QCOMPARE(field(), before);
    }

    void keepTracksIsNotStored() {
        WindowFixture f;
        f.open();
        f.find<QCheckBox>("chkKeepTracks")->click();
        QVERIFY(f.settings.values.isEmpty());
    }

    void symbols_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("number");
        QTest::newRow("0") << 0 << QStringLiteral("Waypoint") << 18;
        QTest::newRow("1") << 1 << QStringLiteral("Short Tower") << 112;
        QTest::newRow("2") << 2 << QStringLiteral("Geocache") << 117;
        QTest::newRow("3") << 3 << QStringLiteral("Cache Found") << 118;
        QTest::newRow("4") << 4 << QStringLiteral("Flag") << 64;
        QTest::newRow("5") << 5 << QStringLiteral("Circle with cross") << 65;
        QTest::newRow("6") << 6 << QStringLiteral("White Dot") << 35;
        QTest::newRow("7") << 7 << QStringLiteral("Ghost Town") << 99;
    }
    void symbols() {
        QFETCH(int, index);
        QFETCH(int, number);
        WindowFixture f;
        f.settings.setValue(QStringLiteral("IconNumber"), QStringLiteral("99"));
        f.open();
        RestoreOptions(f.session.options, f.settings);
        f.window->showRestoredOptions();
        auto* button = f.window->findChild<QRadioButton*>(QStringLiteral("optWptIcon") +
                                                          QString::number(index));
        QTEST(button->text(), "caption");
        button->click();
        QCOMPARE(f.session.options.IconNumber, number);
        QCOMPARE(f.settings.values.value(QStringLiteral("IconNumber")), QString::number(number));
    }

    void displayModes_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("mode");
        QTest::newRow("0") << 0 << QStringLiteral("Symbol && Name") << 1;
        QTest::newRow("1") << 1 << QStringLiteral("Symbol") << 0;
        QTest::newRow("2") << 2 << QStringLiteral("Symbol && Desc") << 2;
    }
    void displayModes() {
        QFETCH(int, index);
        QFETCH(int, mode);
        WindowFixture f;
        f.settings.setValue(QStringLiteral("DisplayMode"),
                            index == 2 ? QStringLiteral("0") : QStringLiteral("2"));
        f.open();
        RestoreOptions(f.session.options, f.settings);
        f.window->showRestoredOptions();
        auto* button = f.window->findChild<QRadioButton*>(QStringLiteral("optDispMode") +
                                                          QString::number(index));
        QTEST(button->text(), "caption");
        button->click();
        QCOMPARE(f.session.options.DisplayMode, mode);
        QCOMPARE(f.settings.values.value(QStringLiteral("DisplayMode")), QString::number(mode));
    }

    void categories() {
        WindowFixture f;
        f.open();
        const auto box = [&f](int i) {
            return f.window->findChild<QCheckBox*>(QStringLiteral("chkCats") + QString::number(i));
        };
        box(15)->click();
        QCOMPARE(f.settings.values.value(QStringLiteral("Categories")), QStringLiteral("-32768"));
        QCOMPARE(f.session.options.Categories, qint16(-32768));
        box(0)->click();
        QCOMPARE(f.settings.values.value(QStringLiteral("Categories")), QStringLiteral("-32767"));
        box(3)->click();
        box(14)->click();
        QCOMPARE(f.settings.values.value(QStringLiteral("Categories")),
                 QString::number(1 + 8 + 16384 - 32768));
        box(15)->click();
        QCOMPARE(f.settings.values.value(QStringLiteral("Categories")),
                 QString::number(1 + 8 + 16384));

        // A restored -32767 ticks boxes 1 and 16 again, and only those.
        WindowFixture again;
        again.settings.setValue(QStringLiteral("Categories"), QStringLiteral("-32767"));
        again.open();
        RestoreOptions(again.session.options, again.settings);
        again.window->showRestoredOptions();
        for (int i = 0; i < 16; ++i) {
            QCOMPARE(
                again.window->findChild<QCheckBox*>(QStringLiteral("chkCats") + QString::number(i))
                    ->isChecked(),
                i == 0 || i == 15);
        }
    }

    void restoredOptionsShowWithoutBeingStored() {
        WindowFixture f;
        f.settings.setValue(QStringLiteral("IconNumber"), QStringLiteral("117"));
        f.settings.setValue(QStringLiteral("DisplayMode"), QStringLiteral("0"));
        f.settings.setValue(QStringLiteral("PreserveIcons"), QStringLiteral("0"));
        f.settings.setValue(QStringLiteral("SwapNameDesc"), QStringLiteral("1"));
        f.open();
        RestoreOptions(f.session.options, f.settings);
        const auto stored = f.settings.values;
        f.window->showRestoredOptions();
        QVERIFY(f.find<QRadioButton>("optWptIcon2")->isChecked());
        QVERIFY(f.find<QRadioButton>("optDispMode1")->isChecked());
        QVERIFY(!f.find<QCheckBox>("chkIconPrv")->isChecked());
        QVERIFY(f.find<QCheckBox>("chkDispPrv")->isChecked());
        QVERIFY(f.find<QCheckBox>("chkSwapNameDesc")->isChecked());
        QVERIFY(!f.find<QCheckBox>("chkModName")->isChecked());
        QCOMPARE(f.settings.values, stored);
    }

    void choosingNowAndManual() {
        WindowFixture f;
        f.open();
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
        f.open();
        auto* box = f.find<QLineEdit>("txtTimeSet");
        QVERIFY(f.find<QRadioButton>("optTimeSet1")->isChecked());
        box->setFocus();
        box->setCursorPosition(1);
        QTest::keyClick(box, Qt::Key_Delete);
        QVERIFY(f.find<QRadioButton>("optTimeSet0")->isChecked());
        // The key edits where the cursor was.
        QCOMPARE(box->text(), QStringLiteral("0/12/2026 01:02:03"));
    }

    void timeEntry_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<qint64>("manualTime");
        QTest::newRow("epoch") << QStringLiteral("01/01/1970 00:00:00") << true << qint64(13);
        QTest::newRow("blanks") << QStringLiteral(" 01/01/1970 00:00:10  ") << true << qint64(23);
        QTest::newRow("no leading zeros")
            << QStringLiteral("1/1/1970 00:00:00") << false << qint64(0);
        QTest::newRow("no such month")
            << QStringLiteral("01/13/2004 00:00:00") << false << qint64(0);
    }
    void timeEntry() {
        QFETCH(QString, entry);
        QFETCH(bool, accepted);
        QFETCH(qint64, manualTime);
        for (const MessageAnswer answer : {MessageAnswer::No, MessageAnswer::Yes}) {
            WindowFixture f;
            f.open();
            const qint64 before = f.session.options.ManualTime;
            auto* box = f.find<QLineEdit>("txtTimeSet");
            f.find<QRadioButton>("optTimeSet0")->click();
            box->setText(entry);
            f.answers.messageAnswers.push_back(answer);
            LoseFocus(box);
            if (accepted) {
                QCOMPARE(box->text(), entry.trimmed());
                QCOMPARE(f.session.options.ManualTime, manualTime);
                QVERIFY(f.answers.messages.empty());
                continue;
            }
            QCOMPARE(f.answers.messages.size(), size_t(1));
            QCOMPARE(f.answers.messages.front().title, QStringLiteral("Date entry error"));
            QCOMPARE(f.session.options.ManualTime, before);
            QCOMPARE(box->text(), answer == MessageAnswer::Yes
                                      ? QStringLiteral("05/12/2026 01:02:03")
                                      : entry.trimmed());
            QTRY_COMPARE(f.window->focusWidget(), box);
            QTRY_COMPARE(box->selectedText(), box->text());
            // The next time the box is left, the entry is checked again.
            LoseFocus(box);
            if (answer == MessageAnswer::Yes) {
                QCOMPARE(f.answers.messages.size(), size_t(1));
                QCOMPARE(f.session.options.ManualTime, f.now.toSecsSinceEpoch() + 13);
            } else {
                QCOMPARE(f.answers.messages.size(), size_t(2));
            }
        }
    }

    void anotherWindowTakingTheFocusChecksNothing() {
        WindowFixture f;
        f.open();
        auto* box = f.find<QLineEdit>("txtTimeSet");
        box->setText(QStringLiteral("half past two"));
        QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(box, &out);
        QVERIFY(f.answers.messages.empty());
    }
};

QTEST_MAIN(OptionTabsTest)
#include "test_optiontabs.moc"
