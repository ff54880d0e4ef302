#pragma once

#include "koravel3.h"
#include "support/environment.h"
#include "support/modal.h"
#include "support/policyform.h"
#include "support/window.h"

#include <QDate>
#include <QObject>
#include <QSize>

#include <memory>

namespace testsupport {

// The base of the test classes that drive the program's window: the window
// under test and the agent's common gestures on it, reached by object name.
// It has no test functions of its own; a test class derives from it, with
// its own Q_OBJECT, and opens the window where its tests need it.
class WindowTest : public KitTest {
protected:
    // A new window in place of the one before, connected to the test
    // server, not shown.
    void openWindow();
    // Shows the window (resized first when the size is valid) and waits
    // until it is on the screen.
    void showWindow(const QSize &size = QSize(1400, 900));

    // The widget of that name under the window; a warning names a missing
    // one.
    template <typename T> T *child(const char *name) const {
        return testsupport::child<T>(window.get(), name);
    }
    // The page the page stack shows, and a jump to another, as the
    // buttons that lead there would make it.
    Koravel3::Page page() const;
    void setPage(Koravel3::Page shown);
    // Calls one of the window's slots by name, as the event it stands for
    // would; false (and a warning) when the window has no such slot.
    bool invoke(const char *slot) const;

    // With agents' own accounts the window reaches the server only as an
    // agent: the form's agent (policyform::ordinary()) gets his personnes row
    // and his account, and his name and password stand on the login page as
    // a login leaves them. Nothing with the counter's shared account.
    void useFormAgent();

    // Types the user name and the password on the login page, then presses
    // Enter in the password field or clicks CONNECTION.
    void submitLogin(const QString &user, const QString &password, bool viaEnter = false);
    // Puts the texts into the form's widgets (policyform::fill); a widget
    // that is missing or did not take its text fails the test, by name.
    void fillForm(const policyform::Values &values);
    // A real click on the button; the message boxes it opened, each closed
    // with the answer (or the box's first button when it lacks that one).
    QList<SeenBox> clickAnswered(const char *button,
                                 QMessageBox::StandardButton answer = QMessageBox::Ok);
    // On the accounting page: the period, the report's button, then VALIDER.
    void runReport(const char *button, const QDate &start, const QDate &end);

    std::unique_ptr<Koravel3> window;
};

} // namespace testsupport
