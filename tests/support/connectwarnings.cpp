#include "support/connectwarnings.h"

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

} // namespace

void failOnConnectWarnings() {
    if (!previousHandler)
        previousHandler = qInstallMessageHandler(handler);
}

} // namespace testsupport
