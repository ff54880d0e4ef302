#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The pages that the program sends to the print queue, read back from the
// queue's spool directory, where the print server keeps the PDF document of
// every job.
namespace printedpage {

// The job documents that appeared in the spool directory while the action
// ran, oldest first.
QStringList printedDuring(const QString &spoolDir, const std::function<void()> &action);

// Renders the first page of the PDF at 96 dpi (the printer's own device
// units), frames it with a thin grey line so that the white sheet stands out
// on a white page, and saves it as PNG. False, with the reason, on failure.
bool renderPage(const QString &pdf, const QString &png, QString &error);

} // namespace printedpage
