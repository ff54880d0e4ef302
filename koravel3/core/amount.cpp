#include "core/amount.h"

namespace amount {

namespace {

qint32 wrap(qint64 wide) {
    return static_cast<qint32>(static_cast<quint32>(static_cast<quint64>(wide)));
}

} // namespace

qint32 parse(const QString &text) {
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? value : 0;
}

QString format(qint32 value) {
    return QString::number(value);
}

qint32 add(qint32 a, qint32 b) {
    return wrap(qint64(a) + qint64(b));
}

qint32 subtract(qint32 a, qint32 b) {
    return wrap(qint64(a) - qint64(b));
}

qint32 multiply(qint32 a, qint32 b) {
    return wrap(qint64(a) * qint64(b));
}

qint32 divide(qint32 a, qint32 b) {
    if (b == 0)
        return 0;
    return wrap(qint64(a) / qint64(b));
}

qint32 percentOf(qint32 percentage, qint32 value) {
    return wrap(qint64(percentage) * qint64(value) / 100);
}

} // namespace amount
