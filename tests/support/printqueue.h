#pragma once

#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <functional>

namespace testsupport {

// The rig's private print server (scripts/cups.sh): a CUPS queue "talons"
// that is the default printer and keeps the PDF document of every job.
namespace printqueue {

// Points this process's printing at the rig's server. Call before anything
// touches the print system (first thing in initTestCase), so that a test
// never prints on the machine's real printer.
void useRigServer();

// True when the rig's server answers.
bool serverRunning();

// The job documents printed while the action ran, oldest first.
QStringList documentsPrintedDuring(const std::function<void()> &action);

// Deletes the queue, so that the machine has no printer at all, and puts it
// back (through the rig script) as the default printer.
bool removeQueue();
bool restoreQueue();

// Each word of the document's first page with its box in points, as
// pdftotext -bbox gives it.
struct Word {
    QString text;
    QRectF box;
};
QList<Word> words(const QString &pdf);

// The first page rendered at the given resolution by pdftoppm.
QImage render(const QString &pdf, int dpi);

// Page size in points (pdfinfo).
QSizeF pageSize(const QString &pdf);

} // namespace printqueue
} // namespace testsupport
