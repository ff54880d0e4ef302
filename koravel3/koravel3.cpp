#include "koravel3.h"
#include "core/calendar.h"
#include "core/tariff.h"
#include "ui_koravel3.h"

#include <QApplication>
#include <QDate>
#include <QDateTime>
#include <QEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLocale>
#include <QPixmap>
#include <QSignalBlocker>
#include <QSqlQueryModel>
#include <QStandardItemModel>
#include <QTimer>

namespace {

constexpr int inactivityInterval = 600000;

} // namespace

void initKoravel3Resources() {
    // The pictures are compiled into a static library, whose resource
    // registration the linker would otherwise drop.
    static const bool registered = [] {
        Q_INIT_RESOURCE(koravel3);
        return true;
    }();
    Q_UNUSED(registered);
}

Koravel3::Koravel3(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::Koravel3)
    , inactivityTimer(nullptr) {
    initKoravel3Resources();
    ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/log/krlogos.png")));

    ui->login->setCurrentIndex(LoginPage);
    ui->progressBar->hide();

    auto *serverLabel = new QLabel(this);
    serverLabel->setObjectName(QStringLiteral("serverLabel"));
    ui->statusbar->addPermanentWidget(serverLabel);
    // With agents' own accounts nobody has logged in yet: a server that
    // refuses the empty account answers all the same.
    if (connectDatabase() || (agentAccounts && accountRefused))
        ui->label_4->setPixmap(QPixmap(QStringLiteral(":/log/QUIRO.png")));
    else
        ui->label_4->setPixmap(QPixmap(QStringLiteral(":/log/popo.png")));

    ui->lineEdit_user_2->setPlaceholderText(QStringLiteral("utilisateur"));
    ui->lineEdit_passw_2->setPlaceholderText(QStringLiteral("mot de passe"));
    ui->lineEdit_user_2->setClearButtonEnabled(true);
    ui->lineEdit_passw_2->setClearButtonEnabled(true);

    setWindowTitle(QStringLiteral("AUTOMOBILES"));

    inactivityTimer = new QTimer(this);
    connect(inactivityTimer, &QTimer::timeout, this, &Koravel3::onTimeout);
    inactivityTimer->start(inactivityInterval);
    installEventFilter(this);
    // An agent typing in the form sends key presses to the focused field, not
    // to the window: watch the whole application so that work in progress
    // keeps the session alive.
    qApp->installEventFilter(this);

    const struct {
        QLineEdit *edit;
        const char *placeholder;
    } policyFields[] = {
        {ui->LEN, "NOM"},         {ui->LEA, "ADRESSE"},
        {ui->LEP, "N TALON"},     {ui->LEPAC, "PERSONNE A CONTACTER"},
        {ui->LETPH, "TELEPHONE"}, {ui->LEM, "MARQUE"},
        {ui->LETP, "TYPE"},       {ui->LEIM, "IMMATRICULATION"},
        {ui->LEPO, "N POLICE"},
    };
    for (const auto &field : policyFields) {
        field.edit->setPlaceholderText(QString::fromUtf8(field.placeholder));
        field.edit->setClearButtonEnabled(true);
    }
    ui->LENDP->setPlaceholderText(QStringLiteral("NOMBRE DE PLACE"));

    showTodayAsEffectDate();

    ui->tableView_2->setAlternatingRowColors(true);
    ui->tableView->setAlternatingRowColors(true);
    makeSelectionReadable();

    // The home page shows the time of day, so it is kept current rather than
    // frozen at the moment the program started.
    refreshClock();
    auto *clock = new QTimer(this);
    connect(clock, &QTimer::timeout, this, &Koravel3::refreshClock);
    clock->start(1000);

    ui->CBE->clear();
    ui->CBE->addItems(
        {QStringLiteral("essence"), QStringLiteral("DIESEL"), QStringLiteral("ELECTRICITE")});

    ui->CBTF->addItems({QString(), QStringLiteral("2"), QStringLiteral("2a4"),
                        QStringLiteral("5a7"), QStringLiteral("8a10"), QStringLiteral("3a6"),
                        QStringLiteral("7a10"), QStringLiteral("11a14"), QStringLiteral("15a23"),
                        QStringLiteral("24+"), QStringLiteral("+17")});

    ui->CBCG->addItem(QString());
    ui->CBCG->addItems(tariff::categoryCaptions());

    ui->CBNM->addItem(QString());

    ui->checkBox_25->setChecked(true);

    fitIntoScreen();
    // Once the window's widgets are in place (the scroll area takes the
    // focus when it is made).
    showLoginPage();
}

Koravel3::~Koravel3() {
    qApp->removeEventFilter(this);
    delete ui;
}

bool Koravel3::eventFilter(QObject *watched, QEvent *event) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::MouseMove || type == QEvent::KeyPress) && watched->isWidgetType() &&
        inactivityTimer)
        inactivityTimer->start();
    return QMainWindow::eventFilter(watched, event);
}

void Koravel3::onTimeout() {
    inactivityTimer->stop();
    inactivityTimer->deleteLater();
    inactivityTimer = new QTimer(this);
    connect(inactivityTimer, &QTimer::timeout, this, &Koravel3::onTimeout);
    inactivityTimer->start(inactivityInterval);
    returnToLoginPage();
}

void Koravel3::on_pushButton_2_clicked() {
    returnToLoginPage();
}

