#include "koravel3.h"
#include "ui_koravel3.h"

void Koravel3::checkForUpdates() {}
void Koravel3::downloadUpdate() {}
void Koravel3::onNetworkReply(QNetworkReply *) {}
void Koravel3::onDownloadFinished(QNetworkReply *) {}
void Koravel3::onSslErrors(QNetworkReply *, const QList<QSslError> &) {}
void Koravel3::startInstaller() {}
void Koravel3::onInstallerFinished(int, QProcess::ExitStatus) {}
void Koravel3::onDownloadProgress(qint64, qint64) {}
