#include "certificate.h"
#include "core/accounting.h"
#include "core/amount.h"
#include "core/calendar.h"
#include "core/columns.h"
#include "core/policy.h"
#include "core/policycolumns.h"
#include "core/statements.h"
#include "core/validity.h"
#include "database.h"
#include "files.h"
#include "formfields.h"
#include "koravel3.h"
#include "ui_koravel3.h"

#include <QComboBox>
#include <QDate>
#include <QDebug>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// The form's columns by their widgets (core/policycolumns.cpp); the save
// computes the others.
policy::PolicyRecord readPolicyRecord(const QWidget &form, const Ui::Koravel3 &ui,
                                      const QDate &today, const QString &password) {
    policy::PolicyRecord r;
    for (const policy::Column &column : policy::columns())
        if (column.widget)
            r.*column.member =
                formfields::shownText(form.findChild<QWidget *>(QLatin1String(column.widget)));
    r.password = password;
    r.cmois = QString::number(today.month());
    r.cannee = QString::number(today.year());
    r.trie = QStringLiteral("1");
    r.net = ui.LEPN_2->text();
    return r;
}

certificate::FrontTexts frontTextsOfForm(const Ui::Koravel3 &ui) {
    certificate::FrontTexts texts;
    texts.name = ui.LEN->text();
    texts.address = ui.LEA->text();
    texts.genre = ui.CBG->currentText();
    texts.make = ui.LEM->text();
    texts.model = ui.LETP->text();
    texts.registration = ui.LEIM->text();
    texts.policyNumber = ui.LEPO->text();
    texts.start = ui.LEDU->text();
    texts.end = ui.LEAU->text();
    return texts;
}

certificate::FrontTexts frontTextsOfRow(const QSqlQuery &row) {
    certificate::FrontTexts texts;
    texts.name = row.value(column::Name).toString();
    texts.address = row.value(column::Address).toString();
    texts.genre = row.value(column::Genre).toString();
    texts.make = row.value(column::Make).toString();
    texts.model = row.value(column::Model).toString();
    texts.registration = row.value(column::Plate).toString();
    texts.policyNumber = row.value(column::PolicyNumber).toString();
    texts.start = validity::shownDate(row.value(column::Start).toDate());
    texts.end = validity::shownDate(row.value(column::Expiry).toDate());
    return texts;
}

const char *const saveFailed = "L'enregistrement a échoué : rien n'a été enregistré.";
// The connection was lost after the COMMIT left: the server may well have
// committed, and a second save would count the sale twice.
const char *const saveUnconfirmed =
    "Le serveur n'a pas confirmé l'enregistrement : la police a peut-être été enregistrée. "
    "Avant de l'enregistrer à nouveau, vérifiez dans la liste des polices si elle s'y trouve.";

void refuseWrite(QWidget *parent, QSqlDatabase &db, const QString &text) {
    db.rollback();
    QMessageBox::critical(parent, QStringLiteral("erreur..."), text);
}

// The server's reason, after a sentence the agent can read.
void refuseWrite(QWidget *parent, QSqlDatabase &db, const QSqlError &error) {
    refuseWrite(parent, db, sql::withDetail(QString::fromUtf8(saveFailed), error.text()));
}

// Writes the history row, the policy row and the client-register rows as one
// transaction: a cash-desk report must never count a sale whose policy was
// not saved. On success savedKey is the id of the principal row written;
// on failure everything is rolled back and the agent has been told why.
bool writePolicy(QWidget *parent, QSqlDatabase &db, const policy::PolicyRecord &record,
                 const QList<const char *> &packages, const QString &renewedKey,
                 QString &savedKey) {
    if (!db.transaction()) {
        QMessageBox::critical(
            parent, QStringLiteral("erreur..."),
            sql::withDetail(QString::fromUtf8(saveFailed), db.lastError().text()));
        return false;
    }
    QSqlQuery query;
    if (!sql::run(query, statements::historyInsert(record))) {
        refuseWrite(parent, db, query.lastError());
        return false;
    }
    if (renewedKey.isEmpty()) {
        if (!sql::run(query, statements::policyInsert(record))) {
            refuseWrite(parent, db, query.lastError());
            return false;
        }
        savedKey = query.lastInsertId().toString();
    } else {
        if (!sql::run(query, statements::policyRenewal(record, renewedKey))) {
            refuseWrite(parent, db, query.lastError());
            return false;
        }
        // The renewal always increments trie, so a row that exists always
        // counts as changed.
        if (query.numRowsAffected() < 1) {
            refuseWrite(parent, db,
                        QStringLiteral("police introuvable : aucune police n'a l'identifiant %1 "
                                       "(supprimée entre-temps ?). Rien n'a été enregistré.")
                            .arg(renewedKey));
            return false;
        }
        savedKey = renewedKey;
    }

    for (const char *package : packages)
        if (!sql::run(query, statements::clientInsert(record, package))) {
            refuseWrite(parent, db, query.lastError());
            return false;
        }

    if (!db.commit()) {
        const QSqlError error = db.lastError();
        if (sql::connectionLost(error))
            refuseWrite(parent, db,
                        sql::withDetail(QString::fromUtf8(saveUnconfirmed), error.text()));
        else
            refuseWrite(parent, db, error);
        return false;
    }
    return true;
}

} // namespace

