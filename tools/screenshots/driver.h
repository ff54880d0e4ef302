#pragma once

#include <QString>

#include <functional>

class QAbstractButton;
class QComboBox;
class QLineEdit;
class QTableView;
class QWidget;

// Works the window the way an agent does: clicks, typing, picking from the
// drop-down lists. Each step returns false when the widget did not respond.
namespace driver {

// Lets the event loop run for about the given time.
void settle(int milliseconds);

// Runs the event loop until the condition holds or the time is up.
bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 10000);

// Clicks into the field, empties it and types the text key by key.
bool type(QLineEdit *field, const QString &text);

// A left click in the middle of the button (press, then release).
bool click(QAbstractButton *button);

// Opens the list and clicks the entry with exactly this text.
bool pick(QComboBox *combo, const QString &itemText);

// Clicks the cell of the first row whose text in the column is this one.
bool clickCell(QTableView *view, int column, const QString &text);

// The widget as it is drawn on the screen, saved as a PNG file.
bool save(QWidget *widget, const QString &path);

} // namespace driver
