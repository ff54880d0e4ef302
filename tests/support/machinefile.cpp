#include "machinefile.h"

#include <QSettings>

// A source of every test program but the Windows one, linked before the
// program's library so that its definition is never pulled in: the machine's
// file is the one of the folder the kit gives the system scope (a temporary
// folder of the test's own), never the developer's /etc/xdg.
QString machineSettingsFile() {
    return QSettings(QSettings::IniFormat, QSettings::SystemScope, QStringLiteral("Koravel"),
                     QStringLiteral("koravel3"))
        .fileName();
}
