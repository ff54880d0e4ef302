#pragma once

#include <QObject>
#include <QString>

namespace testsupport {

// The project's source folder, as the build knew it: the rig's scripts and
// schema are found from there, whatever the working folder.
QString sourceDir();

// How the suite's agents reach the server: each with his own account
// (accounts=agent in the machine's file, the deployment for more than one
// room), or all through the counter's shared one.
enum class Accounts { Agent, Counter };

// What a test program needs before its application object exists, so that
// one run by hand does what CTest does: the offscreen platform unless
// another is named, and the settings, data, cache and Documents folders in a
// private temporary place, so that the developer's own koravel3.ini (or the
// machine's) never points a test at a real server, and no test writes into
// the developer's own folders. The machine's file there says the accounts;
// the environment's KORAVEL_TEST_ACCOUNTS=counter makes every program use
// the counter's.
void prepareEnvironment(Accounts accounts = Accounts::Agent);

// True when the kit's machine file says accounts=agent: the kit's agents
// then get their server accounts. A test that writes its own machine file
// chooses for itself.
bool agentAccounts();

// The base of every test class: the toolkit's test main calls initMain()
// before it makes the application.
class KitTest : public QObject {
public:
    static void initMain() { prepareEnvironment(); }
};

} // namespace testsupport
