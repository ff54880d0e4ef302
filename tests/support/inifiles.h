#pragma once

#include <QString>
#include <QTemporaryDir>

namespace testsupport {

// Writes a koravel3.ini holding the "database" group, making its folder.
bool writeIniFile(const QString &path, const QString &lines);

// The machine's and the user's koravel3.ini, in a temporary folder for as
// long as this lives: the window reads its server from them at each
// connection.
class IniFiles {
public:
    IniFiles();
    ~IniFiles();
    IniFiles(const IniFiles &) = delete;
    IniFiles &operator=(const IniFiles &) = delete;

    // Writes the "database" group of one scope's file ("system" or "user");
    // an empty text writes no file. The machine's file says the suite's
    // accounts (agentAccounts()) unless the lines name theirs.
    bool write(const char *scope, const QString &lines) const;

private:
    QTemporaryDir root;
};

} // namespace testsupport
