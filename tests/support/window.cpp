#include "support/window.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QStyleHints>
#include <QTest>

namespace testsupport {

void pressCell(QAbstractItemView *view, int row, int column, bool click) {
    const QModelIndex index = view->model()->index(row, column);
    view->scrollTo(index);
    const QPoint centre = view->visualRect(index).center();
    if (click)
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
    else
        QTest::mousePress(view->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
}

bool pickInList(QComboBox *combo, int row) {
    combo->showPopup();
    QAbstractItemView *list = combo->view();
    if (!QTest::qWaitFor([list] { return list->isVisible(); }))
        return false;
    const QModelIndex index =
        list->model()->index(row, combo->modelColumn(), combo->rootModelIndex());
    list->scrollTo(index);
    // A click that follows the opening click too closely counts as a double
    // click.
    QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 10);
    // The list may be narrower than its items: click the visible part.
    const QRect visible = list->visualRect(index) & list->viewport()->rect();
    if (visible.isEmpty())
        return false;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, visible.center());
    return QTest::qWaitFor([list] { return !list->isVisible(); }) && combo->currentIndex() == row;
}

QStringList itemTexts(const QComboBox *combo) {
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

QString certificateFile(const QString &key) {
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
           QStringLiteral("/qrcodes/") + key;
}

} // namespace testsupport
