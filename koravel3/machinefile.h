#pragma once

#include <QString>

// The absolute path of the machine's koravel3.ini, which names the agency's
// server, its CA and whether the user's own file may change them. Defined
// alone in machinefile.cpp: the test programs link their own definition,
// which points at a folder of their own.
QString machineSettingsFile();
