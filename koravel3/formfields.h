#pragma once

#include <QString>

class QSqlQuery;
class QWidget;

// The policy form's fields as the columns table names them: what a save
// reads from them, and a pressed row of the list puts back in them.
namespace formfields {

// What a widget shows, as the save writes it.
QString shownText(const QWidget *widget);

// Shows a stored policy on the form: every column marked for the form's
// load, taken by name from the row.
void showPolicy(QWidget &form, const QSqlQuery &row);

} // namespace formfields
