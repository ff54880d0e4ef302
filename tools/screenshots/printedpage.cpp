#include "printedpage.h"

#include "driver.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

namespace printedpage {

namespace {

QStringList jobDocuments(const QString &spoolDir) {
    QDir spool(spoolDir);
    QStringList paths;
    for (const QString &name : spool.entryList({QStringLiteral("d*-001")}, QDir::Files, QDir::Name))
        paths << spool.filePath(name);
    return paths;
}

} // namespace

QStringList printedDuring(const QString &spoolDir, const std::function<void()> &action) {
    const QStringList before = jobDocuments(spoolDir);
    action();
    QStringList added;
    // The print server writes the document while it takes the job in.
    driver::waitUntil(
        [&] {
            added.clear();
            for (const QString &path : jobDocuments(spoolDir))
                if (!before.contains(path) && QFileInfo(path).size() > 0)
                    added << path;
            return !added.isEmpty();
        },
        10000);
    return added;
}

bool renderPage(const QString &pdf, const QString &png, QString &error) {
    QTemporaryDir dir;
    const QString prefix = dir.filePath(QStringLiteral("page"));
    QProcess pdftoppm;
    pdftoppm.start(QStringLiteral("pdftoppm"),
                   {QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-f"),
                    QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
                    QStringLiteral("-singlefile"), QStringLiteral("-png"), pdf, prefix});
    if (!pdftoppm.waitForFinished(60000) || pdftoppm.exitStatus() != QProcess::NormalExit ||
        pdftoppm.exitCode() != 0) {
        error = QStringLiteral("pdftoppm failed on %1: %2")
                    .arg(pdf, QString::fromLocal8Bit(pdftoppm.readAllStandardError()));
        return false;
    }
    QImage page(prefix + QStringLiteral(".png"));
    if (page.isNull()) {
        error = QStringLiteral("pdftoppm wrote no image for %1").arg(pdf);
        return false;
    }
    page = page.convertToFormat(QImage::Format_RGB32);
    QPainter painter(&page);
    painter.setPen(QColor(160, 160, 160));
    painter.drawRect(page.rect().adjusted(0, 0, -1, -1));
    painter.end();
    if (!page.save(png, "PNG")) {
        error = QStringLiteral("cannot write %1").arg(png);
        return false;
    }
    return true;
}

} // namespace printedpage
