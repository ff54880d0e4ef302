#pragma once

#include "core/statement.h"

#include <QList>
#include <QString>

namespace policy {
struct PolicyRecord;
}
namespace tariff {
struct Bracket;
}

// Every statement text the program sends, by subsystem. Texts are kept
// exactly as the agency's other tools and reports know them, blanks and
// parentheses included; values always go through sql::Statement.
namespace statements {

// The two ways of logging in send texts that differ only by blanks and
// parentheses; each keeps its own.
enum class LoginWay { Button, ReturnKey };

// Login and the home page's counters and list.
sql::Statement agentLogin(const QString &user, const QString &password);
sql::Statement policyTotal(const QString &user, const QString &password);
sql::Statement expiringCount(LoginWay way, const QString &user, const QString &password);
sql::Statement expiredCount(LoginWay way, const QString &user, const QString &password);
sql::Statement expiringListAtLogin(LoginWay way, const QString &agent);

// The search box (each keystroke) and the RECHERCHE button differ by one
// blank. The text matches itself only: % and _ are not wildcards.
enum class SearchWay { Typing, Button };
sql::Statement search(SearchWay way, const QString &agent, const QString &text);

// The agent's three lists.
sql::Statement allPolicies(const QString &agent);
sql::Statement expiringPolicies(const QString &agent);
sql::Statement expiredPolicies(const QString &agent);

// The policy a pressed plate loads into the form: the agent's own newest
// one, another agent's newest only when the agent has none.
sql::Statement formLoad(const QString &plate, const QString &agent);
// The policy card, the policy numbers of a plate and one issue's details.
sql::Statement policyCard(const QString &agent, const QString &plate);
sql::Statement policyNumbers(const QString &agent, const QString &plate);
sql::Statement stubDetails(const QString &agent, const QString &number);
// The plate, number, agent id and agent user of the policy whose id is the
// key; its whole row.
sql::Statement storedPlate(const QString &key);
sql::Statement storedPolicy(const QString &key);

// Premium: the bracket labels of category 1..7 (for another number the
// text names no table and the server refuses it), the label shown once a
// power is chosen (the two- and three-wheelers keep the full list), the
// bracket's tariff row, and the two commission parameters.
sql::Statement bracketLabels(int category);
sql::Statement bracketLabel(const tariff::Bracket &bracket);
sql::Statement tariffRow(const tariff::Bracket &bracket);
sql::Statement commissionDifference();
sql::Statement commissionPercentage();

// Whether a server of a cluster serves: the variables of core/nodes.h,
// as name and value rows.
sql::Statement nodeStatus();

// The save: the history row, a first issue, the renewal of the row whose id
// is the key, one client-register row per guarantee package.
sql::Statement historyInsert(const policy::PolicyRecord &record);
sql::Statement policyInsert(const policy::PolicyRecord &record);
sql::Statement policyRenewal(const policy::PolicyRecord &record, const QString &key);
sql::Statement clientInsert(const policy::PolicyRecord &record, const char *package);

// The accounting reports over cover start dates from start to end
// ("dd/MM/yyyy", both included), and the cash desk's six totals in the
// order net premium, fees, tax, FGA, PCA, invoiced total.
enum class Report { ClientStatistics = 1, SalesList = 2, CashDetails = 3 };
sql::Statement report(Report report, const QString &start, const QString &end,
                      const QString &agent);
QList<sql::Statement> cashTotals(const QString &start, const QString &end, const QString &agent);

} // namespace statements
