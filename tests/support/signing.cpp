#include "support/signing.h"
#include "support/environment.h"

#include <QFile>
#include <QJsonDocument>
#include <QProcess>

#include <optional>

namespace testsupport {

namespace {

// The standard output of a command that must succeed; nothing when it failed.
std::optional<QByteArray> run(const QString &program, const QStringList &arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        qWarning("%s failed: %s", qPrintable(program), process.readAllStandardError().constData());
        return std::nullopt;
    }
    return process.readAllStandardOutput();
}

QString releaseTool() {
    return sourceDir() + QStringLiteral("/tools/sign-update");
}

bool writeFile(const QString &path, const QByteArray &data) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

} // namespace

ReleaseKey::ReleaseKey()
    : keyPath(dir.filePath(QStringLiteral("agence-maj.pem"))) {
    if (!dir.isValid() || !run(QStringLiteral("openssl"),
                               {QStringLiteral("genpkey"), QStringLiteral("-algorithm"),
                                QStringLiteral("ed25519"), QStringLiteral("-out"), keyPath}))
        return;
    base64PublicKey = QString::fromLatin1(
        run(QStringLiteral("bash"), {releaseTool(), QStringLiteral("--public-key"), keyPath})
            .value_or(QByteArray())
            .trimmed());
}

QString ReleaseKey::signature(const QString &version, const QString &sha256) const {
    const QString message = dir.filePath(QStringLiteral("message"));
    if (!writeFile(message, version.toUtf8() + '\n' + sha256.toUtf8()))
        return QString();
    return QString::fromLatin1(
        run(QStringLiteral("openssl"),
            {QStringLiteral("pkeyutl"), QStringLiteral("-sign"), QStringLiteral("-rawin"),
             QStringLiteral("-inkey"), keyPath, QStringLiteral("-in"), message})
            .value_or(QByteArray())
            .toBase64());
}

QJsonObject ReleaseKey::publish(const QByteArray &installer, const QString &version,
                                const QString &downloadUrl) const {
    const QString path = dir.filePath(QStringLiteral("koravel-setup.exe"));
    if (!writeFile(path, installer))
        return QJsonObject();
    return QJsonDocument::fromJson(
               run(QStringLiteral("bash"), {releaseTool(), keyPath, path, version, downloadUrl})
                   .value_or(QByteArray()))
        .object();
}

} // namespace testsupport
