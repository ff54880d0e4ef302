#pragma once

#include "core/policy.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class QWidget;

namespace testsupport {

// The policy form as an agent leaves it before pressing VALIDER/IMPRIMER:
// widget object names and the texts they show.
namespace policyform {

using Values = QList<QPair<QString, QString>>;

// An ordinary first issue by agent 12 ("awa", "pw1"). The combo boxes come
// first: choosing the months recomputes the period group, which the line
// edits after them then hold as given.
Values ordinary();

// The values with some texts replaced (or added at the end).
Values with(Values values, const Values &changes);

// The values of the widgets that no change handler rewrites (everything but
// the combo boxes), less the named ones.
Values plainFields(const Values &values, const QStringList &except = {});

// Puts each text into the widget of that name under the window: line edits
// and labels take it as their text, time edits as "HH:mm", check boxes "1"
// or "0", combo boxes as their current text (a list entry is added when a
// non-editable combo box lacks it). Returns the names of the widgets that
// are missing or did not take the text; empty when all did.
QStringList fill(QWidget *window, const Values &values);

// The record that a save of a form holding these values writes, read the
// way an agent reads the form: each widget's text into its column. The time
// edits show start and end; the month and year are today's.
policy::PolicyRecord record(const Values &values, const QString &start, const QString &end);

} // namespace policyform
} // namespace testsupport
