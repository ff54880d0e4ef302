#include "support/printqueue.h"
#include "support/environment.h"

#include "core/config.h"

#include <QDebug>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace testsupport::printqueue {

namespace {

QString rigDir() {
    const QString configured = qEnvironmentVariable("KORAVEL_CUPS_DIR");
    if (!configured.isEmpty())
        return configured;
    return sourceDir() + QStringLiteral("/.rig/test/cups-") +
           QString::fromUtf8(config::databaseHost);
}

QString socketPath() {
    return rigDir() + QStringLiteral("/cups.sock");
}

// Runs a program with the rig's server; its standard output, or a null
// string when it did not exit with 0.
QString run(const QString &program, const QStringList &arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("CUPS_SERVER"), socketPath());
    environment.insert(QStringLiteral("KORAVEL_DB_HOST"), QString::fromUtf8(config::databaseHost));
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        qWarning().noquote() << program << arguments.join(QLatin1Char(' '))
                             << "failed:" << process.readAllStandardError();
        return QString();
    }
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    return out.isNull() ? QStringLiteral("") : out;
}

QStringList jobDocuments() {
    QDir spool(rigDir() + QStringLiteral("/spool"));
    QStringList paths;
    for (const QString &name : spool.entryList({QStringLiteral("d*-001")}, QDir::Files, QDir::Name))
        paths << spool.filePath(name);
    return paths;
}

} // namespace

void useRigServer() {
    qputenv("CUPS_SERVER", socketPath().toLocal8Bit());
}

bool serverRunning() {
    return run(QStringLiteral("lpstat"), {QStringLiteral("-r")})
        .contains(QLatin1String("is running"));
}

QStringList documentsPrintedDuring(const std::function<void()> &action) {
    const QStringList before = jobDocuments();
    action();
    QStringList added;
    for (const QString &path : jobDocuments())
        if (!before.contains(path))
            added << path;
    return added;
}

bool removeQueue() {
    return !run(QStringLiteral("lpadmin"), {QStringLiteral("-x"), QStringLiteral("talons")})
                .isNull();
}

bool restoreQueue() {
    return !run(QStringLiteral("bash"), {sourceDir() + QStringLiteral("/scripts/cups.sh"),
                                         QStringLiteral("start"), QStringLiteral("--test")})
                .isNull();
}

QList<Word> words(const QString &pdf) {
    QList<Word> found;
    const QString xhtml =
        run(QStringLiteral("pdftotext"),
            {QStringLiteral("-bbox"), QStringLiteral("-f"), QStringLiteral("1"),
             QStringLiteral("-l"), QStringLiteral("1"), pdf, QStringLiteral("-")});
    static const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">"
        "([^<]*)</word>"));
    for (auto it = word.globalMatch(xhtml); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QPointF topLeft(m.captured(1).toDouble(), m.captured(2).toDouble());
        const QPointF bottomRight(m.captured(3).toDouble(), m.captured(4).toDouble());
        QString text = m.captured(5);
        text.replace(QLatin1String("&apos;"), QLatin1String("'"))
            .replace(QLatin1String("&quot;"), QLatin1String("\""))
            .replace(QLatin1String("&lt;"), QLatin1String("<"))
            .replace(QLatin1String("&gt;"), QLatin1String(">"))
            .replace(QLatin1String("&amp;"), QLatin1String("&"));
        found.append({text, QRectF(topLeft, bottomRight)});
    }
    return found;
}

QImage render(const QString &pdf, int dpi) {
    QTemporaryDir dir;
    const QString prefix = dir.filePath(QStringLiteral("page"));
    if (run(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"), QStringLiteral("1"),
             QStringLiteral("-l"), QStringLiteral("1"), QStringLiteral("-singlefile"),
             QStringLiteral("-png"), pdf, prefix})
            .isNull())
        return QImage();
    return QImage(prefix + QStringLiteral(".png"));
}

QSizeF pageSize(const QString &pdf) {
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    static const QRegularExpression size(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts"));
    const QRegularExpressionMatch m = size.match(info);
    return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
}

} // namespace testsupport::printqueue