void Koravel3::on_pushButton_3_pressed() {
    const QDate today = calendar::today();
    // The connection's TLS box may outlive the session: the next agent
    // must not meet this save's questions.
    const quint64 session = sessionsEnded;
    connectDatabase();
    if (session != sessionsEnded)
        return;
    const policy::PolicyRecord record = readPolicyRecord(*this, *ui, today, statementPassword());
    const QString key = ui->LID->text();

    if (policy::collectedAmountMissing(record.sommencais, key)) {
        QMessageBox::information(this, QStringLiteral("information"),
                                 QStringLiteral("veuillez SVP indiquer la somme encaisser"));
        return;
    }
    const QString refused = policy::refusal(record);
    if (!refused.isEmpty()) {
        QMessageBox::information(this, QStringLiteral("information"), refused);
        return;
    }

    const bool renewal = amount::parse(key) != 0;
    if (renewal && !renewalMayGoAhead(key, record.immat, record.idpersonne, record.users))
        return;
    QString savedKey;
    if (!writePolicy(this, db, record,
                     accounting::packages(ui->checkBox_25->isChecked(),
                                          ui->checkBox_26->isChecked(),
                                          ui->checkBox_27->isChecked()),
                     renewal ? key : QString(), savedKey))
        return;
    // The talon carries what was saved, even if the time-out clears the form
    // while the confirmation waits for the agent.
    const certificate::FrontTexts saved = frontTextsOfForm(*ui);
    // Shown before the confirmation: the release of the button, which makes
    // the certificate of this key, may arrive while the box is open.
    ui->LID->setText(savedKey);
    QMessageBox::critical(this, QStringLiteral("save"),
                          renewal ? QStringLiteral("MIS A JOUR..") : QStringLiteral("ENREGISTRER"));
    certificate::printFront(saved);
}

bool Koravel3::renewalMayGoAhead(const QString &key, const QString &plate, const QString &agentId,
                                 const QString &agentUser) {
    // LID still names the policy saved or loaded last. An agent who typed
    // the next customer over the form without NOUVEAU/CLEAR would otherwise
    // rewrite that customer's policy.
    QSqlQuery row;
    if (!sql::run(row, statements::storedPlate(key))) {
        QMessageBox::critical(this, QStringLiteral("erreur..."),
                              sql::withDetail(QStringLiteral("La police à renouveler n'a pas pu "
                                                             "être lue : rien n'a été enregistré."),
                                              row.lastError().text()));
        return false;
    }
    // A policy deleted meanwhile is refused by the save itself.
    if (!row.next())
        return true;
    if (row.value(0).toString() != plate) {
        QMessageBox::information(
            this, QStringLiteral("information"),
            policy::overwriteRefusal(key, row.value(1).toString(), row.value(0).toString(), plate));
        return false;
    }
    if (row.value(2).toString() == agentId)
        return true;
    // A renewal rewrites the row's agent: a colleague's sale, and its
    // commission, would move without anyone noticing.
    const quint64 session = sessionsEnded;
    QMessageBox question(QMessageBox::Question, QStringLiteral("Police d'un autre agent"),
                         policy::otherAgentQuestion(plate, row.value(3).toString(), agentUser),
                         QMessageBox::Yes | QMessageBox::No, this);
    question.setDefaultButton(QMessageBox::No);
    return question.exec() == QMessageBox::Yes && session == sessionsEnded;
}

void Koravel3::on_pushButton_3_released() {
    // The certificate is that of the policy the form is about, whose id the
    // save has just put into LID. It is deliberately not looked up by the
    // insured's name: two customers may share a name, and the other one's
    // key would end on this certificate and in LID.
    const QString key = ui->LID->text();
    if (amount::parse(key) > 0)
        showCertificate(key);
    else
        ui->label_qr->clear();
}

void Koravel3::on_pushButton_18_clicked() {
    showCertificate(QStringLiteral("nnn"));
}

void Koravel3::on_pushButton_17_clicked() {
    certificate::printBack(ui->label_qr->pixmap());
}

void Koravel3::showCertificate(const QString &key) {
    const QImage modules = certificate::moduleImage(key);
    if (modules.isNull())
        return;
    ui->label_qr->setPixmap(certificate::labelPixmap(modules));
    // The picture is kept for the agency's records; the talon does not need
    // it, so a failure only goes to the log.
    const QString cause = files::writePng(files::certificatePath(key), modules);
    if (!cause.isEmpty())
        qDebug().noquote() << "QR code non enregistré :" << files::certificatePath(key) << cause;
}

void Koravel3::on_actionReimprimer_triggered() {
    const QString key = ui->LID->text();
    if (amount::parse(key) <= 0) {
        QMessageBox::information(
            this, QStringLiteral("information"),
            QStringLiteral("Aucune police n'est chargée dans le formulaire : choisissez-la dans "
                           "une liste ou enregistrez-la avant de réimprimer son talon. Rien n'a "
                           "été imprimé."));
        return;
    }
    // The talon is printed from the stored policy, not from the form, whose
    // dates are those of a new policy and which the agent may have edited.
    QSqlQuery row;
    if (!execute(row, statements::storedPolicy(key))) {
        if (!sql::connectionLost(row.lastError()))
            QMessageBox::warning(this, QStringLiteral("Réimpression impossible"),
                                 sql::withDetail(QStringLiteral("La police n'a pas pu être lue : "
                                                                "rien n'a été imprimé."),
                                                 row.lastError().text()));
        return;
    }
    if (!row.next()) {
        QMessageBox::information(this, QStringLiteral("information"),
                                 QStringLiteral("police introuvable : aucune police n'a "
                                                "l'identifiant %1. Rien n'a été imprimé.")
                                     .arg(key));
        return;
    }
    // The front only, as after a save: the agent turns the sheet over and
    // prints the code shown here with "retourner le Talon et clic ici". A
    // printer that feeds its own sheets would put a back sent now on the
    // front of the next sheet.
    showCertificate(key);
    if (!certificate::printFront(frontTextsOfRow(row)))
        QMessageBox::warning(this, QStringLiteral("Réimpression impossible"),
                             QStringLiteral("Le talon n'a pas pu être imprimé : aucune "
                                            "imprimante n'est disponible."));
}
