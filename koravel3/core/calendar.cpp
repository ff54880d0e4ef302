#include "core/calendar.h"

namespace calendar {

QDateTime now() {
    return QDateTime::currentDateTime();
}

QDate today() {
    return QDate::currentDate();
}

} // namespace calendar
