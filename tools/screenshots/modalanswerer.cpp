#include "modalanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

ModalAnswerer::ModalAnswerer() {
    timer.setInterval(50);
    QObject::connect(&timer, &QTimer::timeout, [this] { answer(); });
    timer.start();
}

QList<ModalAnswerer::Box> ModalAnswerer::take() {
    QList<Box> taken;
    taken.swap(boxes);
    return taken;
}

void ModalAnswerer::answer() {
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
        return;
    boxes.append({box->windowTitle(), box->text()});
    QAbstractButton *button = box->button(QMessageBox::No);
    if (!button)
        button = box->button(QMessageBox::Ok);
    if (!button && !box->buttons().isEmpty())
        button = box->buttons().constFirst();
    if (button)
        button->click();
    else
        box->reject();
}
