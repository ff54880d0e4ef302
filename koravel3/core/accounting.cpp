#include "core/accounting.h"

#include "core/amount.h"
#include "core/policy.h"

#include <QLocale>

namespace accounting {

qint32 invoiceTotal(qint32 premium, qint32 tax, qint32 fga, qint32 policyCost) {
    // Sums beyond 32 bits wrap around modulo 2^32 (see amount.h).
    return amount::add(amount::add(amount::add(premium, tax), fga), policyCost);
}

qint32 commission(qint32 netPremium, qint32 pca, qint32 fees) {
    return amount::add(amount::add(amount::divide(netPremium, 10), pca), fees);
}

qint32 payBack(qint32 total, qint32 commission) {
    return amount::subtract(total, commission);
}

QString totalText(const QVariant &value) {
    if (value.isNull())
        return QString();
    if (value.typeId() == QMetaType::Double)
        return QString::number(value.toDouble(), 'f', QLocale::FloatingPointShortest);
    return value.toString();
}

QList<const char *> packages(bool simple, bool complet, bool premium) {
    QList<const char *> chosen;
    if (simple)
        chosen << policy::tiersSimple;
    else if (complet)
        chosen << policy::tiersComplet;
    if (premium)
        chosen << policy::tiersPremium;
    return chosen;
}

} // namespace accounting
