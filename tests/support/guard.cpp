#include "support/guard.h"

#include <QCoreApplication>
#include <QSettings>
#include <QString>
#include <QTest>

namespace testsupport {

namespace {

QtMessageHandler previousHandler = nullptr;

void handler(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    if (message.contains(QLatin1String("connectSlotsByName")))
        QTest::qFail(qPrintable(QStringLiteral("unconnected slot: ") + message), __FILE__,
                     __LINE__);
    if (previousHandler)
        previousHandler(type, context, message);
}

// Qt 6.4 reads the machine-wide koravel3.ini from /etc/xdg whatever
// XDG_CONFIG_DIRS says: follow the suite's XDG_CONFIG_DIRS here, so that a
// machine whose administrator pointed the program at a real agency server
// never runs the tests against it. Every window test links this file.
void isolateMachineSettings() {
    const QString dirs = qEnvironmentVariable("XDG_CONFIG_DIRS");
    if (!dirs.isEmpty())
        QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope,
                           dirs.section(QLatin1Char(':'), 0, 0));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(isolateMachineSettings)

void failOnConnectWarnings() {
    if (!previousHandler)
        previousHandler = qInstallMessageHandler(handler);
}

} // namespace testsupport
