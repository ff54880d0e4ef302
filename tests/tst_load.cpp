// Sixteen agents at sixteen counters, each its own program (tests/load),
// log in and issue a hundred policies each through the window's save at the
// same moment. Afterwards the database holds every policy once, with its
// history row and its client-register rows, and each agent's counters are
// right. Against the real MariaDB server; no printer is reachable, so the
// 1 600 talon pages go nowhere.
#include "koravel3.h"
#include "support/connectwarnings.h"
#include "support/dbfixture.h"
#include "support/loadrun.h"
#include "support/modal.h"
#include "support/windowtest.h"

#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>

namespace db = testsupport::db;

namespace load = testsupport::load;
using load::agents;
using load::password;
using load::policiesEach;
using load::user;

class LoadTest : public testsupport::WindowTest {
    Q_OBJECT

private slots:
    void initTestCase();
    void sixteenAgentsAtOnce();
};

void LoadTest::initTestCase() {
    testsupport::failOnConnectWarnings();
    QVERIFY2(db::admin().isOpen(), "the test database server must be running");
    QVERIFY(QFile::exists(QStringLiteral(KORAVEL_LOAD_DRIVER)));
}

void LoadTest::sixteenAgentsAtOnce() {
    QStringList ids;
    load::sixteenAgentsAtOnce(
        QStringLiteral(KORAVEL_LOAD_DRIVER), [](int) { return QString(); }, ids);
    if (QTest::currentTestFailed())
        return;

    // Each agent's counters, right after: all, expiring within three days
    // (one in ten expires tomorrow), expired (one in ten, five days ago).
    testsupport::ModalWatcher offers(QMessageBox::No);
    openWindow();
    for (int a = 0; a < agents; ++a) {
        QTest::ignoreMessage(QtDebugMsg, "connecter.....");
        submitLogin(user(a + 1), password(a + 1));
        QCOMPARE(page(), Koravel3::HomePage);
        QCOMPARE(child<QLabel>("label_5")->text(), ids[a]);
        QCOMPARE(child<QLabel>("label_34")->text(), QString::number(policiesEach));
        QCOMPARE(child<QLabel>("label_33")->text(), QString::number(policiesEach / 10));
        QCOMPARE(child<QLabel>("label_35")->text(), QString::number(policiesEach / 10));
        QCOMPARE(child<QTableView>("tableView")->model()->rowCount(), policiesEach / 10);
        QTest::mouseClick(child<QPushButton>("pushButton_2"), Qt::LeftButton);
        QCOMPARE(page(), Koravel3::LoginPage);
    }
    window.reset();
}

QTEST_MAIN(LoadTest)
#include "tst_load.moc"
