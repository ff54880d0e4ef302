#pragma once

#include "core/policy.h"

#include <QList>
#include <QString>
#include <QStringList>

// The columns a save of the policy form writes, each named once: the
// inserts' column lists and values, the form's reading and its load, the test kit's
// record and the benchmark's generator are made from this table, and a unit
// test holds schema.sql, upgrade.sql, grants.sql and agents.sql to it.
// A new field of the form: docs/architecture.md, "A new field on the form".
namespace policy {

// The statements a column is written by, and whether the form's load
// shows it.
enum Written : unsigned {
    History = 1, // insert into principal1, the sale's history
    Policy = 2,  // insert into principal, the first issue
    Renewal = 4, // update principal, the renewal
    Everywhere = History | Policy | Renewal,
    // Not a statement: a row pressed in the policy list puts the column
    // back on the form, read by its name from "select *".
    Loaded = 8,
};

struct Column {
    const char *name;              // the column, the same in principal and principal1
    QString PolicyRecord::*member; // the value a save writes
    const char *widget;            // the form's widget it is read from; nullptr: computed
    // A date's end in the statements (the server converts the "dd/MM/yyyy"
    // text): "','%d/%m/%Y' )" or "','%d/%m/%Y')", as each statement has
    // always written it; nullptr for a text.
    const char *dateEnd;
    unsigned written; // Written flags
};

// In the order of the inserts' column lists.
const QList<Column> &columns();

// The names of the columns a statement writes, in that order.
QStringList columnNames(Written statement);

} // namespace policy
