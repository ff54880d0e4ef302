#include "core/policy.h"

#include "core/accounting.h"
#include "core/amount.h"
#include "core/tariff.h"

#include <QDate>
#include <QRegularExpression>

namespace policy {

bool collectedAmountMissing(const QString &collected, const QString &key) {
    return amount::parse(collected) == 0 || amount::parse(key) < 0;
}

bool isAmountText(const QString &text) {
    static const QRegularExpression digits(QStringLiteral("\\A[+-]?[0-9]+\\z"));
    bool fits = false;
    text.toInt(&fits, 10);
    return fits && digits.match(text).hasMatch();
}

bool isDateText(const QString &text) {
    return QDate::fromString(text, QStringLiteral("dd/MM/yyyy")).isValid();
}

bool premiumMissing(const PolicyRecord &r) {
    if (r.categorie.isEmpty() || r.prime.isEmpty())
        return true;
    return r.coutpolice.isEmpty() && r.taxe.isEmpty() && r.fga.isEmpty() && r.pca.isEmpty();
}

bool priceOf(const QString &category, const QString &power, const QString &label,
             const QString &months, Pricing &pricing) {
    const int number = tariff::categoryOfCaption(category);
    const tariff::Bracket *bracket = tariff::bracketForPower(number, power);
    const qint32 count = amount::parse(months);
    if (!bracket || count <= 0)
        return false;
    // The months recompute the tax and the FGA by the label shown: the
    // power's own bracket, or the sub-type the agent picked.
    const tariff::Bracket *rated = tariff::picksSubType(number)
                                       ? tariff::bracketForLabel(number, label)
                                       : (bracket->labelled(label) ? bracket : nullptr);
    if (!rated)
        return false;
    pricing.net = bracket->base.net;
    pricing.premium = amount::multiply(pricing.net, count);
    pricing.tax = rated->tax.at(count);
    pricing.fga = rated->fga.at(count);
    pricing.pca = bracket->base.pca;
    pricing.cost = tariff::policyCost;
    pricing.invoice =
        accounting::invoiceTotal(pricing.premium, pricing.tax, pricing.fga, pricing.cost);
    return true;
}

bool premiumStale(const PolicyRecord &r) {
    Pricing p{};
    if (!priceOf(r.categorie, r.forcefiscal, r.tranchef, r.nbrdemois, p))
        return true;
    const struct {
        const QString &text;
        qint32 expected;
    } written[] = {{r.net, p.net},
                   {r.prime, p.premium},
                   {r.taxe, p.tax},
                   {r.fga, p.fga},
                   {r.pca, p.pca},
                   {r.coutpolice, p.cost},
                   {r.primetotal, p.invoice},
                   {r.sommefact, p.invoice}};
    for (const auto &amount : written)
        if (amount.text != amount::format(amount.expected))
            return true;
    return false;
}

QString refusal(const PolicyRecord &record) {
    const QString notComputed =
        QStringLiteral("La prime de ce formulaire n'a pas été calculée : choisissez le "
                       "genre et la puissance, puis le nombre de mois, et appuyez sur "
                       "CALCULER. Rien n'a été enregistré.");
    if (premiumMissing(record))
        return notComputed;
    const struct {
        const QString &text;
        const char *caption;
    } amounts[] = {
        {record.coutpolice, "COUT DE POLICE"},
        {record.prime, "PRIME TOTAL"},
        {record.taxe, "TAXE"},
        {record.fga, "FGA"},
        {record.pca, "PCA"},
        {record.primetotal, "SOMME FACTURE"},
    };
    for (const auto &field : amounts)
        if (!isAmountText(field.text))
            return QStringLiteral("« %1 » : montant invalide, un nombre entier est attendu. "
                                  "Rien n'a été enregistré.")
                .arg(QString::fromUtf8(field.caption));

    const struct {
        const QString &text;
        const char *caption;
    } dates[] = {{record.valable, "DATE D'EFFET"}, {record.valabl, "DATE D'EXPIRATION"}};
    for (const auto &field : dates)
        if (!isDateText(field.text))
            return QStringLiteral("« %1 » : date invalide, la date doit s'écrire jj/mm/aaaa. "
                                  "Rien n'a été enregistré.")
                .arg(QString::fromUtf8(field.caption));

    // The widths of the text columns in principal, principal1 and clients
    // (schema/schema.sql). The server refuses a longer text, and only with
    // its own English message, so the agent is told here which field to
    // shorten.
    const struct {
        const QString &text;
        const char *caption;
        qsizetype width;
    } texts[] = {
        {record.idpersonne, "IDENTIFIANT AGENT", 32},
        {record.users, "UTILISATEUR", 64},
        {record.password, "MOT DE PASSE", 64},
        {record.nom, "NOM", 255},
        {record.adresse, "ADRESSE", 255},
        {record.persacontacter, "PERSONNE A CONTACTER", 255},
        {record.telephone, "TELEPHONE", 255},
        {record.genre, "GENRE", 255},
        {record.marque, "MARQUE", 255},
        {record.type, "TYPE", 255},
        {record.immat, "IMMATRICULATION", 255},
        {record.police, "N POLICE", 255},
        {record.attestation, "N TALON", 255},
        {record.valableau, "HEURE D'EFFET", 16},
        {record.valablea, "HEURE D'EXPIRATION", 16},
        {record.nbrdemois, "NOMBRE DE MOIS", 8},
        {record.energie, "ENERGIE", 64},
        {record.forcefiscal, "PUISSANCE", 8},
        {record.categorie, "CATEGORIE", 128},
        {record.tranchef, "TRANCHE", 64},
        {record.nbrdeplace, "NOMBRE DE PLACE", 255},
        {record.padres, "ADRESSE CONTACT", 255},
    };
    for (const auto &field : texts) {
        const qsizetype length = characterCount(field.text);
        if (length > field.width)
            return QStringLiteral("« %1 » : texte trop long (%2 caractères, %3 au plus). Rien "
                                  "n'a été enregistré.")
                .arg(QString::fromUtf8(field.caption))
                .arg(length)
                .arg(field.width);
    }
    // Whatever the order of the agent's choices, a policy is saved with the
    // amounts of its tariff or not at all.
    if (premiumStale(record))
        return notComputed;
    return QString();
}

qsizetype characterCount(const QString &text) {
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        ++count;
    }
    return count;
}

QString overwriteRefusal(const QString &key, const QString &number, const QString &storedPlate,
                         const QString &formPlate) {
    return QStringLiteral("Le formulaire est encore celui de la police n° %1 (immatriculation %2, "
                          "fiche %3) : l'enregistrer avec l'immatriculation %4 remplacerait "
                          "cette police. Pour une nouvelle police, appuyez d'abord sur "
                          "NOUVEAU/CLEAR. Rien n'a été enregistré.")
        .arg(number, storedPlate, key, formPlate);
}

QString otherAgentQuestion(const QString &plate, const QString &ownerUser,
                           const QString &agentUser) {
    return QStringLiteral("La police de l'immatriculation %1 a été vendue par l'agent « %2 ». "
                          "Si vous la renouvelez, la police et sa commission passeront à "
                          "l'agent connecté, « %3 ». La renouveler quand même ?")
        .arg(plate, ownerUser, agentUser);
}

} // namespace policy
