#pragma once

#include <QString>
#include <QStringList>

class QAbstractItemModel;

namespace testsupport {

// The column headers of a model, left to right.
QStringList headers(const QAbstractItemModel *model);

// The display texts of one column, sorted, for results whose row order the
// server chooses.
QStringList sortedColumn(const QAbstractItemModel *model, int column);

// The server drops the blanks that end a statement before it logs it, so
// expected statement texts are compared with the general log without them.
QString asLogged(QString statement);
QStringList asLogged(const QStringList &statements);

} // namespace testsupport
