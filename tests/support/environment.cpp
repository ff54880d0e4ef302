#include "support/environment.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

namespace testsupport {

QString sourceDir() {
    return QStringLiteral(KORAVEL_SOURCE_DIR);
}

namespace {
bool agentMode = false;
} // namespace

bool agentAccounts() {
    return agentMode;
}

void prepareEnvironment(Accounts accounts) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef Q_OS_WIN
    // On Windows the tests run in a Wine prefix made for them alone: the
    // user's own folders (%APPDATA%, %ProgramData%, Documents) are theirs,
    // and what they prove.
    return;
#endif
    // Removed when the program ends.
    static QTemporaryDir home(QDir::tempPath() + QStringLiteral("/koravel-test-XXXXXX"));
    const struct {
        const char *variable;
        const char *folder;
    } folders[] = {{"XDG_CONFIG_HOME", "config"},
                   {"XDG_CONFIG_DIRS", "system"},
                   {"XDG_DATA_HOME", "data"},
                   {"XDG_CACHE_HOME", "cache"}};
    for (const auto &folder : folders) {
        const QString path = home.filePath(QLatin1String(folder.folder));
        QDir().mkpath(path);
        qputenv(folder.variable, QFile::encodeName(path));
    }
    QDir().mkpath(home.filePath(QStringLiteral("Documents")));
    QFile userDirs(home.filePath(QStringLiteral("config/user-dirs.dirs")));
    if (userDirs.open(QIODevice::WriteOnly))
        userDirs.write("XDG_DOCUMENTS_DIR=\"" +
                       QFile::encodeName(home.filePath(QStringLiteral("Documents"))) + "\"\n");
    // The toolkit reads the machine's file from /etc/xdg whatever
    // XDG_CONFIG_DIRS says.
    QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope,
                       home.filePath(QStringLiteral("system")));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       home.filePath(QStringLiteral("config")));
    // Every window test in agent mode proves that an agent's own role is
    // enough for its flow.
    agentMode = accounts == Accounts::Agent &&
                qEnvironmentVariable("KORAVEL_TEST_ACCOUNTS") != QLatin1String("counter");
    if (agentMode) {
        QDir().mkpath(home.filePath(QStringLiteral("system/Koravel")));
        QFile machine(home.filePath(QStringLiteral("system/Koravel/koravel3.ini")));
        if (machine.open(QIODevice::WriteOnly))
            machine.write("[database]\naccounts=agent\n");
    }
}

} // namespace testsupport
