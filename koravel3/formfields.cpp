#include "formfields.h"

#include "core/policycolumns.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDebug>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSqlQuery>
#include <QVariant>

namespace formfields {

QString shownText(const QWidget *widget) {
    if (const auto *edit = qobject_cast<const QLineEdit *>(widget))
        return edit->text();
    if (const auto *label = qobject_cast<const QLabel *>(widget))
        return label->text();
    if (const auto *combo = qobject_cast<const QComboBox *>(widget))
        return combo->currentText();
    if (const auto *spin = qobject_cast<const QAbstractSpinBox *>(widget))
        return spin->text();
    qWarning() << "the policy form has no readable widget" << widget;
    return QString();
}

void showPolicy(QWidget &form, const QSqlQuery &row) {
    for (const policy::Column &column : policy::columns()) {
        if (!(column.written & policy::Loaded))
            continue;
        QWidget *widget = form.findChild<QWidget *>(QLatin1String(column.widget));
        const QString value = row.value(QLatin1String(column.name)).toString();
        if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
            edit->setText(value);
        } else if (auto *combo = qobject_cast<QComboBox *>(widget)) {
            // The stored choice is shown, not made: the months' handler
            // would price a policy whose premium the load clears.
            const QSignalBlocker quiet(combo);
            combo->setCurrentText(value);
        } else {
            qWarning() << "the policy form cannot show" << column.name << "in" << widget;
        }
    }
}

} // namespace formfields
