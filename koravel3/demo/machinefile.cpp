#include "machinefile.h"

// The run command's program only, linked before the program's library so
// that this definition wins: the machine's file is the one scripts/run.sh
// writes for the demo server, in the build folder, never the machine's own.
QString machineSettingsFile() {
    return QStringLiteral(KORAVEL_DEMO_MACHINE_INI);
}
