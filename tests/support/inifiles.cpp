#include "support/inifiles.h"
#include "support/environment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace testsupport {

IniFiles::IniFiles() {
    QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, root.filePath("system"));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, root.filePath("user"));
    write("system", QStringLiteral("\n"));
}

IniFiles::~IniFiles() {
    // Back to the folders the suite's environment names.
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME", QDir::homePath() + "/.config");
    const QString system =
        qEnvironmentVariable("XDG_CONFIG_DIRS", "/etc/xdg").section(QLatin1Char(':'), 0, 0);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config);
    QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, system);
}

bool writeIniFile(const QString &path, const QString &lines) {
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(("[database]\n" + lines).toUtf8()) > 0;
}

bool IniFiles::write(const char *scope, const QString &lines) const {
    // The machine's file keeps the suite's kind of accounts unless it names
    // its own.
    QString text = lines;
    if (agentAccounts() && QLatin1String(scope) == QLatin1String("system") &&
        !lines.contains(QLatin1String("accounts=")))
        text += QLatin1String("\naccounts=agent\n");
    return lines.isEmpty() ||
           writeIniFile(root.filePath(QLatin1String(scope) + "/Koravel/koravel3.ini"), text);
}

} // namespace testsupport
