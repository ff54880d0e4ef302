#include "core/accounting.h"
#include "core/amount.h"
#include "core/statements.h"
#include "core/tariff.h"
#include "core/validity.h"
#include "database.h"
#include "koravel3.h"
#include "ui_koravel3.h"

#include <QBrush>
#include <QColor>
#include <QMessageBox>
#include <QSqlError>
#include <QSqlQuery>

#include <utility>

namespace {

// The stub kind colours the category display so that the agent loads the
// matching sheet.
const struct {
    const char *kind;
    const char *styleSheet;
    Qt::GlobalColor items[8];
} talonColours[] = {
    {"1 TALON JAUNE",
     "background:#ffff00",
     {Qt::yellow, Qt::yellow, Qt::yellow, Qt::yellow, Qt::black, Qt::yellow, Qt::black, Qt::black}},
    {"2 TALON VERT  TPV",
     "background:#aaff00",
     {Qt::white, Qt::black, Qt::black, Qt::black, Qt::green, Qt::black, Qt::green, Qt::green}},
};

} // namespace

void Koravel3::on_CBG_textActivated(const QString &) {
    const int category = tariff::categoryOfGenre(ui->CBG->currentText());
    if (!category)
        return;
    ui->CBTF->setEnabled(tariff::picksSubType(category));
    ui->CBCG->clear();
    ui->CBCG->addItem(tariff::categoryCaption(category));
    // A failing statement leaves an empty model, hence an empty list.
    showInCombo(ui->CBTF, statements::bracketLabels(category));
}

void Koravel3::on_CBNM_activated(int index) {
    if (std::exchange(sessionEndedBehindMonthsBox, false))
        return;
    const int months = amount::parse(ui->CBNM->currentText());
    ui->LEAU->setText(validity::expiryText(ui->LEDU->text(), months));
    // Choosing the months already shown changes no index, so the period
    // would not be recomputed: a period computed before the net premium was
    // known would stay, and be saved.
    if (tariff::categoryOfCaption(ui->CBCG->currentText()))
        on_CBNM_currentIndexChanged(index);
}

void Koravel3::on_CBTL_currentTextChanged(const QString &) {
    const QString kind = ui->CBTL->currentText();
    for (const auto &colours : talonColours) {
        if (kind != QLatin1String(colours.kind))
            continue;
        ui->CBCG->setStyleSheet(QLatin1String(colours.styleSheet));
        // Items beyond the combo's count are skipped by setItemData.
        for (int item = 0; item < 8; ++item)
            ui->CBCG->setItemData(item, QBrush(colours.items[item]), Qt::BackgroundRole);
        return;
    }
}

void Koravel3::on_CBP_activated(int) {
    const GestureScope action(*this);
    const int category = tariff::categoryOfCaption(ui->CBCG->currentText());
    if (const tariff::Bracket *bracket =
            tariff::bracketForPower(category, ui->CBP->currentText())) {
        ui->LEPN_2->setText(amount::format(bracket->base.net));
        ui->LETX_2->setText(amount::format(bracket->base.tax));
        ui->LEFGA_2->setText(amount::format(bracket->base.fga));
        ui->LEPCA_2->setText(amount::format(bracket->base.pca));
        ui->LECP_2->setText(amount::format(tariff::policyCost));
        // Without a connection the agent has been told once; the other
        // statements would only repeat it.
        if (!showInCombo(ui->CBTF, statements::bracketLabel(*bracket)) && !db.isOpen())
            return;
        if (!showTariffRow(statements::tariffRow(*bracket)) && !db.isOpen())
            return;
    }
    loadCommissionParameters();
}

void Koravel3::on_CBNM_currentIndexChanged(int) {
    const qint32 months = amount::parse(ui->CBNM->currentText());
    const qint32 net = amount::parse(ui->LEPN_2->text());
    if (tariff::categoryOfCaption(ui->CBCG->currentText())) {
        // A product beyond 32 bits wraps around modulo 2^32 (see amount.h).
        ui->LEPT_2->setText(amount::format(amount::multiply(net, months)));
    } else {
        const quint64 session = sessionsEnded;
        QMessageBox::critical(this, QStringLiteral("erreur"), QString());
        if (session != sessionsEnded) {
            sessionEndedBehindMonthsBox = true;
            return;
        }
    }

    // The box above lets the agent act meanwhile: look at the form again.
    const int category = tariff::categoryOfCaption(ui->CBCG->currentText());
    if (const tariff::Bracket *bracket =
            tariff::bracketForLabel(category, ui->CBTF->currentText())) {
        ui->LETX_2->setText(amount::format(bracket->tax.at(months)));
        ui->LEFGA_2->setText(amount::format(bracket->fga.at(months)));
    }
}

void Koravel3::on_PBC_clicked() {
    const qint32 total = accounting::invoiceTotal(
        amount::parse(ui->LEPT_2->text()), amount::parse(ui->LETX_2->text()),
        amount::parse(ui->LEFGA_2->text()), amount::parse(ui->LECP_2->text()));
    ui->LEPT->setText(amount::format(total));
    ui->LESF->setText(amount::format(total));
}

void Koravel3::on_pushButton_9_clicked() {
    const qint32 percentage = amount::parse(ui->lineEditr->text());
    const qint32 invoice = amount::parse(ui->LESF->text());
    // Kept wide through the division so that a large invoice collected whole
    // stays right; only a result beyond 32 bits wraps (see amount.h).
    ui->LESE->setText(amount::format(amount::percentOf(percentage, invoice)));
}

bool Koravel3::showTariffRow(const sql::Statement &statement) {
    QSqlQuery query;
    if (!execute(query, statement))
        return false;
    // Normally one row; should the table hold more, the last one stays.
    while (query.next()) {
        ui->LEPN->setText(query.value(1).toString());
        ui->LETX->setText(query.value(2).toString());
        ui->LEFGA->setText(query.value(3).toString());
        ui->LEPCA->setText(query.value(4).toString());
        ui->LECP->setText(query.value(5).toString());
    }
    return true;
}

void Koravel3::loadCommissionParameters() {
    QSqlQuery query;
    if (execute(query, statements::commissionDifference()))
        while (query.next())
            ui->difcomm->setText(query.value(0).toString());
    else if (!db.isOpen())
        return;
    if (execute(query, statements::commissionPercentage()))
        while (query.next())
            ui->lineEdit_pourc->setText(query.value(0).toString());
}
