#pragma once

#include <QString>
#include <QtGlobal>

// Amounts are whole currency units held as 32-bit signed integers in the
// texts of line edits. Every slot reads, computes and writes them through
// these functions.
namespace amount {

// Base-10 value of the text; 0 when the text is not an integer or does not
// fit in 32 bits.
qint32 parse(const QString &text);

// Plain base-10 digits, a minus sign for negatives, no grouping.
QString format(qint32 value);

// 32-bit arithmetic. The operation is carried out in 64 bits and a result
// outside the 32-bit range wraps around modulo 2^32, as 32-bit two's
// complement arithmetic does; it is never undefined behaviour.
qint32 add(qint32 a, qint32 b);
qint32 subtract(qint32 a, qint32 b);
qint32 multiply(qint32 a, qint32 b);
// Truncates toward zero; a division by zero gives 0.
qint32 divide(qint32 a, qint32 b);
// percentage × value / 100, truncated toward zero. The product is kept in
// 64 bits through the division, so only a result that itself leaves the
// 32-bit range wraps.
qint32 percentOf(qint32 percentage, qint32 value);

} // namespace amount
