#pragma once

#include <QString>

class QAbstractItemModel;

// A table as a spreadsheet reads it: a header line, then one line per row,
// every field in double quotes, fields separated by ";", a line feed after
// every line. Texts are the model's display texts.
namespace csv {

// The value between double quotes; a double quote inside it is doubled so
// that a spreadsheet reads the value back whole. A value that a spreadsheet
// would run as a formula (it starts with a tab or a carriage return, or its
// first non-blank character is "=", "+", "@", or a "-" that does not begin
// a number making the whole value) gets a leading apostrophe, so that it
// shows as text; numbers such as "-15" and dates are left as they are.
QString field(const QString &value);

// The whole document. A lazy model is fetched to its end first, so every row
// is written. No model, or a model without columns, gives one empty line.
QString text(QAbstractItemModel *model);

} // namespace csv
