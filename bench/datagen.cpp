#include "datagen.h"

#include "core/policycolumns.h"
#include "core/statement.h"
#include "server.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>

namespace datagen {

namespace {

// Rows per statement: large enough to keep the server busy, small enough for
// a modest undo log.
constexpr int chunk = 250000;

const char *const firstNames =
    "'Fatou','Ibrahima','Aminata','Cheikh','Moussa','Awa','Mamadou','Aïssatou','Ousmane',"
    "'Khady','Abdoulaye','Mariama','Modou','Ndèye','Babacar','Coumba','Serigne','Astou',"
    "'Lamine','Rokhaya','Pape','Sokhna','Alioune','Bineta','Souleymane','Dieynaba','Malick',"
    "'Fatoumata','Omar','Adama','Boubacar','Yacine','Ismaïla','Ramatoulaye','Daouda','Marième',"
    "'El Hadji','Penda','Samba','Oumou'";
const char *const surnames =
    "'DIALLO','NDIAYE','FALL','SOW','BA','GUEYE','DIOP','SARR','FAYE','NDOYE','MBAYE','SECK',"
    "'CISSE','DIOUF','KANE','THIAM','NIANG','SY','WADE','TOURE','CAMARA','MBENGUE','SENE',"
    "'DIAGNE','LO','DIENG','SALL','GAYE','KA','TALL','DIEDHIOU','BADJI','SAGNA','MANE','COLY',"
    "'DIATTA','NDOUR','FAYE','SAMB','DIONE'";
const char *const towns = "'Dakar','Thiès','Saint-Louis','Ziguinchor','Kaolack','Louga',"
                          "'Diourbel','Mbour','Rufisque','Tambacounda','Kolda','Fatick'";
const char *const plateRegions = "'DK','TH','SL','ZG','KL','LG','DB','MT','FK','KD','TC','SD'";
const char *const makes = "'TOYOTA','PEUGEOT','RENAULT','NISSAN','HYUNDAI','KIA','MERCEDES',"
                          "'SUZUKI','MITSUBISHI','HONDA','FORD','VOLKSWAGEN'";
const char *const models = "'COROLLA','308','CLIO','PATROL','TUCSON','PICANTO','C200','SWIFT',"
                           "'L200','CIVIC','RANGER','GOLF'";
// Eight kinds of vehicle, tourism cars three times as often as the others.
const char *const genres = "'V.P','V.P','V.P','CAMIONNETTE','CAMION','TAXI','MOTOCYCLE','BUS'";
const char *const categories =
    "'CATEGORIE 1 : Véhicules à carrosserie de tourisme',"
    "'CATEGORIE 1 : Véhicules à carrosserie de tourisme',"
    "'CATEGORIE 1 : Véhicules à carrosserie de tourisme',"
    "'CATEGORIE 2 : Véhicules pour le transport de marchandises ou de matériels',"
    "'CATEGORIE 3: Véhicule utilitaire  autre carrosserie camions',"
    "'CATEGORIE 4: véhicules aménages pour le transport de marchandise',"
    "'CATEGORIE 5: Véhicules motorisés à deux ou trois roues',"
    "'CATEGORIE 6: vehicule transport 9 places et plus'";
const char *const brackets = "'7a10','3a6','11a14','5a7','8a10','5a7','1 cyclomotor','17+'";
const char *const powers = "'9','5','12','6','9','6','2','18'";
const char *const seats = "'5','5','5','3','3','5','2','30'";

// A well-spread number from a row number: a different multiplier per use.
QByteArray hash(const char *variable, int use) {
    static const qint64 multipliers[] = {2654435761LL, 2246822519LL, 3266489917LL, 668265263LL,
                                         374761393LL,  1597334677LL, 3812015801LL, 2869860233LL};
    const qint64 multiplier = multipliers[use % 8] + 2 * (use / 8);
    return "((" + QByteArray(variable) + " * " + QByteArray::number(multiplier) + " + " +
           QByteArray::number(use * 7919) + ") MOD 4294967291)";
}

QByteArray pick(const char *variable, int use, int count, const char *list) {
    return "ELT(1 + " + hash(variable, use) + " MOD " + QByteArray::number(count) + ", " + list +
           ")";
}

QByteArray letter(const char *variable, int use) {
    return "SUBSTRING('ABCDEFGHIJKLMNOPQRSTUVWXYZ', 1 + " + hash(variable, use) + " MOD 26, 1)";
}

// The values of one row, from p (the policy) and i (the issue).
QByteArray rowValues(bool withRenewals) {
    const QByteArray agent = "(1 + p MOD 1000)";
    const QByteArray start =
        "(CURDATE() - INTERVAL 730 DAY + INTERVAL " + hash("i", 20) + " MOD 1095 DAY)";
    const QByteArray months = "(" + pick("i", 21, 4, "1, 3, 6, 12") + " + 0)";
    const QByteArray premium = "((3000 + " + hash("i", 22) + " MOD 9000) * " + months + ")";
    const QByteArray tax = "(600 + 300 * " + months + ")";
    const QByteArray fga = "(80 + 80 * " + months + ")";
    const QByteArray pca = "(300 + " + hash("i", 23) + " MOD 700)";
    const QByteArray total = "(" + premium + " + " + tax + " + " + fga + " + " + pca + " + 3000)";

    QByteArray values;
    values += "CAST(" + agent + " AS CHAR), CONCAT('agent', LPAD(" + agent +
              ", 4, '0')), CONCAT('pw', LPAD(" + agent + ", 4, '0')),\n";
    // nom, adresse, persacontacter, telephone
    values +=
        "CONCAT(" + pick("p", 1, 40, firstNames) + ", ' ', " + pick("p", 2, 40, surnames) + "),\n";
    values += "CONCAT('Rue ', 1 + " + hash("p", 3) + " MOD 400, ', ', " + pick("p", 4, 12, towns) +
              "),\n";
    values +=
        "CONCAT(" + pick("p", 5, 40, firstNames) + ", ' ', " + pick("p", 2, 40, surnames) + "),\n";
    values += "CONCAT('77 ', LPAD(" + hash("p", 6) + " MOD 1000, 3, '0'), ' ', LPAD(" +
              hash("p", 7) + " MOD 100, 2, '0'), ' ', LPAD(" + hash("p", 8) +
              " MOD 100, 2, '0')),\n";
    // coutpolice, prime, taxe, fga, pca, primetotal
    values += "3000, " + premium + ", " + tax + ", " + fga + ", " + pca + ", " + total + ",\n";
    // genre, marque, type, immat, police, attestation
    values += pick("p", 9, 8, genres) + ", " + pick("p", 10, 12, makes) + ", " +
              pick("p", 10, 12, models) + ",\n";
    values += "CONCAT(" + pick("p", 11, 12, plateRegions) + ", '-', LPAD(" + hash("p", 12) +
              " MOD 10000, 4, '0'), '-', " + letter("p", 13) + ", " + letter("p", 14) + "),\n";
    values += "CONCAT('P-', LPAD(i, 8, '0')), CONCAT('T-', LPAD(i, 8, '0')),\n";
    // valable, valabl, valableau, valablea, nbrdemois
    values += start + ", " + start + " + INTERVAL " + months + " MONTH - INTERVAL 1 DAY,\n";
    values += "'08:00', '23:59', " + months + ",\n";
    // energie, forcefiscal, categorie, tranchef, nbrdeplace
    values += pick("p", 15, 3, "'essence','DIESEL','essence'") + ", " + pick("p", 9, 8, powers) +
              ", " + pick("p", 9, 8, categories) + ", " + pick("p", 9, 8, brackets) + ", " +
              pick("p", 9, 8, seats) + ",\n";
    // sommencais, sommefact, currentd, cmois, cannee, padres
    values +=
        total + ", " + total + ", " + start + ", MONTH(" + start + "), YEAR(" + start + "),\n";
    values += "CONCAT('Quartier ', 1 + " + hash("p", 16) + " MOD 60, ', ', " +
              pick("p", 4, 12, towns) + ")";
    if (withRenewals)
        values += ",\n1 + " + hash("p", 17) + " MOD 5";
    return values;
}

// The history insert's columns, in rowValues()'s order.
QByteArray columns() {
    QStringList names = policy::columnNames(policy::History);
    for (QString &name : names)
        name = QLatin1Char('`') + name + QLatin1Char('`');
    return names.join(QStringLiteral(", ")).toLatin1();
}

bool insertRange(const char *table, const QByteArray &numbering, bool withRenewals, qint64 from,
                 qint64 to) {
    for (qint64 first = from; first <= to; first += chunk) {
        const qint64 last = std::min(to, first + chunk - 1);
        QByteArray text = "insert into " + QByteArray(table) + " (" + columns() +
                          (withRenewals ? ", trie" : "") + ")\nselect " + rowValues(withRenewals) +
                          "\nfrom (select " + numbering + " from seq_" + QByteArray::number(first) +
                          "_to_" + QByteArray::number(last) + ") as g";
        if (!server::exec(sql::Statement(text.constData())))
            return false;
    }
    return true;
}

} // namespace

QString agentUser(int agent) {
    return QStringLiteral("agent%1").arg(agent, 4, 10, QLatin1Char('0'));
}

QString agentPassword(int agent) {
    return QStringLiteral("pw%1").arg(agent, 4, 10, QLatin1Char('0'));
}

bool fillAgents() {
    const QByteArray text =
        "insert into personnes (id, `user`, `password`, nom, telephone, email, adresse)\n"
        "select seq, CONCAT('agent', LPAD(seq, 4, '0')), CONCAT('pw', LPAD(seq, 4, '0')), "
        "CONCAT(" +
        pick("seq", 30, 40, firstNames) + ", ' ', " + pick("seq", 31, 40, surnames) +
        "), CONCAT('+221 77 100 ', LPAD(seq, 4, '0')), CONCAT('agent', seq, '@exemple.sn'), "
        "CONCAT('Agence ', seq, ', ', " +
        pick("seq", 32, 12, towns) +
        ")\n"
        "from seq_1_to_" +
        QByteArray::number(agentCount);
    return server::exec(sql::Statement(text.constData()));
}

bool fillPolicies(int have, int want) {
    if (want <= have)
        return true;
    // The session skips checks that cannot fail on generated rows.
    server::exec(sql::Statement("set session unique_checks = 0, foreign_key_checks = 0"));
    // The measured agent logs in with its own server account, made as the
    // head office makes it: once the agent's policies are there, whose
    // passwords it blanks.
    sql::Statement account("CALL koravel_add_agent('");
    account << agentUser(1) << "', '" << agentPassword(1) << "')";
    return insertRange("principal", "seq as p, 3 * seq as i", true, have + 1, want) &&
           insertRange("principal1", "1 + (seq - 1) div 3 as p, seq as i", false, 3LL * have + 1,
                       3LL * want) &&
           server::exec(account);
}

} // namespace datagen
