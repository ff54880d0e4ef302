#pragma once

#include <QDate>
#include <QString>

// The period a policy covers: it ends the day before the same date n months
// after its effect date.
namespace validity {

// The text format of every date in the form.
inline const QString dateFormat = QStringLiteral("dd/MM/yyyy");

// effect + months − 1 day; a day of the month that the target month lacks
// becomes that month's last day before the day is taken off. Invalid when
// the effect date is.
QDate expiry(const QDate &effect, int months);

// The same on date texts: empty when the effect text is not a valid
// dd/MM/yyyy date.
QString expiryText(const QString &effect, int months);

// A stored date as the window shows it; empty for an empty or invalid date.
QString shownDate(const QDate &date);

} // namespace validity
