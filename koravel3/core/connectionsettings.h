#pragma once

#include <QString>

class QSettings;

// Where the program finds the agency's database server. The administrator
// writes an INI file, group "database", keys host, port, user and password,
// each optional: a key that is missing keeps the value compiled into the
// program. The machine-wide file (/etc/xdg/Koravel/koravel3.ini on Linux,
// the same file under ProgramData on Windows) applies to every account; the
// user's own file (~/.config/Koravel/koravel3.ini) overrides it key by key.
namespace connection {

inline constexpr char databaseName[] = "assurebdd";
inline constexpr int defaultPort = 3306;

struct Settings {
    QString host;
    int port = defaultPort;
    QString user;
    QString password;
};

// The values compiled into the program.
Settings compiledIn();

// The four keys of group "database" read from settings over the compiled-in
// values. A blank host or user keeps the compiled-in one; a port that is not
// a number from 1 to 65535 gives 3306, with a warning.
Settings read(const QSettings &settings);

// The line the status bar shows, e.g.
// "Serveur : 192.0.2.10:3306 (base assurebdd, compte agnt)", followed by
// " : connexion impossible" when the connection did not open.
QString describe(const Settings &settings, bool opened);

} // namespace connection
