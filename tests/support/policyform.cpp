#include "support/policyform.h"
#include "support/environment.h"

#include "core/calendar.h"
#include "core/policycolumns.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QTimeEdit>
#include <QWidget>

namespace testsupport::policyform {

Values ordinary() {
    return {
        {"CBG", "V.P"},
        {"CBE", "DIESEL"},
        {"CBP", "9"},
        {"CBCG", QStringLiteral("CATEGORIE 1 : Véhicules à carrosserie de tourisme")},
        {"CBTF", "7a10"},
        {"CBNM", "12"},
        {"LID", "0"},
        {"label_5", "12"},
        {"lineEdit_user_2", "awa"},
        {"lineEdit_passw_2", "pw1"},
        {"LEN", "Fatou SOW"},
        {"LEA", "Dakar Plateau"},
        {"LEPAC", "Moussa SOW"},
        {"LETPH", "771234567"},
        {"LECP_2", "3000"},
        {"LEPN_2", "4469"},
        {"LEPT_2", "53628"},
        {"LETX_2", "5487"},
        {"LEFGA_2", "1300"},
        {"LEPCA_2", "395"},
        {"LESF", "63415"},
        {"LEM", "TOYOTA"},
        {"LETP", "COROLLA"},
        {"LEIM", "DK-1234-AB"},
        {"LEPO", "POL-778"},
        {"LEP", "T-5521"},
        {"LEDU", "01/02/2025"},
        {"LEAU", "31/01/2026"},
        {"dut", "08:00"},
        {"aut", "23:59"},
        {"LENDP", "5"},
        {"LESE", "63415"},
        {"lineEdit", "Rue 10 Dakar"},
        {"checkBox_25", "1"},
        {"checkBox_26", "0"},
        {"checkBox_27", "0"},
    };
}

Values with(Values values, const Values &changes) {
    for (const auto &change : changes) {
        bool replaced = false;
        for (auto &value : values)
            if (value.first == change.first) {
                value.second = change.second;
                replaced = true;
            }
        if (!replaced)
            values.append(change);
    }
    return values;
}

Values plainFields(const Values &values, const QStringList &except) {
    Values out;
    for (const auto &value : values)
        if (!value.first.startsWith(QLatin1String("CB")) && !except.contains(value.first))
            out.append(value);
    return out;
}

QStringList fill(QWidget *window, const Values &values) {
    QStringList failed;
    for (const auto &[name, text] : values) {
        QObject *widget = window->findChild<QObject *>(name);
        if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
            edit->setText(text);
            if (edit->text() != text)
                failed << name;
        } else if (auto *label = qobject_cast<QLabel *>(widget)) {
            label->setText(text);
        } else if (auto *time = qobject_cast<QTimeEdit *>(widget)) {
            time->setTime(QTime::fromString(text, QStringLiteral("HH:mm")));
            if (!time->time().isValid())
                failed << name;
        } else if (auto *combo = qobject_cast<QComboBox *>(widget)) {
            // After NOUVEAU/CLEAR the category list is empty until a genre
            // is chosen again.
            if (!combo->isEditable() && combo->findText(text) < 0)
                combo->addItem(text);
            combo->setCurrentText(text);
            if (combo->currentText() != text)
                failed << name;
        } else if (auto *box = qobject_cast<QCheckBox *>(widget)) {
            box->setChecked(text == QLatin1String("1"));
        } else {
            failed << name;
        }
    }
    return failed;
}

policy::PolicyRecord record(const Values &values, const QString &start, const QString &end) {
    policy::PolicyRecord r;
    for (const auto &[name, text] : values) {
        for (const policy::Column &column : policy::columns())
            if (column.widget && name == QLatin1String(column.widget))
                r.*column.member = text;
        // Read by the save but not a column; the typed password, as the
        // counter's account writes it.
        if (name == QLatin1String("LEPN_2"))
            r.net = text;
        else if (name == QLatin1String("lineEdit_passw_2"))
            r.password = text;
    }
    // With agents' own accounts the server checks the password and the
    // program writes none.
    if (agentAccounts())
        r.password.clear();
    r.valableau = start;
    r.valablea = end;
    r.cmois = QString::number(calendar::today().month());
    r.cannee = QString::number(calendar::today().year());
    r.trie = QStringLiteral("1");
    return r;
}

} // namespace testsupport::policyform
