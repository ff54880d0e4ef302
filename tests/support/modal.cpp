#include "support/modal.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace testsupport {

struct ModalWatcher::Private {
    QMessageBox::StandardButton answer = QMessageBox::Ok;
    QList<QMessageBox::StandardButton> nextAnswers;
    QStringList nextFileNames;
    std::function<bool()> busy;
    std::function<void(const SeenBox &)> whileOpen;
    std::function<void()> onAnswer;
    QList<SeenBox> boxes;
    QList<SeenDialog> dialogs;
    // The dialog whose accept is on its way, not to be answered twice.
    QPointer<QFileDialog> accepting;
    QTimer timer{};

    void poll();
    void answerBox(QMessageBox *box);
    void answerDialog(QFileDialog *dialog);
};

void ModalWatcher::Private::poll() {
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || (busy && busy()))
        return;
    if (auto *box = qobject_cast<QMessageBox *>(modal))
        answerBox(box);
    else if (auto *dialog = qobject_cast<QFileDialog *>(modal); dialog && dialog != accepting)
        answerDialog(dialog);
}

void ModalWatcher::Private::answerBox(QMessageBox *box) {
    SeenBox seen;
    seen.shown = true;
    seen.title = box->windowTitle();
    seen.text = box->text();
    seen.informativeText = box->informativeText();
    seen.icon = box->icon();
    seen.buttons = box->standardButtons();
    seen.defaultButton = box->standardButton(box->defaultButton());
    boxes.append(seen);
    const QMessageBox::StandardButton wanted =
        nextAnswers.isEmpty() ? answer : nextAnswers.takeFirst();
    QPointer<QMessageBox> open(box);
    if (whileOpen)
        whileOpen(seen);
    // What ran meanwhile may have closed the box already.
    if (!open || !open->isVisible())
        return;
    QAbstractButton *button = box->button(wanted);
    if (!button && !box->buttons().isEmpty())
        button = box->buttons().constFirst();
    if (onAnswer)
        onAnswer();
    if (button)
        button->click();
    else
        box->reject();
}

void ModalWatcher::Private::answerDialog(QFileDialog *dialog) {
    SeenDialog seen;
    seen.shown = true;
    seen.title = dialog->windowTitle();
    seen.directory = dialog->directory().absolutePath();
    seen.filters = dialog->nameFilters();
    seen.selectedFilter = dialog->selectedNameFilter();
    if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
        seen.shownName = name->text();
    seen.fileName = nextFileNames.isEmpty() ? QString() : nextFileNames.takeFirst();
    dialogs.append(seen);
    if (seen.fileName.isEmpty()) {
        if (onAnswer)
            onAnswer();
        dialog->reject();
        return;
    }
    if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
        name->setText(seen.fileName);
    else
        dialog->selectFile(seen.fileName);
    // Accepted from the event loop rather than from this timer's slot: the
    // dialog may ask in a box of its own whether to replace an existing file,
    // and the timer does not fire again while its slot runs.
    accepting = dialog;
    QPointer<QFileDialog> target(dialog);
    QMetaObject::invokeMethod(
        &timer,
        [this, target] {
            if (!target)
                return;
            if (onAnswer)
                onAnswer();
            // Through QDialog: QFileDialog keeps its override protected.
            static_cast<QDialog *>(target.data())->accept();
            // A dialog that refused the name stays open; it is answered
            // again, with the next name or a cancel.
            accepting = nullptr;
        },
        Qt::QueuedConnection);
}

ModalWatcher::ModalWatcher(QMessageBox::StandardButton answer)
    : d(new Private) {
    d->answer = answer;
    d->timer.setInterval(10);
    QObject::connect(&d->timer, &QTimer::timeout, [this] { d->poll(); });
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

const QList<SeenDialog> &ModalWatcher::dialogs() const {
    return d->dialogs;
}

void ModalWatcher::clear() {
    d->boxes.clear();
    d->dialogs.clear();
}

void ModalWatcher::setAnswer(QMessageBox::StandardButton answer) {
    d->answer = answer;
}

void ModalWatcher::setNextAnswer(QMessageBox::StandardButton answer) {
    d->nextAnswers.append(answer);
}

void ModalWatcher::setNextFileName(const QString &path) {
    d->nextFileNames.append(path);
}

void ModalWatcher::whileOpen(std::function<void(const SeenBox &)> action) {
    d->whileOpen = std::move(action);
}

void ModalWatcher::holdWhile(std::function<bool()> busy) {
    d->busy = std::move(busy);
}

void ModalWatcher::onAnswer(std::function<void()> action) {
    d->onAnswer = std::move(action);
}

void ModalWatcher::setInterval(int milliseconds) {
    d->timer.setInterval(milliseconds);
}

} // namespace testsupport
