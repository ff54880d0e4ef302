#pragma once

#include <QString>

// Agency-sized data made by the server itself from MariaDB's sequence tables
// (INSERT ... SELECT from seq_1_to_N), far faster than rows sent one by one.
//
// Every value is a function of the row's number, so a run is repeatable and
// growing from 10 000 to 100 000 policies only adds rows. Policy p belongs
// to agent 1 + p mod 1000 (user "agent0001".."agent1000", password
// "pw0001".."pw1000") and has three history rows in principal1 (issues
// 3p-2, 3p-1, 3p) with the same insured, plate and agent; its row in
// principal carries the last issue's numbers. Cover starts are spread over
// three years, from two years ago to one year ahead; covers last 1, 3, 6 or
// 12 months.
namespace datagen {

inline constexpr int agentCount = 1000;

// The login of agent a (1-based).
QString agentUser(int agent);
QString agentPassword(int agent);

// Inserts the agents (once).
bool fillAgents();

// Grows principal from `have` to `want` policies and principal1 to three
// times as many history rows.
bool fillPolicies(int have, int want);

} // namespace datagen
