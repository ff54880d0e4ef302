#pragma once

#include <QString>
#include <QtGlobal>

// One save of the policy form: the values it writes and the checks made
// before anything is written (the statements are in core/statements.h).
namespace policy {

// The values that one save writes, as the widgets show them (no trimming, no
// reformatting). Dates are "dd/MM/yyyy" texts that the server converts.
struct PolicyRecord {
    QString idpersonne;     // label_5
    QString users;          // lineEdit_user_2
    QString password;       // lineEdit_passw_2
    QString nom;            // LEN
    QString adresse;        // LEA
    QString persacontacter; // LEPAC
    QString telephone;      // LETPH
    QString coutpolice;     // LECP_2
    QString prime;          // LEPT_2
    QString taxe;           // LETX_2
    QString fga;            // LEFGA_2
    QString pca;            // LEPCA_2
    QString primetotal;     // LESF
    QString genre;          // CBG
    QString marque;         // LEM
    QString type;           // LETP
    QString immat;          // LEIM
    QString police;         // LEPO
    QString attestation;    // LEP
    QString valable;        // LEDU
    QString valabl;         // LEAU
    QString valableau;      // dut
    QString valablea;       // aut
    QString nbrdemois;      // CBNM
    QString energie;        // CBE
    QString forcefiscal;    // CBP
    QString categorie;      // CBCG
    QString tranchef;       // CBTF
    QString nbrdeplace;     // LENDP
    QString sommencais;     // LESE
    QString sommefact;      // LESF, the same text as primetotal
    QString currentd;       // LEDU again
    QString cmois;          // month of the save, no leading zero
    QString cannee;         // year of the save, four digits
    QString padres;         // lineEdit
    QString trie;           // "1": a first issue counts one
    // Not written: the monthly net premium (LEPN_2), which must be the
    // tariff's like every amount written.
    QString net;
};

// The guarantee packages of the client register.
inline constexpr char tiersSimple[] = "TIERS SIMPLE";
inline constexpr char tiersComplet[] = "TIERS COMPLET";
inline constexpr char tiersPremium[] = "TIERS PREMIUM";

// True when the save must stop before anything is written because no amount
// was collected (the collected amount reads 0) or the key is negative.
bool collectedAmountMissing(const QString &collected, const QString &key);

// A text that an integer column takes as it stands: optional sign, digits,
// within 32 bits.
bool isAmountText(const QString &text);

// A date text in the form "dd/MM/yyyy" naming a real day.
bool isDateText(const QString &text);

// The number of characters of a text as the database counts them (a
// character outside the Basic Multilingual Plane counts once).
qsizetype characterCount(const QString &text);

// True when the form does not carry a premium computed for it: no
// category, no period premium, or a period group that holds no amount at
// all (what the form reset and a policy load leave).
bool premiumMissing(const PolicyRecord &record);

// The amounts that choosing the genre, the power, the sub-type and the
// months, in that order, then CALCULER, give for a category, power, bracket
// label and months: what a save must write.
struct Pricing {
    qint32 net;     // LEPN_2
    qint32 premium; // LEPT_2
    qint32 tax;     // LETX_2
    qint32 fga;     // LEFGA_2
    qint32 pca;     // LEPCA_2
    qint32 cost;    // LECP_2
    qint32 invoice; // LESF
};

// False when that order gives no premium: no category, a power without a
// bracket in it, no months, or a bracket label that is not the power's
// bracket (the chosen sub-type's for two- and three-wheelers).
bool priceOf(const QString &category, const QString &power, const QString &label,
             const QString &months, Pricing &pricing);

// True when an amount the save would write is not exactly what the form's
// category, power, bracket label and months give: a choice changed after
// the premium was computed, or the invoice not computed again since.
bool premiumStale(const PolicyRecord &record);

// The refusal for a form whose premium was not computed, then the one
// naming the first field that the database would refuse or
// store wrongly (an amount of the period group or the invoice total that is
// not an integer, a validity date that is not a real date, a text longer
// than its column), then the refusal of a period premium that is not the
// net premium times the months, or an empty text when every field can be
// written.
QString refusal(const PolicyRecord &record);

// Why a renewal of the policy (key, number, stored plate) is refused when
// the form carries another plate.
QString overwriteRefusal(const QString &key, const QString &number, const QString &storedPlate,
                         const QString &formPlate);

// The question asked before renewing the policy of the plate that another
// agent (ownerUser) sold: the policy and its commission would pass to the
// agent logged in (agentUser).
QString otherAgentQuestion(const QString &plate, const QString &ownerUser,
                           const QString &agentUser);

} // namespace policy
