#include "support/modal.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>

namespace testsupport {

struct ModalWatcher::Private {
    QMessageBox::StandardButton answer;
    std::function<bool()> busy;
    QList<SeenBox> boxes;
    std::function<void(const SeenBox &)> whileOpen;
    QTimer timer{};
};

ModalWatcher::ModalWatcher(QMessageBox::StandardButton answer)
    : d(new Private) {
    d->answer = answer;
    d->timer.setInterval(10);
    QObject::connect(&d->timer, &QTimer::timeout, [this] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || (d->busy && d->busy()))
            return;
        SeenBox seen;
        seen.shown = true;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.informativeText = box->informativeText();
        seen.icon = box->icon();
        seen.buttons = box->standardButtons();
        d->boxes.append(seen);
        if (d->whileOpen)
            d->whileOpen(seen);
        QAbstractButton *button = box->button(d->answer);
        if (!button && !box->buttons().isEmpty())
            button = box->buttons().constFirst();
        if (button)
            button->click();
        else
            box->reject();
    });
    d->timer.start();
}

ModalWatcher::~ModalWatcher() {
    delete d;
}

const QList<SeenBox> &ModalWatcher::boxes() const {
    return d->boxes;
}

SeenBox ModalWatcher::first() const {
    return d->boxes.isEmpty() ? SeenBox() : d->boxes.constFirst();
}

void ModalWatcher::setAnswer(QMessageBox::StandardButton answer) {
    d->answer = answer;
}

void ModalWatcher::whileOpen(std::function<void(const SeenBox &)> action) {
    d->whileOpen = std::move(action);
}

void ModalWatcher::holdWhile(std::function<bool()> busy) {
    d->busy = std::move(busy);
}

} // namespace testsupport
