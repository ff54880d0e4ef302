#include "core/connectionsettings.h"

#include "core/config.h"

#include <QDebug>
#include <QRegularExpression>
#include <QSettings>
#include <QStringList>
#include <QVariant>

namespace connection {

namespace {

// An unquoted value with a comma comes back from an INI file as a list of
// its pieces; put them back together so that such a password still works.
QString text(const QVariant &value) {
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

} // namespace

Settings compiledIn() {
    Settings settings;
    settings.host = QString::fromUtf8(config::databaseHost);
    settings.port = defaultPort;
    settings.user = QStringLiteral("agnt");
    settings.password = QStringLiteral("tulvo");
    return settings;
}

namespace {

// The keys present in settings over out: a blank host or user keeps the
// earlier one, a port that is not a number from 1 to 65535 gives 3306.
void overlay(const QSettings &settings, Settings &out) {
    const QString group = QStringLiteral("database/");
    const QString host = text(settings.value(group + QLatin1String("host"))).trimmed();
    if (!host.isEmpty())
        out.host = host;
    const QString user = text(settings.value(group + QLatin1String("user"))).trimmed();
    if (!user.isEmpty())
        out.user = user;
    if (settings.contains(group + QLatin1String("password")))
        out.password = text(settings.value(group + QLatin1String("password")));
    if (settings.contains(group + QLatin1String("port"))) {
        const QString port = text(settings.value(group + QLatin1String("port"))).trimmed();
        bool isNumber = false;
        const int number = port.toInt(&isNumber);
        if (isNumber && number >= 1 && number <= 65535) {
            out.port = number;
        } else {
            out.port = defaultPort;
            qWarning().noquote() << "koravel3.ini : port invalide" << port << "; port"
                                 << defaultPort << "utilisé";
        }
    }
}

} // namespace

Settings read(const QSettings &settings) {
    Settings out = compiledIn();
    overlay(settings, out);
    return out;
}

Settings read(const QSettings &user, const QSettings &machine) {
    const QString group = QStringLiteral("database/");
    // The machine's file, then the user's over it key by key, each read on
    // its own: no other file of the toolkit's search path takes part.
    Settings out = read(machine);
    out.locked = machine.value(group + QLatin1String("locked")).toBool();
    if (!out.locked)
        overlay(user, out);
    out.sslCa = text(machine.value(group + QLatin1String("ssl_ca"))).trimmed();
    out.sslCert = text(machine.value(group + QLatin1String("ssl_cert"))).trimmed();
    out.sslKey = text(machine.value(group + QLatin1String("ssl_key"))).trimmed();
    out.agentAccounts =
        text(machine.value(group + QLatin1String("accounts"))).trimmed() == QLatin1String("agent");
    if (out.agentAccounts) {
        out.user.clear();
        out.password.clear();
    }
    return out;
}

QString connectOptions(const Settings &settings) {
    // An unreachable server must not freeze the window for the client
    // library's default of several minutes.
    QString options = QStringLiteral(
        "MYSQL_OPT_CONNECT_TIMEOUT=3;MYSQL_OPT_READ_TIMEOUT=30;MYSQL_OPT_WRITE_TIMEOUT=30");
    if (settings.sslCa.isEmpty())
        return options;
    const struct {
        const char *option;
        const QString &file;
    } files[] = {
        {"SSL_CA", settings.sslCa}, {"SSL_CERT", settings.sslCert}, {"SSL_KEY", settings.sslKey}};
    for (const auto &file : files) {
        if (file.file.contains(QLatin1Char(';')))
            return QString();
        if (!file.file.isEmpty())
            options += QLatin1Char(';') + QLatin1String(file.option) + QLatin1Char('=') + file.file;
    }
    return options;
}

bool isLoopback(const QString &host) {
    static const QRegularExpression ipv4Loopback(
        QStringLiteral("\\A127\\.[0-9]{1,3}\\.[0-9]{1,3}\\.[0-9]{1,3}\\z"));
    const QString h = host.trimmed().toLower();
    return h == QLatin1String("localhost") || h == QLatin1String("::1") ||
           h == QLatin1String("[::1]") || ipv4Loopback.match(h).hasMatch();
}

QString describe(const Settings &settings, bool opened, const QString &cipher) {
    // An IPv6 address takes brackets so that its port stays readable.
    const QString host = settings.host.contains(QLatin1Char(':'))
                             ? QLatin1Char('[') + settings.host + QLatin1Char(']')
                             : settings.host;
    const QString account = settings.agentAccounts && settings.user.isEmpty()
                                ? QStringLiteral("comptes des agents")
                                : QStringLiteral("compte ") + settings.user;
    QString line = QStringLiteral("Serveur : %1:%2 (base %3, %4)")
                       .arg(host)
                       .arg(settings.port)
                       .arg(QLatin1String(databaseName), account);
    if (!opened)
        line += QStringLiteral(" : connexion impossible");
    else if (!cipher.isEmpty())
        line += QStringLiteral(" : connexion chiffrée (%1)").arg(cipher);
    if (!settings.agentAccounts && !isLoopback(settings.host) &&
        settings.password == compiledIn().password)
        line += QStringLiteral(" — mot de passe par défaut : demandez un compte et un mot de "
                               "passe propres à ce poste au responsable du serveur");
    return line;
}

bool isLostConnectionCode(const QString &nativeCode) {
    static const QStringList codes{
        QStringLiteral("2002"), QStringLiteral("2003"), QStringLiteral("2006"),
        QStringLiteral("2013"), QStringLiteral("2055"), QStringLiteral("1927"),
        QStringLiteral("4031"), QStringLiteral("1053"), QStringLiteral("1158"),
        QStringLiteral("1159"), QStringLiteral("1160"), QStringLiteral("1161")};
    return codes.contains(nativeCode);
}

bool isRefusedAccountCode(const QString &nativeCode) {
    // ER_ACCESS_DENIED_ERROR, and ER_ACCESS_DENIED_NO_PASSWORD_ERROR for an
    // empty password.
    return nativeCode == QLatin1String("1045") || nativeCode == QLatin1String("1698");
}

} // namespace connection
