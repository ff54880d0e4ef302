#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// The vehicle categories, the genres that fall into each, and the program's
// own tariff table: what a fiscal power selects in a category, the amounts
// that bracket starts from and how its tax and FGA grow with the months.
namespace tariff {

// Every choice of power offered to the agent, in the order of the list.
QStringList powerTexts();

// The seven category captions, category 1 first. They identify a category
// everywhere, so they are compared and saved character for character.
QStringList categoryCaptions();
// The caption of category 1..7; empty for any other number.
QString categoryCaption(int category);
// The number 1..7 whose caption is exactly this text; 0 when none is.
int categoryOfCaption(const QString &caption);

// The category of a genre, tried in the order of the genre table; 0 when the
// text is not a genre of the table ("GENRE" included).
int categoryOfGenre(const QString &genre);
// Two- and three-wheelers: the agent picks the sub-type in the bracket list.
bool picksSubType(int category);

// An amount that grows by the same step each month of cover.
struct Formula {
    qint32 perMonth;
    qint32 start;

    // perMonth × months + start, in the wrap-around arithmetic of amounts.
    qint32 at(qint32 months) const;
};

struct BaseAmounts {
    qint32 net;
    qint32 tax;
    qint32 fga;
    qint32 pca;
};

// One row of the program's tariff table.
struct Bracket {
    int category;
    // The row key in the category's tariff table: `repere`, or `categorie`
    // for the two- and three-wheelers.
    int number;
    // The powers that select the bracket: this range of powerTexts().
    const char *firstPower;
    const char *lastPower;
    // The bracket labels by which the months recomputation recognises it.
    const char *labels[2];
    BaseAmounts base;
    Formula tax;
    Formula fga;

    bool selectedBy(const QString &power) const;
    bool labelled(const QString &label) const;
};

// The policy cost written with every bracket.
constexpr qint32 policyCost = 3000;

// Every row, category by category, brackets in order.
QList<const Bracket *> brackets();
// The bracket of the category that the power selects; null when none does.
const Bracket *bracketForPower(int category, const QString &power);
// The bracket of the category that bears this label; null when none does.
const Bracket *bracketForLabel(int category, const QString &label);

// The name of the tariff table of category 1..7 ("categorie1"...); empty
// for any other number.
const char *tableOf(int category);

} // namespace tariff
