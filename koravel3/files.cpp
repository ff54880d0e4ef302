#include "files.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>
#include <QStandardPaths>

#include <functional>

namespace files {

namespace {

QString created(const QString &path) {
    QDir().mkpath(path);
    return path;
}

QString save(const QString &path, QIODevice::OpenMode mode,
             const std::function<bool(QSaveFile &)> &write) {
    // The temporary file is renamed over the target at the end: a device
    // such as /dev/full would be replaced by a plain file.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile())
        return QStringLiteral("ce n'est pas un fichier ordinaire");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | mode))
        return file.errorString();
    // The bytes still buffered are written by flush(); a full disk shows
    // there, and commit() would not notice it.
    if (!write(file) || !file.flush()) {
        const QString cause = file.errorString();
        file.cancelWriting();
        return cause.isEmpty() ? QStringLiteral("écriture impossible") : cause;
    }
    if (!file.commit())
        return file.errorString();
    return QString();
}

} // namespace

QString exportFolder() {
    return created(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}

QString dataFolder(const QString &subfolder) {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    return created(subfolder.isEmpty() ? base : base + QLatin1Char('/') + subfolder);
}

QString certificatePath(const QString &key) {
    return dataFolder(QStringLiteral("qrcodes")) + QLatin1Char('/') + key;
}

QString writeText(const QString &path, const QString &text) {
    const QByteArray bytes = text.toUtf8();
    return save(path, QIODevice::Text,
                [&bytes](QSaveFile &file) { return file.write(bytes) == bytes.size(); });
}

QString writePng(const QString &path, const QImage &image) {
    return save(path, QIODevice::NotOpen,
                [&image](QSaveFile &file) { return image.save(&file, "PNG"); });
}

} // namespace files
