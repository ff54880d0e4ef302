#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <functional>

namespace testsupport {

// What a modal message box showed before the test closed it.
struct SeenBox {
    bool shown = false;
    QString title;
    QString text;
    // The technical detail beneath the text.
    QString informativeText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

// Watches for the modal message boxes that the code under test opens and
// answers each with the given button (the box's only button when it is not
// there), recording what it showed. Create it before the action.
class ModalWatcher {
public:
    explicit ModalWatcher(QMessageBox::StandardButton answer = QMessageBox::Ok);
    ~ModalWatcher();
    ModalWatcher(const ModalWatcher &) = delete;
    ModalWatcher &operator=(const ModalWatcher &) = delete;

    const QList<SeenBox> &boxes() const;
    // The first box, or an empty record when none was shown.
    SeenBox first() const;
    void setAnswer(QMessageBox::StandardButton answer);
    // Runs while a box is open, before it is answered: what happens behind
    // a box the agent leaves open.
    void whileOpen(std::function<void(const SeenBox &)> action);
    // While busy() is true, open boxes are left open, so that what arrives
    // meanwhile meets the box still shown.
    void holdWhile(std::function<bool()> busy);

private:
    struct Private;
    Private *d;
};

} // namespace testsupport
