#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <functional>

namespace testsupport {

// What a modal message box showed before it was answered.
struct SeenBox {
    bool shown = false;
    QString title;
    QString text;
    // The technical detail beneath the text.
    QString informativeText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    // The button that Enter presses.
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// What a file dialog showed before it was answered.
struct SeenDialog {
    bool shown = false;
    QString title;
    // The folder it opened in, as an absolute path.
    QString directory;
    QStringList filters;
    QString selectedFilter;
    // The name its name field held when it opened.
    QString shownName;
    // The name typed into it; empty when it was cancelled.
    QString fileName;
};

// Answers the modal boxes and file dialogs that the code under test opens,
// recording what each showed. Create it before the action and set the
// answers before the action too, as an agent's next click is decided before
// the box appears:
// - a message box gets the next queued answer (setNextAnswer), else the
//   default one (constructor, setAnswer); when the box lacks that button,
//   its first button;
// - a file dialog gets the next queued name (setNextFileName) typed into its
//   name field and accepted; it is cancelled when the name is empty or none
//   is queued.
// Only one watcher should be alive at a time: two would race for each box.
class ModalWatcher {
public:
    explicit ModalWatcher(QMessageBox::StandardButton answer = QMessageBox::Ok);
    ~ModalWatcher();
    ModalWatcher(const ModalWatcher &) = delete;
    ModalWatcher &operator=(const ModalWatcher &) = delete;

    const QList<SeenBox> &boxes() const;
    // The first box, or an empty record when none was shown.
    SeenBox first() const;
    const QList<SeenDialog> &dialogs() const;
    // Forgets the boxes and dialogs seen so far; queued answers stay.
    void clear();

    void setAnswer(QMessageBox::StandardButton answer);
    // The answer of the next box not yet answered; several calls queue
    // answers for the boxes that follow, in order.
    void setNextAnswer(QMessageBox::StandardButton answer);
    // The file name that the next file dialog is answered with (queued like
    // setNextAnswer); an empty name cancels that dialog.
    void setNextFileName(const QString &path);

    // Runs while a box is open, before it is answered: what happens behind
    // a box the agent leaves open.
    void whileOpen(std::function<void(const SeenBox &)> action);
    // While busy() is true, open boxes are left open, so that what arrives
    // meanwhile meets the box still shown.
    void holdWhile(std::function<bool()> busy);
    // Runs just before each box or dialog is answered: the moment the
    // agent's click lands.
    void onAnswer(std::function<void()> action);
    // How often open boxes are looked for, in milliseconds (10 by default).
    // 0 looks on every pass of the event loop, so that a box is answered as
    // soon as its own loop starts: for timing what follows the answer.
    void setInterval(int milliseconds);

private:
    struct Private;
    Private *d;
};

} // namespace testsupport
