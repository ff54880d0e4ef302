#include "support/windowtest.h"
#include "support/dbfixture.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>

namespace testsupport {

void WindowTest::openWindow() {
    window.reset();
    QTest::ignoreMessage(QtDebugMsg, "connecter.....");
    window = std::make_unique<Koravel3>();
}

void WindowTest::showWindow(const QSize &size) {
    if (size.isValid())
        window->resize(size);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

Koravel3::Page WindowTest::page() const {
    return Koravel3::Page(child<QStackedWidget>("login")->currentIndex());
}

void WindowTest::setPage(Koravel3::Page shown) {
    child<QStackedWidget>("login")->setCurrentIndex(shown);
}

bool WindowTest::invoke(const char *slot) const {
    const bool called = QMetaObject::invokeMethod(window.get(), slot);
    if (!called)
        qWarning() << "no slot" << slot;
    return called;
}

void WindowTest::useFormAgent() {
    if (!agentAccounts())
        return;
    const policyform::Values form = policyform::ordinary();
    const auto value = [&](const char *name) {
        for (const auto &[widget, text] : form)
            if (widget == QLatin1String(name))
                return text;
        return QString();
    };
    // The kit's agent, under the form's agent id.
    const int made = db::addAgent(value("lineEdit_user_2"), value("lineEdit_passw_2"),
                                  QStringLiteral("Agent du formulaire"));
    QVERIFY(made > 0);
    QVERIFY(db::exec(QStringLiteral("UPDATE personnes SET id = %1 WHERE id = %2")
                         .arg(value("label_5"))
                         .arg(made)));
    child<QLineEdit>("lineEdit_user_2")->setText(value("lineEdit_user_2"));
    child<QLineEdit>("lineEdit_passw_2")->setText(value("lineEdit_passw_2"));
    // Open, as the login leaves the connection.
    QTest::ignoreMessage(QtDebugMsg, "connecter.....");
    QVERIFY(window->connectDatabase());
}

void WindowTest::submitLogin(const QString &user, const QString &password, bool viaEnter) {
    child<QLineEdit>("lineEdit_user_2")->setText(user);
    child<QLineEdit>("lineEdit_passw_2")->setText(password);
    if (viaEnter)
        QTest::keyClick(child<QLineEdit>("lineEdit_passw_2"), Qt::Key_Return);
    else
        QTest::mouseClick(child<QPushButton>("pushButton_c"), Qt::LeftButton);
}

void WindowTest::fillForm(const policyform::Values &values) {
    QCOMPARE(policyform::fill(window.get(), values), QStringList());
}

QList<SeenBox> WindowTest::clickAnswered(const char *button, QMessageBox::StandardButton answer) {
    ModalWatcher watcher(answer);
    QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    return watcher.boxes();
}

void WindowTest::runReport(const char *button, const QDate &start, const QDate &end) {
    child<QDateEdit>("dateEdit")->setDate(start);
    child<QDateEdit>("dateEdit_2")->setDate(end);
    QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>("pushButton_14"), Qt::LeftButton);
}

} // namespace testsupport
