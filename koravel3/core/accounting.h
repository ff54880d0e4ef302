#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <QtGlobal>

// The money rules of the counter: the invoice, the agent's commission and
// what is paid back to the company, and the guarantee packages a save
// registers. All amounts in the 32-bit arithmetic of amount.h.
namespace accounting {

// "SOMME FACTURE": premium + tax + FGA + policy cost of the period.
qint32 invoiceTotal(qint32 premium, qint32 tax, qint32 fga, qint32 policyCost);

// The agent's commission: a tenth of the net premium (truncated), plus the
// PCA and the fees.
qint32 commission(qint32 netPremium, qint32 pca, qint32 fees);

// "NET A REVERSER": the invoiced total less the commission.
qint32 payBack(qint32 total, qint32 commission);

// A report total as the window shows it: a sum over no rows (NULL) is empty,
// and a sum the server returns as a floating-point number is written with
// plain digits, never in exponent notation.
QString totalText(const QVariant &value);

// The client-register packages of a save: SIMPLE and COMPLET exclude each
// other (SIMPLE wins), PREMIUM comes on top.
QList<const char *> packages(bool simple, bool complet, bool premium);

} // namespace accounting
