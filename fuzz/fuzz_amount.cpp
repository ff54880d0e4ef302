// Any text an agent can type into an amount field.
#include "core/amount.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const qint32 value = amount::parse(text);
    if (value != 0 && amount::parse(amount::format(value)) != value)
        __builtin_trap();
    // Every operation stays defined whatever the operands.
    const qint32 other = amount::parse(text.left(text.size() / 2));
    amount::add(value, other);
    amount::subtract(value, other);
    amount::multiply(value, other);
    amount::divide(value, other);
    amount::divide(value, 100);
    return 0;
}
