#include "machinefile.h"

#include "core/config.h"

#ifdef Q_OS_WIN
#include <shlobj.h>
#endif

QString machineSettingsFile() {
    const QString compiledIn = QString::fromUtf8(config::machineIni);
    if (!compiledIn.isEmpty())
        return compiledIn;
#ifdef Q_OS_WIN
    // The known folder itself, not %ProgramData%, which a user may change.
    PWSTR folder = nullptr;
    QString path;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, &folder)))
        path = QString::fromWCharArray(folder) + QStringLiteral("/Koravel/koravel3.ini");
    CoTaskMemFree(folder);
    return path;
#else
    return QString();
#endif
}
