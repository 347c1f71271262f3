// The three option tabs: every control stores its value at once and sets the
// option; restored values show on the controls; the time entry is checked.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include "core/options.h"
#include "session/optionstore.h"
#include "windowfixture.h"

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
};

QTEST_MAIN(OptionTabsTest)
#include "test_optiontabs.moc"
