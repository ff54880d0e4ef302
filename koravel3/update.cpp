#include "core/config.h"
#include "core/version.h"
#include "downloadlimits.h"
#include "koravel3.h"
#include "signature.h"
#include "ui_koravel3.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QMetaEnum>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace {

// The reply property that carries the signed digest of the release the agent
// accepted, from the offer to the saving of the download.
const char expectedSha256Property[] = "koravelExpectedSha256";

const char failureTitle[] = "Échec de la mise à jour";

// A diagnostic line: the fixed text, a blank unless the text ends with one,
// then the value as it is (no quotes added).
void diagnostic(const char *fixed, const QString &value) {
    const QString text = QString::fromUtf8(fixed);
    qDebug().noquote().nospace() << text << (text.endsWith(QLatin1Char(' ')) ? "" : " ") << value;
}

// A failed step told to the agent: a French sentence, the technical cause
// beneath it.
void showFailure(QWidget *parent, const QString &sentence, const QString &cause) {
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(failureTitle), sentence,
                    QMessageBox::Ok, parent);
    box.setInformativeText(cause);
    box.exec();
}

// On Windows the installer is the program's own (NSIS), and /S installs it
// without a wizard: the agent has said Yes to the offer already, and the
// program stays open meanwhile. /D= names the folder this copy runs from,
// which the agent may have chosen at the first installation; NSIS wants it
// last and unquoted, blanks included, hence a native argument. Elsewhere
// the installer is started as it is.
void setInstallerArguments(QProcess &process) {
#ifdef Q_OS_WIN
    process.setArguments({QStringLiteral("/S")});
    process.setNativeArguments(QStringLiteral("/D=") +
                               QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
#else
    Q_UNUSED(process);
#endif
}

// In the user's own data folder: the program's folder is not writable for an
// agent (Program Files on Windows).
QString installerPath() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    return folder.isEmpty() ? QString() : QDir(folder).filePath(QStringLiteral("update.exe"));
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

// Writes the installer beside the old one and renames it over, so that a
// failed write never leaves a truncated installer to run. Empty on success,
// otherwise what went wrong.
QString saveInstaller(const QString &path, const QByteArray &body) {
    if (path.isEmpty())
        return QStringLiteral("aucun dossier de données pour cet utilisateur");
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return QStringLiteral("impossible de créer le dossier ") + folder;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    file.write(body);
    if (!file.commit())
        return file.errorString();
    makeExecutable(path);
    return QString();
}

// Why the manifest offers nothing, or empty text when it is a newer release
// signed by one of the agency's keys.
QString refusal(const version::Manifest &manifest) {
    const QList<QByteArray> keys = signature::trustedKeys();
    if (keys.isEmpty())
        return QStringLiteral("aucune clé publique intégrée : ce programme n'a pas de canal de "
                              "mise à jour");
    const QString defect = version::defect(manifest, QString::fromUtf8(config::applicationVersion));
    if (!defect.isEmpty())
        return defect;
    const QByteArray signature =
        version::decodeBase64(manifest.signature, version::signatureSize).value_or(QByteArray());
    const QByteArray message = version::signedMessage(manifest.version, manifest.sha256);
    const auto signs = [&](const QByteArray &key) {
        return signature::verify(key, message, signature);
    };
    if (std::none_of(keys.cbegin(), keys.cend(), signs))
        return QStringLiteral("signature non valide pour la clé de l'agence");
    return QString();
}

} // namespace

void Koravel3::checkForUpdates() {
    const QString address = QString::fromUtf8(config::updateManifestUrl);
    const QString defect = version::addressDefect(address);
    if (!defect.isEmpty()) {
        diagnostic("Error checking for updates: ", defect);
        return;
    }
    if (!updateChecks) {
        updateChecks = new QNetworkAccessManager(this);
        connect(updateChecks, &QNetworkAccessManager::finished, this, &Koravel3::onNetworkReply);
    }
    downloadlimits::get(updateChecks, QUrl(address), version::manifestLimit);
}

void Koravel3::onNetworkReply(QNetworkReply *reply) {
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError) {
        // A manifest too long or too slow offers nothing, as an invalid one.
        const QString abandoned = downloadlimits::abandoned(reply);
        diagnostic("Error checking for updates: ",
                   abandoned.isEmpty() ? reply->errorString() : abandoned);
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

    const QString refused = refusal(*manifest);
    if (!refused.isEmpty()) {
        diagnostic("Update not offered: ", refused);
        return;
    }
    QMessageBox offer(QMessageBox::Information, QStringLiteral("Mise à jour disponible"),
                      QStringLiteral("Une nouvelle version du logiciel est disponible. Voulez-vous "
                                     "mettre à jour?"),
                      QMessageBox::Yes | QMessageBox::No);
    if (offer.exec() != QMessageBox::Yes)
        return;
    ui->progressBar->setValue(0);
    ui->progressBar->show();
    // This manifest's own address and digest: downloadUrl may already hold
    // those of a check that ended while the offer was open.
    downloadInstaller(manifest->downloadUrl, manifest->sha256);
}

