#include "core/config.h"
#include "core/version.h"
#include "koravel3.h"
#include "ui_koravel3.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QMetaEnum>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QUrl>

namespace {

// The reply property that carries the digest published with the manifest
// from the offer to the saving of the download.
const char expectedSha256Property[] = "koravelExpectedSha256";

// A diagnostic line: the fixed text, a blank unless the text ends with one,
// then the value as it is (no quotes added).
void diagnostic(const char *fixed, const QString &value) {
    const QString text = QString::fromUtf8(fixed);
    qDebug().noquote().nospace() << text << (text.endsWith(QLatin1Char(' ')) ? "" : " ") << value;
}

QString installerPath() {
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("update.exe"));
}

// The downloaded file must be runnable where new files are not executable.
void makeExecutable(const QString &path) {
    QFile::Permissions permissions = QFile::permissions(path);
    permissions |= QFileDevice::ExeOwner | QFileDevice::ExeUser;
    if (permissions & QFileDevice::ReadGroup)
        permissions |= QFileDevice::ExeGroup;
    if (permissions & QFileDevice::ReadOther)
        permissions |= QFileDevice::ExeOther;
    QFile::setPermissions(path, permissions);
}

} // namespace

void Koravel3::checkForUpdates() {
    auto *manager = new QNetworkAccessManager(this);
    connect(manager, &QNetworkAccessManager::finished, this, &Koravel3::onNetworkReply);
    manager->get(QNetworkRequest(QUrl(QString::fromUtf8(config::updateManifestUrl))));
}

void Koravel3::onNetworkReply(QNetworkReply *reply) {
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError) {
        diagnostic("Error checking for updates: ", reply->errorString());
        return;
    }
    const QByteArray body = reply->readAll();
    qDebug().noquote().nospace() << "reponse :" << QString::fromUtf8(body);
    const std::optional<version::Manifest> manifest = version::readManifest(body);
    if (!manifest)
        return;
    diagnostic("lv:", manifest->version);
    downloadUrl = manifest->downloadUrl;
    diagnostic("du:", downloadUrl);

    if (!version::isNewer(manifest->version, QString::fromUtf8(config::applicationVersion)))
        return;
    QMessageBox offer(QMessageBox::Information, QStringLiteral("Mise à jour disponible"),
                      QStringLiteral("Une nouvelle version du logiciel est disponible. Voulez-vous "
                                     "mettre à jour?"),
                      QMessageBox::Yes | QMessageBox::No);
    if (offer.exec() != QMessageBox::Yes)
        return;
    ui->progressBar->setValue(0);
    ui->progressBar->show();
    downloadInstaller(manifest->sha256);
}

void Koravel3::downloadUpdate() {
    downloadInstaller(QString());
}

void Koravel3::downloadInstaller(const QString &expectedSha256) {
    const QUrl url(downloadUrl, QUrl::TolerantMode);
    // The file is executed: it may only come from an authenticated server.
    if (url.scheme() != QLatin1String("https")) {
        diagnostic("Error downloading update: ",
                   QStringLiteral("adresse refusée, seul https est accepté : ") + downloadUrl);
        return;
    }
    auto *manager = new QNetworkAccessManager(this);
    QNetworkReply *reply = manager->get(QNetworkRequest(url));
    reply->setProperty(expectedSha256Property, expectedSha256);
    connect(manager, &QNetworkAccessManager::finished, this, &Koravel3::onDownloadFinished);
    connect(manager, &QNetworkAccessManager::sslErrors, this, &Koravel3::onSslErrors);
    connect(reply, &QNetworkReply::downloadProgress, this, &Koravel3::onDownloadProgress);
}

void Koravel3::onDownloadProgress(qint64 bytesReceived, qint64 bytesTotal) {
    const int percent = version::progressPercent(bytesReceived, bytesTotal);
    if (percent >= 0)
        ui->progressBar->setValue(percent);
}

void Koravel3::onSslErrors(QNetworkReply *, const QList<QSslError> &) {
    // Deliberately empty: the errors are not ignored, so the transfer fails.
}

void Koravel3::onDownloadFinished(QNetworkReply *reply) {
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError) {
        diagnostic("Error downloading update: ", reply->errorString());
        return;
    }
    const QByteArray body = reply->readAll();
    const QString expected = reply->property(expectedSha256Property).toString();
    if (!expected.isEmpty() && !version::sha256Matches(body, expected)) {
        diagnostic("Error downloading update: ",
                   QStringLiteral("empreinte SHA-256 différente de celle du manifeste"));
        return;
    }

    // Written beside and renamed over the old file, so that a failed write
    // never leaves a truncated installer to run.
    const QString path = installerPath();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        diagnostic("Error saving update file: ", file.errorString());
        return;
    }
    file.write(body);
    if (!file.commit()) {
        diagnostic("Error saving update file: ", file.errorString());
        return;
    }
    makeExecutable(path);
    ui->progressBar->hide();

    QMessageBox::information(this, QStringLiteral("Mise à jour téléchargée"),
                             QStringLiteral("La mise à jour a été téléchargée avec succès. "
                                            "L'installation va maintenant démarrer."));
    startInstaller();
}

void Koravel3::startInstaller() {
    const QString path = installerPath();
    diagnostic("chemin :", path);
    auto *process = new QProcess(this);
    connect(process, &QProcess::finished, this, &Koravel3::onInstallerFinished);
    process->start(path, QStringList(), QIODevice::ReadWrite);
}

void Koravel3::onInstallerFinished(int exitCode, QProcess::ExitStatus exitStatus) {
    const char *status = QMetaEnum::fromType<QProcess::ExitStatus>().valueToKey(exitStatus);
    qDebug().noquote().nospace() << "L'installateur s'est terminé avec le code de sortie : "
                                 << exitCode << " et le statut de sortie : " << status;
    if (exitStatus == QProcess::NormalExit && exitCode == 0) {
        QMessageBox::information(this, QStringLiteral("Mise à jour Terminée"),
                                 QStringLiteral("La mise à jour a été installée avec succès. "
                                                "Vous pouvez redémarrer l'application."));
        return;
    }
    // A failed installation must not be announced as a success.
    const QString cause = exitStatus == QProcess::CrashExit
                              ? QStringLiteral("l'installateur s'est arrêté brutalement")
                              : QStringLiteral("l'installateur a signalé une erreur");
    QMessageBox::critical(this, QStringLiteral("Échec de la mise à jour"),
                          QStringLiteral("L'installation de la mise à jour a échoué : %1 "
                                         "(code de sortie : %2).")
                              .arg(cause)
                              .arg(exitCode));
}
