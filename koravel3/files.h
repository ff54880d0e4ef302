#pragma once

#include <QString>

class QImage;

// Where the program writes its files, and how: always in folders the user
// may write to, and through a temporary file renamed at the end, so that a
// failed write never leaves a half-written file behind.
namespace files {

// The folder the CSV save dialog opens in: the user's documents, created
// when missing.
QString exportFolder();

// The program's own per-user data folder, and a folder in it; created when
// missing.
QString dataFolder(const QString &subfolder = QString());

// The certificate picture of a key: "qrcodes/<key>" in the data folder.
QString certificatePath(const QString &key);

// Writes the text in UTF-8 without a byte order mark, line feeds turned into
// the platform's line ends. An empty result on success, otherwise the cause,
// in French; the file is then left as it was.
QString writeText(const QString &path, const QString &text);

// The same for an image in PNG.
QString writePng(const QString &path, const QImage &image);

} // namespace files