void Koravel3::returnToLoginPage() {
    ++sessionsEnded;
    showLoginPage();
    ui->lineEdit_passw_2->clear();
    resetPolicyForm();
    ui->LESF->clear();
    forgetAgentWork();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
}

void Koravel3::showLoginPage() {
    ui->login->setCurrentIndex(LoginPage);
    // Name, Tab, password, Enter: the agent logs in without the mouse. The
    // name kept from the last session is selected, so that the next agent's
    // name replaces it instead of being typed after it.
    ui->lineEdit_user_2->setFocus();
    ui->lineEdit_user_2->selectAll();
}

void Koravel3::resetPolicyForm() {
    ui->LEN->clear();
    ui->LID->setNum(0);
    for (QLineEdit *edit : {ui->LEP, ui->LEA, ui->LEPAC, ui->LETPH, ui->LEPN, ui->LETX, ui->LEFGA,
                            ui->LEPT, ui->LEM, ui->LETP, ui->LEIM, ui->LEPO, ui->LEAU})
        edit->clear();
    // A time edit cannot be empty, and clear() would only blank the section
    // under the cursor; midnight is its empty state.
    ui->dut->setTime(QTime(0, 0));
    ui->aut->setTime(QTime(0, 0));
    ui->CBG->setCurrentText(QStringLiteral("GENRE"));
    clearPremium();
    ui->LENDP->clear();
    ui->LESE->clear();
    // A window left open overnight must not issue policies that start
    // yesterday.
    showTodayAsEffectDate();
}

void Koravel3::clearPremium() {
    // The period group is what a save writes: left from the previous
    // customer, it would be saved with the next one.
    for (QLineEdit *edit :
         {ui->LEPN_2, ui->LETX_2, ui->LEFGA_2, ui->LEPCA_2, ui->LECP_2, ui->LEPT_2})
        edit->clear();
    clearCombo(ui->CBCG);
    clearCombo(ui->CBTF);
}

void Koravel3::showTodayAsEffectDate() {
    ui->LEDU->setText(calendar::today().toString(QStringLiteral("dd/MM/yyyy")));
}

void Koravel3::forgetAgentWork() {
    // The next agent at this counter must find nothing of the previous
    // one: no customer, no policy card, no report, no list.
    ui->lineEdit->clear();
    ui->lineEdit_3->clear();
    // The next agent's first back-side print must not carry this one's code.
    ui->label_qr->clear();
    ui->label_12->clear();
    clearResult(ui->tableView);
    {
        const QSignalBlocker quiet(ui->LER); // no search for an agent who has left
        ui->LER->clear();
    }
    for (QLabel *count : {ui->label_33, ui->label_34, ui->label_35})
        count->clear();
    clearReport();
    closeExportDialog();
    for (QLineEdit *edit :
         {ui->lineEdit_6, ui->lineEdit_7, ui->lineEdit_8, ui->lineEdit_9, ui->lineEdit_10})
        edit->clear();
    for (QLabel *label : {ui->label_23, ui->label_30, ui->label_40, ui->label_52, ui->label_54,
                          ui->label_41, ui->label_42, ui->label_43, ui->label_44})
        label->clear();
    {
        const QSignalBlocker quiet(ui->comboBox_3); // its change runs a statement
        clearCombo(ui->comboBox_3);
    }
}

void Koravel3::clearCombo(QComboBox *combo) {
    // A combo that shows a query model cannot remove its rows. The model may
    // also belong to a connection that a save or a log-out has since
    // replaced, so it is not touched: the combo takes an empty list model of
    // its own and deletes the query model with it.
    if (qobject_cast<QSqlQueryModel *>(combo->model()))
        combo->setModel(new QStandardItemModel(combo));
    combo->clear();
}

void Koravel3::refreshClock() {
    const QDateTime now = calendar::now();
    const QLocale locale = QLocale::system();
    ui->label_date->setText(locale.toString(now, QStringLiteral("hh:mm:ss")));
    ui->label_heure->setText(locale.toString(now, QStringLiteral("dd MMMM yyyy ")));
}

void Koravel3::on_pushButton_4_clicked() {
    resetPolicyForm();
    ui->LESF->clear();
}

void Koravel3::on_pushButton_8_clicked() {
    ui->label_55->setText(QStringLiteral("0"));
    ui->login->setCurrentIndex(AccountingPage);
    for (QDateEdit *edit : {ui->dateEdit, ui->dateEdit_2}) {
        edit->setDate(calendar::today());
        edit->installEventFilter(this);
        edit->setButtonSymbols(QAbstractSpinBox::NoButtons);
        edit->setCalendarPopup(true);
    }
}

void Koravel3::on_actionprecedent_triggered() {
    if (ui->login->currentIndex() == AccountingPage)
        ui->login->setCurrentIndex(HomePage);
}

void Koravel3::on_pushButton_15_clicked() {
    ui->login->setCurrentIndex(HomePage);
}

// Buttons and signals that deliberately do nothing.
void Koravel3::on_pushButton_3_clicked() {}
void Koravel3::on_pushButton_clicked() {}
void Koravel3::on_CBP_currentIndexChanged(int) {}
void Koravel3::on_CBG_currentTextChanged(const QString &) {}
void Koravel3::on_LER_returnPressed() {}
void Koravel3::on_pushButton_11_released() {}
