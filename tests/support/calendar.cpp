#include "support/calendar.h"

#include "core/calendar.h"

// A source of every test program but the Windows one, linked before the
// program's libraries so that the core's clock is never pulled in: the
// program reads the moment a test set, or the real time.
namespace {
QDateTime fixed;
} // namespace

namespace testsupport {
void setNow(const QDateTime &moment) {
    fixed = moment;
}
} // namespace testsupport

namespace calendar {

QDateTime now() {
    return fixed.isValid() ? fixed : QDateTime::currentDateTime();
}

QDate today() {
    return now().date();
}

} // namespace calendar
