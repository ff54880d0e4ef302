#pragma once

#include <QString>

class QSettings;

// Where the program finds the agency's database server. The administrator
// writes an INI file, group "database", keys host, port, user and password,
// each optional: a key that is missing keeps the value compiled into the
// program. The machine-wide file (/etc/xdg/Koravel/koravel3.ini on Linux,
// Koravel\koravel3.ini under ProgramData on Windows) applies to every
// account; the user's own file (~/.config/Koravel/koravel3.ini) overrides it
// key by key, unless the machine's file says locked=true. The TLS keys
// ssl_ca, ssl_cert and ssl_key, and accounts, are read from the machine's
// file only: a user must not be able to trust another server, nor to choose
// how agents log in.
namespace connection {

inline constexpr char databaseName[] = "assurebdd";
inline constexpr int defaultPort = 3306;

struct Settings {
    QString host;
    int port = defaultPort;
    QString user;
    QString password;
    // The agency CA's PEM file; with it the connection must be encrypted
    // and the server's certificate signed by that CA.
    QString sslCa;
    // The counter's client certificate and key, optional.
    QString sslCert;
    QString sslKey;
    // The machine's file alone names the server and the account.
    bool locked = false;
    // accounts=agent: each agent logs in to the server with the name and
    // password typed on the login page, and no INI file holds an account.
    bool agentAccounts = false;
};

// The values compiled into the program.
Settings compiledIn();

// The four keys of group "database" read from settings over the compiled-in
// values. A blank host or user keeps the compiled-in one; a port that is not
// a number from 1 to 65535 gives 3306, with a warning.
Settings read(const QSettings &settings);

// The settings of a connection: the server and account from the machine's
// settings with the user's over them key by key, or from the machine's alone
// when it says locked=true; the TLS files and the kind of accounts from the
// machine's. With agent accounts, user and password are left empty for the
// login page's. Each of the two is read alone (no fallbacks to other files).
Settings read(const QSettings &user, const QSettings &machine);

// The client library's options: short timeouts, and the TLS files when a CA
// is set. Empty when a TLS file name holds a character that the option
// string cannot carry (";"), which must refuse the connection rather than
// let it go unverified.
QString connectOptions(const Settings &settings);

// True for localhost and the loopback addresses (127.0.0.0/8, ::1).
bool isLoopback(const QString &host);

// The line the status bar shows, e.g.
// "Serveur : 192.0.2.10:3306 (base assurebdd, compte agnt)", followed by
// " : connexion impossible" when the connection did not open, or by the
// cipher of a connection encrypted and verified (cipher not empty); then a
// warning when a server other than this machine is reached with the
// demonstration password compiled into the program.
QString describe(const Settings &settings, bool opened, const QString &cipher = QString());

// True for the error codes of a connection that is gone, which a new
// connection may cure: refused or unreachable server, server gone away or
// lost during the statement, the connection killed or timed out by the
// server, a server shutting down, and the server's own network read and
// write errors.
bool isLostConnectionCode(const QString &nativeCode);

// True for the server's refusal of an account or its password: the server
// answers, the agent typed something wrong.
bool isRefusedAccountCode(const QString &nativeCode);

} // namespace connection
