#include "core/validity.h"

namespace validity {

QDate expiry(const QDate &effect, int months) {
    // QDate::addMonths clamps the day to the end of a shorter month.
    return effect.addMonths(months).addDays(-1);
}

QString expiryText(const QString &effect, int months) {
    const QDate end = expiry(QDate::fromString(effect, dateFormat), months);
    return end.isValid() ? end.toString(dateFormat) : QString();
}

QString shownDate(const QDate &date) {
    return date.isValid() ? date.toString(dateFormat) : QString();
}

} // namespace validity
