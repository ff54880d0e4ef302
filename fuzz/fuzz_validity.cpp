// Any effect-date text and month count: the expiry is either empty (the
// effect is not a date) or the day before the same date n months later.
#include "core/validity.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1)
        return 0;
    const int months = int(int8_t(data[0]));
    const QString effectText =
        QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const QString expiryText = validity::expiryText(effectText, months);
    const QDate effect = QDate::fromString(effectText, validity::dateFormat);
    if (!effect.isValid()) {
        if (!expiryText.isEmpty())
            __builtin_trap();
        return 0;
    }
    const QDate expiry = QDate::fromString(expiryText, validity::dateFormat);
    if (expiry.isValid()) {
        const QDate next = expiry.addDays(1);
        // The day after the expiry is n months after the effect, its day of
        // the month clamped to the month's length.
        const QDate target = effect.addMonths(months);
        if (next != target)
            __builtin_trap();
    }
    return 0;
}
