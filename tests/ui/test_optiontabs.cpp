// The three option tabs: every control stores its value at once and sets the
// option; restored values show on the controls; the time entry is checked.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include "settings/options.h"
#include "windowfixture.h"

namespace {

void LoseFocus(QLineEdit* box, Qt::FocusReason reason = Qt::TabFocusReason) {
    QFocusEvent out(QEvent::FocusOut, reason);
    QApplication::sendEvent(box, &out);
}

QCheckBox* CategoryBox(const WindowFixture& f, int i) {
    return f.window->findChild<QCheckBox*>(QStringLiteral("chkCats") + QString::number(i));
}

// The option stored under this value name, as a number.
qint64 OptionValue(const Options& o, const QString& name) {
    const std::pair<const char*, qint64> values[] = {
        {"PreserveIcons", o.PreserveIcons}, {"PreserveDisplay", o.PreserveDisplay},
        {"CopyHint", o.CopyHint},           {"ModNames", o.ModNames},
        {"SwapNameDesc", o.SwapNameDesc},   {"PreserveTimes", o.PreserveTimes},
        {"PreserveCats", o.PreserveCats},   {"IconNumber", o.IconNumber},
        {"DisplayMode", o.DisplayMode},     {"GdbVersion", o.GdbVersion}};
    for (const auto& [stored, value] : values) {
        if (name == QLatin1String(stored)) {
            return value;
        }
    }
    return -1;
}

}  // namespace

class OptionTabsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A stored value shows on its control without being stored again; then a
    // check box is cleared and ticked, a choice made after another.
    void storesAndSets_data() { AddTableRows({"control", "valueName", "number"}); }
    void storesAndSets() {
        QFETCH(QString, control);
        QFETCH(QString, valueName);
        QFETCH(QString, number);
        const QString group = control.section(u':', 0, 0);
        const int index = control.section(u':', 1).toInt();
        WindowFixture f;
        f.settings.setValue(valueName.isNull() ? QStringLiteral("-") : valueName,
                            number.isNull() ? QStringLiteral("1") : number);
        RestoreOptions(f.session.options, f.settings);
        const auto stored = f.settings.values;
        f.window->showRestoredOptions();
        auto* box = f.window->findChild<QCheckBox*>(group);
        auto* list = f.window->findChild<QComboBox*>(group);
        const auto choice = [&](int i) {
            return f.find<QRadioButton>(qPrintable(group + QString::number(i)));
        };
        QVERIFY(box    ? box->isChecked() == (number == QLatin1String("1"))
                : list ? list->currentIndex() == index
                       : choice(index)->isChecked());
        QCOMPARE(f.settings.values, stored);
        for (const int pick : {int(index == 0), index}) {
            if (box) {
                box->click();
                number = QString::number(box->isChecked());
            } else if (list) {
                list->setCurrentIndex(pick);
            } else {
                choice(pick)->click();
            }
            if (valueName.isNull()) {
                QCOMPARE(f.settings.values, stored);
            } else if (pick == index || box) {
                QCOMPARE(f.settings.values.value(valueName), number);
                QCOMPARE(OptionValue(f.session.options, valueName), number.toLongLong());
            }
        }
    }

    // Categories 1 and 16 stored as -32767 show as such; the 16th is the
    // sign bit of what is stored.
    void categories() {
        WindowFixture f({{"Categories", QStringLiteral("-32767")}});
        RestoreOptions(f.session.options, f.settings);
        f.window->showRestoredOptions();
        for (int i = 0; i < 16; ++i) {
            QCOMPARE(CategoryBox(f, i)->isChecked(), i == 0 || i == 15);
        }
        CategoryBox(f, 0)->click();
        QCOMPARE(f.settings.values.value(QStringLiteral("Categories")), QStringLiteral("-32768"));
        QCOMPARE(f.session.options.Categories, qint16(-32768));
        for (const int i : {15, 0, 3, 14}) {
            CategoryBox(f, i)->click();
        }
        QCOMPARE(f.settings.values.value(QStringLiteral("Categories")),
                 QString::number(1 + 8 + 16384));
    }

    // Choosing the manual time opens its box with the text selected; choosing
    // "Now" takes the time again; typing in the box chooses the manual time
    // and edits where the cursor is. None of this is stored, and another
    // window taking the focus checks nothing.
    void nowManualAndTyping() {
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

        WindowFixture g;
        box = g.find<QLineEdit>("txtTimeSet");
        box->setFocus();
        box->setCursorPosition(1);
        QTest::keyClick(box, Qt::Key_Delete);
        QVERIFY(g.find<QRadioButton>("optTimeSet0")->isChecked());
        QCOMPARE(box->text(), QStringLiteral("0/12/2026 01:02:03"));
        box->setText(QStringLiteral("half past two"));
        LoseFocus(box, Qt::ActiveWindowFocusReason);
        QVERIFY(g.answers.messages.empty());
        QVERIFY(f.settings.values.isEmpty() && g.settings.values.isEmpty());
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
};

QTEST_MAIN(OptionTabsTest)
#include "test_optiontabs.moc"
