#pragma once
#include "certificate.h"
#include <QList>
#include <QPair>
#include <QPoint>
#include <QString>

namespace testsupport {

// The talon's front as an agent checks it on paper: each of the 25 texts
// with the top-left corner of its box, in device units (1/96 inch) from the
// printable area's corner, in printing order.
QList<QPair<QString, QPoint>> frontPlaces(const certificate::FrontTexts &t);

} // namespace testsupport
