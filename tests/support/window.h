#pragma once

#include <QDebug>
#include <QObject>
#include <QString>
#include <QStringList>

class QAbstractItemView;
class QComboBox;

namespace testsupport {

// The widget of that object name under the window; a warning names the
// missing one, so a misspelt name shows in the test's output.
template <typename T> T *child(const QObject *window, const char *name) {
    T *found = window->findChild<T *>(QLatin1String(name));
    if (!found)
        qWarning() << "no child" << name;
    return found;
}

// A real mouse press (and release, when click is true) on the centre of a
// cell, as an agent picks a row of a list.
void pressCell(QAbstractItemView *view, int row, int column, bool click = false);

// Chooses the row of a combo box the way the agent does: opens its list and
// clicks the item; true when the combo box then shows it.
bool pickInList(QComboBox *combo, int row);

// The texts of a combo box's items, in list order.
QStringList itemTexts(const QComboBox *combo);

// Where the program keeps the picture of a certificate key: the folder
// "qrcodes" of its per-user data folder.
QString certificateFile(const QString &key);

} // namespace testsupport
