#include "core/policy.h"

#include "core/amount.h"

#include <QDate>
#include <QRegularExpression>

namespace policy {

namespace {

const char *const historyColumns =
    "insert into principal1(idpersonne,users,password,nom,adresse,persacontacter,telephone,"
    "coutpolice,prime,taxe,fga,pca,primetotal,genre,marque,type,immat,police,attestation,valable,"
    "valabl,valableau,valablea,nbrdemois,energie,forcefiscal,categorie,tranchef,nbrdeplace,"
    "sommencais,sommefact,currentd,cmois,cannee,padres) values('";

const char *const policyColumns =
    "insert into principal(idpersonne,users,password,nom,adresse,persacontacter,telephone,"
    "coutpolice,prime,taxe,fga,pca,primetotal,genre,marque,type,immat,police,attestation,valable,"
    "valabl,valableau,valablea,nbrdemois,energie,forcefiscal,categorie,tranchef,nbrdeplace,"
    "sommencais,sommefact,currentd,cmois,cannee,padres,trie) values('";

// Values 1 to 35 of the insert statements; the caller closes the list.
void appendInsertValues(sql::Statement &st, const PolicyRecord &r) {
    st << r.idpersonne << "','" << r.users << "','" << r.password << "','" << r.nom << "','"
       << r.adresse << "','" << r.persacontacter << "','" << r.telephone << "','" << r.coutpolice
       << "','" << r.prime << "','" << r.taxe << "','" << r.fga << "','" << r.pca << "','"
       << r.primetotal << "','" << r.genre << "','" << r.marque << "','" << r.type << "','"
       << r.immat << "','" << r.police << "','" << r.attestation;
    st << "',STR_TO_DATE('" << r.valable << "','%d/%m/%Y' ),STR_TO_DATE('" << r.valabl
       << "','%d/%m/%Y'),'";
    st << r.valableau << "','" << r.valablea << "','" << r.nbrdemois << "','" << r.energie << "','"
       << r.forcefiscal << "','" << r.categorie << "','" << r.tranchef << "','" << r.nbrdeplace
       << "','" << r.sommencais << "','" << r.sommefact;
    st << "',STR_TO_DATE('" << r.currentd << "','%d/%m/%Y' ),'";
    st << r.cmois << "','" << r.cannee << "','" << r.padres;
}

} // namespace

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

QString refusal(const PolicyRecord &record) {
    if (premiumMissing(record))
        return QStringLiteral("La prime de ce formulaire n'a pas été calculée : choisissez le "
                              "genre et la puissance, puis le nombre de mois, et appuyez sur "
                              "CALCULER. Rien n'a été enregistré.");
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

sql::Statement storedPlate(const QString &key) {
    sql::Statement st("select immat,police from principal where id='");
    st << key << "'";
    return st;
}

sql::Statement storedPolicy(const QString &key) {
    sql::Statement st("select *from principal where id='");
    st << key << "'";
    return st;
}

QString overwriteRefusal(const QString &key, const QString &number, const QString &storedPlate,
                         const QString &formPlate) {
    return QStringLiteral("Le formulaire est encore celui de la police n° %1 (immatriculation %2, "
                          "fiche %3) : l'enregistrer avec l'immatriculation %4 remplacerait "
                          "cette police. Pour une nouvelle police, appuyez d'abord sur "
                          "NOUVEAU/CLEAR. Rien n'a été enregistré.")
        .arg(number, storedPlate, key, formPlate);
}

sql::Statement historyInsert(const PolicyRecord &record) {
    sql::Statement st(historyColumns);
    appendInsertValues(st, record);
    st << "') ";
    return st;
}

sql::Statement policyInsert(const PolicyRecord &record) {
    sql::Statement st(policyColumns);
    appendInsertValues(st, record);
    st << "','" << record.trie << "') ";
    return st;
}

sql::Statement policyRenewal(const PolicyRecord &r, const QString &key) {
    sql::Statement st("update principal set idpersonne='");
    st << r.idpersonne << "',users='" << r.users << "',password='" << r.password << "',nom='"
       << r.nom << "',attestation='" << r.attestation << "',adresse='" << r.adresse
       << "',persacontacter='" << r.persacontacter << "',telephone='" << r.telephone
       << "',coutpolice='" << r.coutpolice << "',prime='" << r.prime << "',taxe='" << r.taxe
       << "',fga='" << r.fga << "',pca='" << r.pca << "',primetotal='" << r.primetotal
       << "',genre='" << r.genre << "',marque='" << r.marque << "',type='" << r.type << "',immat='"
       << r.immat << "',police='" << r.police;
    st << "',valable=STR_TO_DATE('" << r.valable << "','%d/%m/%Y' ),valabl=STR_TO_DATE('"
       << r.valabl << "','%d/%m/%Y'),valableau='" << r.valableau << "',valablea='" << r.valablea
       << "',nbrdemois='" << r.nbrdemois << "',energie='" << r.energie << "',forcefiscal='"
       << r.forcefiscal << "',categorie='" << r.categorie << "',tranchef='" << r.tranchef
       << "',nbrdeplace='" << r.nbrdeplace << "',sommencais='" << r.sommencais << "',sommefact='"
       << r.sommefact;
    st << "',currentd=STR_TO_DATE('" << r.currentd << "','%d/%m/%Y' ),cmois='" << r.cmois
       << "', cannee='" << r.cannee << "',trie=(trie+1)  where id='" << key << "' ";
    return st;
}

sql::Statement clientInsert(const PolicyRecord &r, const char *package) {
    sql::Statement st("insert into clients (idvendeur,nom,effet,expiration,garanti,attestation,"
                      "police,genre,marque,type,immat,adresse)values('");
    st << r.idpersonne << "','" << r.nom << "',STR_TO_DATE('" << r.valable
       << "','%d/%m/%Y' ),STR_TO_DATE('" << r.valabl << "','%d/%m/%Y'),'" << package << "','"
       << r.attestation << "','" << r.police << "','" << r.genre << "','" << r.marque << "','"
       << r.type << "','" << r.immat << "','" << r.adresse << "')";
    return st;
}

} // namespace policy