void Koravel3::downloadUpdate() {
    // A download needs the signed digest of a release the agent accepted,
    // which only the offer holds; alone, this slot fetches nothing.
    diagnostic("Error downloading update: ",
               QStringLiteral("aucune mise à jour signée acceptée, rien n'est téléchargé"));
}

void Koravel3::downloadInstaller(const QString &address, const QString &expectedSha256) {
    const QString defect = version::addressDefect(address);
    if (!defect.isEmpty()) {
        failDownload(defect);
        return;
    }
    auto *manager = new QNetworkAccessManager(this);
    QNetworkReply *reply =
        downloadlimits::get(manager, QUrl(address, QUrl::TolerantMode), version::installerLimit);
    reply->setProperty(expectedSha256Property, expectedSha256);
    connect(manager, &QNetworkAccessManager::finished, this, &Koravel3::onDownloadFinished);
    connect(manager, &QNetworkAccessManager::sslErrors, this, &Koravel3::onSslErrors);
    connect(reply, &QNetworkReply::downloadProgress, this, &Koravel3::onDownloadProgress);
}

void Koravel3::failDownload(const QString &cause) {
    diagnostic("Error downloading update: ", cause);
    ui->progressBar->hide();
    showFailure(this, QStringLiteral("Le téléchargement de la mise à jour a échoué."), cause);
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
    const QString abandoned = downloadlimits::abandoned(reply);
    if (!abandoned.isEmpty()) {
        QTimer::singleShot(0, this, [this, abandoned] { failDownload(abandoned); });
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        failDownload(reply->errorString());
        return;
    }
    const QByteArray body = reply->readAll();
    const QString expected = reply->property(expectedSha256Property).toString();
    if (!version::isSha256Hex(expected) || version::sha256Hex(body) != expected) {
        failDownload(QStringLiteral("empreinte SHA-256 différente de celle du manifeste signé"));
        return;
    }
    const QString saveError = saveInstaller(installerPath(), body);
    if (!saveError.isEmpty()) {
        diagnostic("Error saving update file: ", saveError);
        ui->progressBar->hide();
        showFailure(
            this, QStringLiteral("La mise à jour n'a pas pu être enregistrée sur cet ordinateur."),
            saveError);
        return;
    }
    ui->progressBar->hide();

    QMessageBox::information(this, QStringLiteral("Mise à jour téléchargée"),
                             QStringLiteral("La mise à jour a été téléchargée avec succès. "
                                            "L'installation va maintenant démarrer."));
    runInstaller(expected);
}

void Koravel3::startInstaller() {
    // Only a file whose digest a signed release vouches for is run, and that
    // digest comes with the download; alone, this slot starts nothing.
    diagnostic("Error starting update: ",
               QStringLiteral("aucune empreinte signée pour update.exe, rien n'est lancé"));
}

void Koravel3::runInstaller(const QString &expectedSha256) {
    const QString path = installerPath();
    diagnostic("chemin :", path);
    // Read again from disk: the file may have been replaced while the
    // "downloaded" box was open.
    const std::optional<QString> onDisk = signature::fileSha256Hex(path);
    if (onDisk != expectedSha256) {
        const QString cause =
            onDisk
                ? QStringLiteral("empreinte SHA-256 %1 au lieu de %2").arg(*onDisk, expectedSha256)
                : QStringLiteral("fichier illisible : ") + path;
        diagnostic("Error starting update: ", cause);
        showFailure(this,
                    QStringLiteral("Le fichier téléchargé a été modifié depuis sa vérification ; "
                                   "il n'a pas été lancé."),
                    cause);
        return;
    }
    auto *process = new QProcess(this);
    connect(process, &QProcess::finished, this, &Koravel3::onInstallerFinished);
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        // A crash after the start reaches onInstallerFinished; only a start
        // that failed (no finished signal then) is reported here.
        if (error != QProcess::FailedToStart)
            return;
        const QString cause = process->errorString();
        process->deleteLater();
        diagnostic("Error starting update: ", cause);
        showFailure(this, QStringLiteral("Le programme d'installation n'a pas pu être démarré."),
                    cause);
    });
    process->setProgram(path);
    setInstallerArguments(*process);
    process->start(QIODevice::ReadWrite);
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
    QMessageBox::critical(this, QString::fromUtf8(failureTitle),
                          QStringLiteral("L'installation de la mise à jour a échoué : %1 "
                                         "(code de sortie : %2).")
                              .arg(cause)
                              .arg(exitCode));
}
