#pragma once

#include <QObject>
#include <QString>

namespace testsupport {

// The project's source folder, as the build knew it: the rig's scripts and
// schema are found from there, whatever the working folder.
QString sourceDir();

// What a test program needs before its application object exists, so that
// one run by hand does what CTest does: the offscreen platform unless
// another is named, and the settings, data, cache and Documents folders in a
// private temporary place, so that the developer's own koravel3.ini (or the
// machine's) never points a test at a real server, and no test writes into
// the developer's own folders.
void prepareEnvironment();

// The base of every test class: the toolkit's test main calls initMain()
// before it makes the application.
class KitTest : public QObject {
public:
    static void initMain() { prepareEnvironment(); }
};

} // namespace testsupport
