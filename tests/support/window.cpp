#include "support/window.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QStandardPaths>
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
