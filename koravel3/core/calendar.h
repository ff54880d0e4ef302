#pragma once

#include <QDate>
#include <QDateTime>

// The program's clock: the day a policy takes effect on the form and the
// reports' period start from, and the time the window shows. One place, so
// that the tests replace it (they link their own definition) instead of
// racing the real one at midnight.
namespace calendar {

QDateTime now();
QDate today();

} // namespace calendar
