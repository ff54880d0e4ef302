#pragma once

#include "support/modal.h"

#include <QString>
#include <QStringList>

class Koravel3;
class QWidget;

// One agent's afternoon, from the login to the cash-desk report, with a
// picture taken at each stage. Every step is checked, so that a picture is
// never saved of a screen that went wrong.
class Scenario {
public:
    // outDir receives the PNG files; spoolDir is the print queue's spool
    // directory, where the printed talon pages are read back.
    Scenario(Koravel3 &window, const QString &outDir, const QString &spoolDir);

    // True when every step did what it should; otherwise failures() says
    // which did not.
    bool run();
    // On a laptop's screen (1366 × 768): the whole screen, with the window
    // and a selected row of the agent's list.
    bool runOnLaptopScreen();
    const QStringList &failures() const { return failed; }

private:
    bool logIn(bool withPicture = true);
    bool computePremium();
    bool saveAndPrint();
    bool cashDeskReport();

    bool check(bool ok, const QString &what);
    bool checkText(const char *objectName, const QString &expected);
    bool expectBox(const QString &title, const QString &text);
    // The boxes answered since the last call, oldest first.
    QList<testsupport::SeenBox> takeBoxes();
    bool picture(const QString &fileName);
    bool screenPicture(const QString &fileName);
    template <typename T> T *child(const char *objectName);

    Koravel3 &window;
    QString outDir;
    QString spoolDir;
    // Answers the boxes as they come: OK, or No to a question (so that an
    // update offer met by chance is declined); the steps check what each
    // said.
    testsupport::ModalWatcher boxes{QMessageBox::No};
    QStringList printed;
    QStringList failed;
};
