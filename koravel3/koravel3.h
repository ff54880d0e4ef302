#pragma once

#include <QList>
#include <QMainWindow>
#include <QModelIndex>
#include <QProcess>
#include <QSqlDatabase>
#include <QSslError>
#include <QString>

class QComboBox;
class QEvent;
class QNetworkReply;
class QLabel;
class QNetworkAccessManager;
class QPushButton;
class QSqlError;
class QSqlQuery;
class QTableView;
class QTimer;

namespace Ui {
class Koravel3;
}
namespace sql {
class Statement;
}

// Registers the program's pictures; main calls it before the first window.
void initKoravel3Resources();
// Installs the toolkit's French texts (standard buttons, file dialog); main
// calls it once. False when the translation files are not installed.
bool loadQtFrench();

class Koravel3 : public QMainWindow {
    Q_OBJECT

public:
    // The pages of the page stack "login", by index.
    enum Page { LoginPage = 0, HomePage = 1, AccountingPage = 3 };
    Q_ENUM(Page)

    explicit Koravel3(QWidget *parent = nullptr);
    ~Koravel3() override;

    bool connectDatabase();
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    // Shell (koravel3.cpp)
    void on_pushButton_4_clicked();      // "NOUVEAU/CLEAR"
    void on_pushButton_8_clicked();      // "COMPTABILITE": the accounting page
    void on_pushButton_15_clicked();     // "retour" to the home page
    void on_actionprecedent_triggered(); // "precedent"
    void on_pushButton_2_clicked();      // "DECONNECTION"
    void onTimeout();                    // ten minutes without the agent
    // Deliberately without effect.
    void on_pushButton_clicked();     // "PARAMETRE"
    void on_pushButton_3_clicked();   // "VALIDER/IMPRIMER" (saves on press)
    void on_pushButton_11_released(); // "STATISTIQUES CLIENTS"
    void on_CBP_currentIndexChanged(int index);
    void on_CBG_currentTextChanged(const QString &arg1);
    void on_LER_returnPressed();

    // Login (login.cpp)
    void on_pushButton_c_clicked(); // "CONNECTION"
    void on_lineEdit_passw_2_returnPressed();

    // Premium (premium.cpp)
    void on_CBG_textActivated(const QString &arg1);
    void on_CBP_activated(int index);
    void on_CBNM_currentIndexChanged(int index);
    void on_CBNM_activated(int index);
    void on_CBTL_currentTextChanged(const QString &arg1);
    void on_PBC_clicked();          // "CALCULER"
    void on_pushButton_9_clicked(); // "REDUCTION"

    // Issuance and the talon (issuance.cpp)
    void on_pushButton_3_pressed();       // "VALIDER/IMPRIMER": saves, prints the front
    void on_pushButton_3_released();      // the QR code of the policy saved
    void on_pushButton_17_clicked();      // "retourner le Talon et clic ici": the back
    void on_pushButton_18_clicked();      // "PushButton": the "nnn" code
    void on_actionReimprimer_triggered(); // "Réimprimer le talon"

    // Search and lists (listings.cpp)
    void on_LER_textChanged(const QString &arg1);
    void on_pushButton_7_clicked();                        // "RECHERCHE"
    void on_pushButton_5_clicked();                        // "TOTAL ASSURES"
    void on_pushButton_6_clicked();                        // "EXPIRATION"
    void on_pushButton_10_clicked();                       // "EXPIRER"
    void on_tableView_pressed(const QModelIndex &index);   // loads the policy form
    void on_tableView_2_pressed(const QModelIndex &index); // the policy card
    void on_tableView_2_clicked(const QModelIndex &index); // its policy numbers
    void on_comboBox_3_currentIndexChanged(int index);
    void on_toolButton_clicked(); // "...": the stub details again

    // Accounting reports and export (reports.cpp)
    void on_pushButton_11_pressed(); // "STATISTIQUES CLIENTS"
    void on_pushButton_12_pressed(); // "LISTES DES VENTES"
    void on_pushButton_13_pressed(); // "CAISSES"
    void on_dateEdit_userDateChanged(const QDate &date);
    void on_dateEdit_2_userDateChanged(const QDate &date);
    void on_pushButton_14_pressed();  // "Valider": runs the report chosen
    void on_pushButton_14_released(); // its commission
    void on_pushButton_16_clicked();  // "exporter" to CSV

