#pragma once

#include <QDateTime>

namespace testsupport {

// Sets the program's clock (calendar::now() and today()) to a fixed moment,
// or back to the real one with an invalid value. Programs built on the kit
// only (support/calendar.cpp replaces the program's clock).
void setNow(const QDateTime &moment);

} // namespace testsupport
