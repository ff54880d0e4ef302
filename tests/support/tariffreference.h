#pragma once

// The agency's tariff as the sales department hands it out, written down
// here independently of the program's own table: the unit test compares the
// table with it, the window test the amounts the window shows.
#include <QString>
#include <QStringList>

namespace tariffreference {

// The agency's tariff as the sales department hands it out: every power that
// selects a bracket, the bracket labels, the base amounts and the formulas.
struct TariffRow {
    int category;
    int bracket;
    const char *powers; // blank-separated
    const char *labels; // '|'-separated
    int net, tax, fga, pca;
    int taxPerMonth, taxStart, fgaPerMonth, fgaStart;
};

// clang-format off
inline const TariffRow tariffRows[] = {
    {1, 1, "2", "2", 3290, 630, 82, 329, 329, 630, 82, 82},
    {1, 2, "3 4 5 6", "3a6", 3954, 696, 99, 329, 329, 696, 82, 99},
    {1, 3, "7 8 9 10", "7a10", 4469, 747, 112, 395, 395, 747, 99, 112},
    {1, 4, "11 12 13 14", "11a14", 5763, 875, 144, 575, 575, 875, 143, 144},
    {1, 5, "15 16 17 18 19 20 21 22 23", "15a23", 7565, 1057, 189, 756, 756, 1057, 189, 189},
    {1, 6, "+24", "24+", 9112, 1212, 228, 911, 911, 1212, 228, 228},
    {2, 1, "2", "2", 4984, 759, 249, 498, 498, 759, 249, 249},
    {2, 2, "3 4", "2a4", 5919, 892, 148, 592, 592, 892, 148, 148},
    {2, 3, "5 6 7", "5a7", 6910, 992, 173, 691, 691, 992, 173, 173},
    {2, 4, "8 9 10", "8a10", 9970, 1298, 249, 997, 997, 1298, 250, 249},
    {2, 5, "11 12 13 14 15 16", "11a16", 12860, 1586, 321, 1286, 1286, 1586, 322, 321},
    {2, 6, "17 18 19 20 21 22", "17+", 15268, 1827, 382, 1527, 1527, 1827, 381, 382},
    {3, 1, "2", "2", 7988, 1099, 200, 799, 799, 1099, 200, 200},
    {3, 2, "3 4", "2a4", 9063, 1207, 227, 906, 906, 1207, 226, 227},
    {3, 3, "5 6 7", "5a7", 11411, 1442, 285, 1141, 1141, 1442, 286, 285},
    {3, 4, "8 9 10", "8a10", 14929, 1793, 373, 1493, 1493, 1793, 373, 373},
    {3, 5, "11 12 13 14 15 16", "11a16", 18252, 2126, 456, 1825, 1825, 2126, 457, 456},
    {3, 6, "17 18 19 20 21 22", "17+", 21021, 2403, 526, 2102, 2102, 2403, 525, 526},
    {4, 1, "2", "2", 10320, 1332, 258, 1032, 1032, 1332, 258, 258},
    {4, 2, "3 4", "2a4", 11184, 1486, 296, 1185, 1185, 1486, 297, 296},
    {4, 3, "5 6 7", "5a7", 14699, 1770, 367, 1470, 1470, 1770, 368, 367},
    {4, 4, "8 9 10", "8a10", 19657, 2266, 491, 1966, 1966, 2266, 492, 491},
    {4, 5, "11 12 13 14 15 16", "11a16", 24982, 2799, 625, 2498, 2498, 2799, 624, 625},
    {4, 6, "17 18 19 20 21 22", "17+", 28992, 3200, 725, 2899, 2899, 3200, 725, 725},
    {5, 1, "2", "1 cyclomotor", 1643, 465, 41, 164, 164, 465, 41, 41},
    {5, 2, "3 4", "2 scooter<=125cm3", 2577, 558, 64, 258, 258, 558, 65, 64},
    {5, 3, "5 6", "3 scooter>125cm3", 2977, 598, 74, 298, 298, 598, 75, 74},
    {5, 4, "7 8", "4 sidecar", 3577, 658, 89, 358, 358, 658, 90, 89},
    {6, 1, "2", "2", 10824, 2710, 520, 82, 82, 383, 21, 21},
    {6, 2, "3 4", "2a4", 25273, 2828, 632, 2527, 2527, 2828, 632, 632},
    {6, 3, "5 6 7", "5a7", 26763, 2977, 669, 2676, 2676, 2977, 639, 669},
    {6, 4, "8 9 10", "8a10", 29503, 3151, 712, 3150, 1550, 1851, 387, 388},
    {6, 5, "11 12 13 14 15 16", "11a16", 36083, 3909, 902, 3608, 3608, 3909, 902, 902},
    {6, 6, "17 18 19 20 21 22", "17+", 39384, 4239, 985, 3938, 3938, 4239, 984, 985},
    {7, 1, "2 3 4", "2|2a4", 8799, 1180, 220, 880, 880, 1180, 220, 220},
    {7, 2, "5 6 7", "5a7", 10289, 1329, 257, 1025, 1025, 1329, 257, 257},
    {7, 3, "8 9 10", "8a10", 14679, 1768, 367, 1468, 1468, 1768, 367, 367},
    {7, 4, "11 12 13 14 15 16", "11a16", 19609, 2261, 490, 1961, 1961, 2261, 490, 490},
    {7, 5, "17 18 19 20 21 22", "17+", 22910, 2592, 573, 2231, 2231, 2592, 573, 573},
};
// clang-format on

inline const char *const captions[] = {
    "CATEGORIE 1 : Véhicules à carrosserie de tourisme",
    "CATEGORIE 2 : Véhicules pour le transport de marchandises ou de matériels",
    "CATEGORIE 3: Véhicule utilitaire  autre carrosserie camions",
    "CATEGORIE 4: véhicules aménages pour le transport de marchandise",
    "CATEGORIE 5: Véhicules motorisés à deux ou trois roues",
    "CATEGORIE 6: vehicule transport 9 places et plus",
    "CATEGORIE 7: vehicule transport a 8 places ou plus",
};

inline QString caption(int category) {
    return QString::fromUtf8(captions[category - 1]);
}

inline QStringList allPowers() {
    QStringList powers;
    for (int power = 1; power <= 24; ++power)
        powers << QString::number(power);
    return powers << QStringLiteral("+24");
}

inline QString rowName(const TariffRow &row) {
    return QStringLiteral("cat %1 bracket %2").arg(row.category).arg(row.bracket);
}

} // namespace tariffreference