    // Update (update.cpp)
    void checkForUpdates();
    void onNetworkReply(QNetworkReply *reply);
    void downloadUpdate();
    void onDownloadProgress(qint64 bytesReceived, qint64 bytesTotal);
    void onDownloadFinished(QNetworkReply *reply);
    void onSslErrors(QNetworkReply *reply, const QList<QSslError> &errors);
    void startInstaller();
    void onInstallerFinished(int exitCode, QProcess::ExitStatus exitStatus);

private:
    // Shell (koravel3.cpp)
    void returnToLoginPage();
    void showLoginPage();
    void resetPolicyForm();
    void clearPremium();
    void showTodayAsEffectDate();
    // Log-out and time-out: what the next agent at the counter must not see.
    void forgetAgentWork();
    void refreshClock();
    static void clearCombo(QComboBox *combo);
    // The window on the screen (layout.cpp)
    void fitIntoScreen();
    void makeSelectionReadable();

    // Statements and the result display shared by every list (database.cpp).
    // A connection dropped by the server is opened again once; a statement
    // that still fails for want of a connection is reported to the agent.
    // Within a GestureScope, the statements after such a report are skipped.
    class GestureScope;
    bool execute(QSqlQuery &query, const sql::Statement &statement);
    void warnDatabase(const QSqlError &error, bool lost);
    // A list that cannot be shown is emptied and reported, whatever the cause.
    bool showResult(QTableView *view, const sql::Statement &statement);
    bool showInCombo(QComboBox *combo, const sql::Statement &statement);
    void clearResult(QTableView *view);

    // Login (login.cpp)
    // The login of both slots; the Enter key in the password field sends its
    // own statement texts.
    void logIn(bool fromPasswordField);
    // The password as the statements carry it: the typed one, or an empty
    // text with agent accounts, whose passwords only the server checks.
    QString statementPassword() const;
    void showCount(QLabel *label, const sql::Statement &statement);

    // Premium (premium.cpp)
    bool showTariffRow(const sql::Statement &statement);
    void loadCommissionParameters();

    // Issuance (issuance.cpp)
    void showCertificate(const QString &key);
    // False, the agent told why, when LID names a policy of another plate;
    // false too when it is another agent's and the agent does not confirm.
    // The agent is the logged-in agent's id and user name.
    bool renewalMayGoAhead(const QString &key, const QString &plate, const QString &agentId,
                           const QString &agentUser);

    // Listings (listings.cpp)
    void searchPolicies(const char *selectStart);
    void showStubDetails();

    // Reports and export (reports.cpp)
    void chooseReport(QPushButton *button, char marker);
    void refreshReportTitle();
    void clearReport();
    bool showCashTotals(const QString &start, const QString &end, const QString &agent);
    // The CSV file the agent names, or nothing when the dialog is cancelled.
    QString askExportFileName();
    // Closes an export dialog left open, and any question it asks, without
    // writing anything.
    static void closeExportDialog();

    // Update (update.cpp)
    // Downloads the release the agent accepted: its https address and its
    // signed digest, which the bytes must match before they are saved.
    void downloadInstaller(const QString &address, const QString &expectedSha256);
    // A failed download: the diagnostic, the bar hidden, a French box.
    void failDownload(const QString &cause);
    // Starts update.exe if its bytes on disk still have the signed digest.
    void runInstaller(const QString &expectedSha256);

    QSqlDatabase db;
    Ui::Koravel3 *ui;
    QTimer *inactivityTimer;
    // One manager for every login's update check: a manager per check kept
    // its own network thread and objects until the window closed.
    QNetworkAccessManager *updateChecks = nullptr;
    QString downloadUrl;
    // Log-outs and time-outs so far: a slot that resumes after a modal box
    // compares it with the value it started with.
    quint64 sessionsEnded = 0;
    // Set within a GestureScope once the server was reported lost, or once the
    // session ended behind one of its boxes.
    bool actionAbandoned = false;
    int actionDepth = 0;
    // One gesture, two slots: a press on a report row that was abandoned
    // stops the click that follows it (one box, one reconnection attempt).
    bool rowPressAbandoned = false;
    // The months' "erreur" box during which the session ended: the
    // activation that follows it must not write into the reset form.
    bool sessionEndedBehindMonthsBox = false;
    // From the machine's file at each connection: agents log in to the
    // server with their own accounts, and no statement carries a password.
    bool agentAccounts = false;
    // The last connection was refused for its account or password.
    bool accountRefused = false;
    // The address of the host key that the last connection used: the next
    // one starts there, so a node that has died is not waited for at each
    // save, and a connection lost moves on to the address after it.
    int nodeInUse = 0;

    bool openServer(bool passOver);
    // After a statement failed: a new connection when the old one is lost
    // or its node no longer serves, for the statement to be run again.
    bool reconnectAfter(const QSqlError &error);
    // Whether the connection just opened is to a server that takes
    // statements (a cluster node that has left its cluster does not).
    bool nodeServes();
};
