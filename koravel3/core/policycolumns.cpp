#include "core/policycolumns.h"

namespace policy {

namespace {

using R = PolicyRecord;
// The day's date texts, as the statements have always closed them.
const char *const spaced = "','%d/%m/%Y' )";
const char *const tight = "','%d/%m/%Y')";

} // namespace

const QList<Column> &columns() {
    static const QList<Column> table{
        {"idpersonne", &R::idpersonne, "label_5", nullptr, Everywhere},
        {"users", &R::users, "lineEdit_user_2", nullptr, Everywhere},
        // The typed password, or none with agents' own accounts: the save
        // decides.
        {"password", &R::password, nullptr, nullptr, Everywhere},
        {"nom", &R::nom, "LEN", nullptr, Everywhere | Loaded},
        {"adresse", &R::adresse, "LEA", nullptr, Everywhere | Loaded},
        {"persacontacter", &R::persacontacter, "LEPAC", nullptr, Everywhere | Loaded},
        {"telephone", &R::telephone, "LETPH", nullptr, Everywhere | Loaded},
        {"coutpolice", &R::coutpolice, "LECP_2", nullptr, Everywhere},
        {"prime", &R::prime, "LEPT_2", nullptr, Everywhere},
        {"taxe", &R::taxe, "LETX_2", nullptr, Everywhere},
        {"fga", &R::fga, "LEFGA_2", nullptr, Everywhere},
        {"pca", &R::pca, "LEPCA_2", nullptr, Everywhere},
        {"primetotal", &R::primetotal, "LESF", nullptr, Everywhere},
        {"genre", &R::genre, "CBG", nullptr, Everywhere | Loaded},
        {"marque", &R::marque, "LEM", nullptr, Everywhere | Loaded},
        {"type", &R::type, "LETP", nullptr, Everywhere | Loaded},
        {"immat", &R::immat, "LEIM", nullptr, Everywhere | Loaded},
        {"police", &R::police, "LEPO", nullptr, Everywhere | Loaded},
        {"attestation", &R::attestation, "LEP", nullptr, Everywhere | Loaded},
        {"valable", &R::valable, "LEDU", spaced, Everywhere},
        {"valabl", &R::valabl, "LEAU", tight, Everywhere},
        {"valableau", &R::valableau, "dut", nullptr, Everywhere},
        {"valablea", &R::valablea, "aut", nullptr, Everywhere},
        {"nbrdemois", &R::nbrdemois, "CBNM", nullptr, Everywhere | Loaded},
        {"energie", &R::energie, "CBE", nullptr, Everywhere | Loaded},
        {"forcefiscal", &R::forcefiscal, "CBP", nullptr, Everywhere | Loaded},
        {"categorie", &R::categorie, "CBCG", nullptr, Everywhere},
        {"tranchef", &R::tranchef, "CBTF", nullptr, Everywhere},
        {"nbrdeplace", &R::nbrdeplace, "LENDP", nullptr, Everywhere | Loaded},
        {"sommencais", &R::sommencais, "LESE", nullptr, Everywhere | Loaded},
        {"sommefact", &R::sommefact, "LESF", nullptr, Everywhere | Loaded},
        {"currentd", &R::currentd, "LEDU", spaced, Everywhere},
        // The month and year of the save, from the day's date.
        {"cmois", &R::cmois, nullptr, nullptr, Everywhere},
        {"cannee", &R::cannee, nullptr, nullptr, Everywhere},
        {"padres", &R::padres, "lineEdit", nullptr, History | Policy},
        // A first issue counts one; a renewal adds one.
        {"trie", &R::trie, nullptr, nullptr, Policy | Renewal},
    };
    return table;
}

QStringList columnNames(Written statement) {
    QStringList names;
    for (const Column &column : columns())
        if (column.written & statement)
            names << QString::fromLatin1(column.name);
    return names;
}

} // namespace policy
