#include "core/tariff.h"

#include "core/amount.h"

namespace tariff {

namespace {

struct Category {
    const char *caption;
    const char *table;
};

// Index 0 is category 1. The captions keep their irregular blanks and
// accents: saved policies and the premium logic compare them exactly.
const Category categories[] = {
    {"CATEGORIE 1 : Véhicules à carrosserie de tourisme", "categorie1"},
    {"CATEGORIE 2 : Véhicules pour le transport de marchandises ou de matériels", "categorie2"},
    {"CATEGORIE 3: Véhicule utilitaire  autre carrosserie camions", "categorie3"},
    {"CATEGORIE 4: véhicules aménages pour le transport de marchandise", "categorie4"},
    {"CATEGORIE 5: Véhicules motorisés à deux ou trois roues", "categorie5"},
    {"CATEGORIE 6: vehicule transport 9 places et plus", "categorie6"},
    {"CATEGORIE 7: vehicule transport a 8 places ou plus", "categorie7"},
};
constexpr int categoryCount = int(sizeof categories / sizeof categories[0]);
constexpr int subTypeCategory = 5;

// In the order of comparison; the first equal genre decides.
const struct {
    const char *genre;
    int category;
} genres[] = {
    {"V.P", 1},       {"CAMIONNETTE", 2}, {"CAMION", 3},  {"REMORQUE", 3}, {"SEMI-REMORQUE", 3},
    {"TRACTEUR", 3},  {"TAXI", 4},        {"SCOOTER", 5}, {"TRICYCLE", 5}, {"SIDECAR", 5},
    {"MOTOCYCLE", 5}, {"BUS", 6},         {"AUTOCAR", 7},
};

// The agency's tariff. Category 6 brackets 1 and 4 are irregular on purpose:
// their formulas do not start from their base amounts.
// clang-format off
const Bracket table[] = {
    // cat, no, powers,      labels,                     net,   tax,  fga,  pca,   tax formula,   FGA formula
    {1, 1, "2",  "2",   {"2"},                   {3290,  630,  82,   329},  {329,  630},  {82,  82}},
    {1, 2, "3",  "6",   {"3a6"},                 {3954,  696,  99,   329},  {329,  696},  {82,  99}},
    {1, 3, "7",  "10",  {"7a10"},                {4469,  747,  112,  395},  {395,  747},  {99,  112}},
    {1, 4, "11", "14",  {"11a14"},               {5763,  875,  144,  575},  {575,  875},  {143, 144}},
    {1, 5, "15", "23",  {"15a23"},               {7565,  1057, 189,  756},  {756,  1057}, {189, 189}},
    {1, 6, "+24", "+24", {"24+"},                {9112,  1212, 228,  911},  {911,  1212}, {228, 228}},

    {2, 1, "2",  "2",   {"2"},                   {4984,  759,  249,  498},  {498,  759},  {249, 249}},
    {2, 2, "3",  "4",   {"2a4"},                 {5919,  892,  148,  592},  {592,  892},  {148, 148}},
    {2, 3, "5",  "7",   {"5a7"},                 {6910,  992,  173,  691},  {691,  992},  {173, 173}},
    {2, 4, "8",  "10",  {"8a10"},                {9970,  1298, 249,  997},  {997,  1298}, {250, 249}},
    {2, 5, "11", "16",  {"11a16"},               {12860, 1586, 321,  1286}, {1286, 1586}, {322, 321}},
    {2, 6, "17", "22",  {"17+"},                 {15268, 1827, 382,  1527}, {1527, 1827}, {381, 382}},

    {3, 1, "2",  "2",   {"2"},                   {7988,  1099, 200,  799},  {799,  1099}, {200, 200}},
    {3, 2, "3",  "4",   {"2a4"},                 {9063,  1207, 227,  906},  {906,  1207}, {226, 227}},
    {3, 3, "5",  "7",   {"5a7"},                 {11411, 1442, 285,  1141}, {1141, 1442}, {286, 285}},
    {3, 4, "8",  "10",  {"8a10"},                {14929, 1793, 373,  1493}, {1493, 1793}, {373, 373}},
    {3, 5, "11", "16",  {"11a16"},               {18252, 2126, 456,  1825}, {1825, 2126}, {457, 456}},
    {3, 6, "17", "22",  {"17+"},                 {21021, 2403, 526,  2102}, {2102, 2403}, {525, 526}},

    {4, 1, "2",  "2",   {"2"},                   {10320, 1332, 258,  1032}, {1032, 1332}, {258, 258}},
    {4, 2, "3",  "4",   {"2a4"},                 {11184, 1486, 296,  1185}, {1185, 1486}, {297, 296}},
    {4, 3, "5",  "7",   {"5a7"},                 {14699, 1770, 367,  1470}, {1470, 1770}, {368, 367}},
    {4, 4, "8",  "10",  {"8a10"},                {19657, 2266, 491,  1966}, {1966, 2266}, {492, 491}},
    {4, 5, "11", "16",  {"11a16"},               {24982, 2799, 625,  2498}, {2498, 2799}, {624, 625}},
    {4, 6, "17", "22",  {"17+"},                 {28992, 3200, 725,  2899}, {2899, 3200}, {725, 725}},

    {5, 1, "2",  "2",   {"1 cyclomotor"},        {1643,  465,  41,   164},  {164,  465},  {41,  41}},
    {5, 2, "3",  "4",   {"2 scooter<=125cm3"},   {2577,  558,  64,   258},  {258,  558},  {65,  64}},
    {5, 3, "5",  "6",   {"3 scooter>125cm3"},    {2977,  598,  74,   298},  {298,  598},  {75,  74}},
    {5, 4, "7",  "8",   {"4 sidecar"},           {3577,  658,  89,   358},  {358,  658},  {90,  89}},

    {6, 1, "2",  "2",   {"2"},                   {10824, 2710, 520,  82},   {82,   383},  {21,  21}},
    {6, 2, "3",  "4",   {"2a4"},                 {25273, 2828, 632,  2527}, {2527, 2828}, {632, 632}},
    {6, 3, "5",  "7",   {"5a7"},                 {26763, 2977, 669,  2676}, {2676, 2977}, {639, 669}},
    {6, 4, "8",  "10",  {"8a10"},                {29503, 3151, 712,  3150}, {1550, 1851}, {387, 388}},
    {6, 5, "11", "16",  {"11a16"},               {36083, 3909, 902,  3608}, {3608, 3909}, {902, 902}},
    {6, 6, "17", "22",  {"17+"},                 {39384, 4239, 985,  3938}, {3938, 4239}, {984, 985}},

    {7, 1, "2",  "4",   {"2", "2a4"},            {8799,  1180, 220,  880},  {880,  1180}, {220, 220}},
    {7, 2, "5",  "7",   {"5a7"},                 {10289, 1329, 257,  1025}, {1025, 1329}, {257, 257}},
    {7, 3, "8",  "10",  {"8a10"},                {14679, 1768, 367,  1468}, {1468, 1768}, {367, 367}},
    {7, 4, "11", "16",  {"11a16"},               {19609, 2261, 490,  1961}, {1961, 2261}, {490, 490}},
    {7, 5, "17", "22",  {"17+"},                 {22910, 2592, 573,  2231}, {2231, 2592}, {573, 573}},
};
// clang-format on

bool known(int category) {
    return category >= 1 && category <= categoryCount;
}

} // namespace

QStringList powerTexts() {
    QStringList texts;
    for (int power = 1; power <= 24; ++power)
        texts << QString::number(power);
    texts << QStringLiteral("+24");
    return texts;
}

QStringList categoryCaptions() {
    QStringList captions;
    for (const Category &category : categories)
        captions << QString::fromUtf8(category.caption);
    return captions;
}

QString categoryCaption(int category) {
    return known(category) ? QString::fromUtf8(categories[category - 1].caption) : QString();
}

int categoryOfCaption(const QString &caption) {
    for (int category = 1; category <= categoryCount; ++category)
        if (caption == QString::fromUtf8(categories[category - 1].caption))
            return category;
    return 0;
}

int categoryOfGenre(const QString &genre) {
    for (const auto &entry : genres)
        if (genre == QLatin1String(entry.genre))
            return entry.category;
    return 0;
}

bool picksSubType(int category) {
    return category == subTypeCategory;
}

qint32 Formula::at(qint32 months) const {
    // A product or sum beyond 32 bits wraps around modulo 2^32 (see amount.h).
    return amount::add(amount::multiply(perMonth, months), start);
}

bool Bracket::selectedBy(const QString &power) const {
    static const QStringList scale = powerTexts();
    const int position = scale.indexOf(power);
    return position >= 0 && position >= scale.indexOf(QLatin1String(firstPower)) &&
           position <= scale.indexOf(QLatin1String(lastPower));
}

bool Bracket::labelled(const QString &label) const {
    for (const char *candidate : labels)
        if (candidate && label == QString::fromUtf8(candidate))
            return true;
    return false;
}

QList<const Bracket *> brackets() {
    QList<const Bracket *> rows;
    for (const Bracket &bracket : table)
        rows << &bracket;
    return rows;
}

const Bracket *bracketForPower(int category, const QString &power) {
    for (const Bracket &bracket : table)
        if (bracket.category == category && bracket.selectedBy(power))
            return &bracket;
    return nullptr;
}

const Bracket *bracketForLabel(int category, const QString &label) {
    for (const Bracket &bracket : table)
        if (bracket.category == category && bracket.labelled(label))
            return &bracket;
    return nullptr;
}

const char *tableOf(int category) {
    return known(category) ? categories[category - 1].table : "";
}

} // namespace tariff
