#pragma once

#include <QHash>
#include <QList>
#include <QString>

// The servers a counter may work with: the host key of the INI file names
// one, or the nodes of a cluster in the order the counter tries them.
namespace connection {

struct Address {
    QString host;
    int port = 0;
};

// The addresses of a host key, in its order: "db1,db2,db3" (each on the
// port key), "db1:3307,db2:3308" (a port of its own), "[fd00::1]:3307" (an
// IPv6 address with a port, in brackets; without a port the brackets may be
// left out). Blanks around an entry and empty entries are ignored; an entry
// whose port is not a number from 1 to 65535 keeps the port key.
QList<Address> addresses(const QString &hostKey, int port);

// The variables a counter asks a server for, lower case, to decide whether
// it takes statements: status ready and local state, settings on and
// reject queries.
inline constexpr char readyVariable[] = "wsrep_ready";
inline constexpr char stateVariable[] = "wsrep_local_state";
inline constexpr char onVariable[] = "wsrep_on";
inline constexpr char rejectVariable[] = "wsrep_reject_queries";

// Whether a server with these variables takes the agent's statements. A
// server whose replication is off (or that has none) is no cluster node: it
// serves. A Galera node serves when it is ready and synced with its cluster
// (state 4) and takes every client's queries: a donor or a joiner, a node
// desynchronised or put out of service for maintenance, or cut off from the
// cluster's primary component does not. Keys are the names in lower case.
bool serves(const QHash<QString, QString> &variables);

// True for the refusal of a node that has left its cluster's primary
// component or is kept out of service (wsrep_reject_queries): another node
// may serve.
bool isNodeRefusalCode(const QString &nativeCode);

} // namespace connection
