#include "core/nodes.h"

namespace connection {

namespace {

// A port from 1 to 65535, or -1.
int portOf(const QString &text) {
    bool number = false;
    const int port = text.toInt(&number);
    return number && port >= 1 && port <= 65535 ? port : -1;
}

Address parse(const QString &entry, int port) {
    if (entry.startsWith(QLatin1Char('['))) {
        const qsizetype close = entry.indexOf(QLatin1Char(']'));
        if (close > 0) {
            const QString rest = entry.mid(close + 1);
            const int own = rest.startsWith(QLatin1Char(':')) ? portOf(rest.mid(1)) : -1;
            return {entry.mid(1, close - 1), own > 0 ? own : port};
        }
    }
    // One colon: a name or an IPv4 address with its port. More: an IPv6
    // address without one.
    if (entry.count(QLatin1Char(':')) == 1) {
        const qsizetype colon = entry.indexOf(QLatin1Char(':'));
        const int own = portOf(entry.mid(colon + 1));
        return {entry.left(colon).trimmed(), own > 0 ? own : port};
    }
    return {entry, port};
}

} // namespace

QList<Address> addresses(const QString &hostKey, int port) {
    QList<Address> list;
    for (const QString &piece : hostKey.split(QLatin1Char(','))) {
        const QString entry = piece.trimmed();
        if (entry.isEmpty())
            continue;
        const Address address = parse(entry, port);
        if (!address.host.isEmpty())
            list << address;
    }
    return list;
}

bool serves(const QHash<QString, QString> &variables) {
    const auto is = [&](const char *name, const char *value) {
        return variables.value(QLatin1String(name))
                   .compare(QLatin1String(value), Qt::CaseInsensitive) == 0;
    };
    if (!is(onVariable, "ON"))
        return true;
    const QString reject = variables.value(QLatin1String(rejectVariable));
    return (reject.isEmpty() || is(rejectVariable, "NONE")) && is(readyVariable, "ON") &&
           is(stateVariable, "4");
}

bool isNodeRefusalCode(const QString &nativeCode) {
    // ER_UNKNOWN_COM_ERROR, which a Galera node answers to every statement
    // while it is not in service ("WSREP has not yet prepared node for
    // application use").
    return nativeCode == QLatin1String("1047");
}

} // namespace connection
