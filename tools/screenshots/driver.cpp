#include "driver.h"

#include "support/window.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPixmap>
#include <QStyleHints>
#include <QTableView>
#include <QTest>
#include <QThread>

namespace driver {

void settle(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    do {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    } while (clock.elapsed() < milliseconds);
}

bool waitUntil(const std::function<bool()> &condition, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

bool type(QLineEdit *field, const QString &text) {
    if (!field || !field->isVisible() || !field->isEnabled())
        return false;
    QTest::mouseClick(field, Qt::LeftButton);
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
    settle(50);
    return field->text() == text;
}

bool click(QAbstractButton *button) {
    if (!button || !button->isVisible() || !button->isEnabled())
        return false;
    QTest::mouseClick(button, Qt::LeftButton);
    settle(100);
    return true;
}

bool pick(QComboBox *combo, const QString &itemText) {
    if (!combo || !combo->isVisible())
        return false;
    const int row = combo->findText(itemText, Qt::MatchExactly);
    if (row < 0)
        return false;
    if (!testsupport::pickInList(combo, row))
        return false;
    settle(100);
    return true;
}

bool clickCell(QTableView *view, int column, const QString &text) {
    QAbstractItemModel *model = view ? view->model() : nullptr;
    if (!model)
        return false;
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex index = model->index(row, column);
        if (index.data(Qt::DisplayRole).toString() != text)
            continue;
        view->scrollTo(index);
        settle(50);
        const QRect cell = view->visualRect(index) & view->viewport()->rect();
        if (cell.isEmpty())
            return false;
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        settle(200);
        return true;
    }
    return false;
}

bool save(QWidget *widget, const QString &path) {
    settle(300);
    return widget->grab().save(path, "PNG");
}

} // namespace driver
