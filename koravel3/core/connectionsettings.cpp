#include "core/connectionsettings.h"

#include "core/config.h"

#include <QDebug>
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

Settings read(const QSettings &settings) {
    Settings out = compiledIn();
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
        if (isNumber && number >= 1 && number <= 65535)
            out.port = number;
        else
            qWarning().noquote() << "koravel3.ini : port invalide" << port << "; port"
                                 << defaultPort << "utilisé";
    }
    return out;
}

QString describe(const Settings &settings, bool opened) {
    // An IPv6 address takes brackets so that its port stays readable.
    const QString host = settings.host.contains(QLatin1Char(':'))
                             ? QLatin1Char('[') + settings.host + QLatin1Char(']')
                             : settings.host;
    QString line = QStringLiteral("Serveur : %1:%2 (base %3, compte %4)")
                       .arg(host)
                       .arg(settings.port)
                       .arg(QLatin1String(databaseName), settings.user);
    if (!opened)
        line += QStringLiteral(" : connexion impossible");
    return line;
}

} // namespace connection
