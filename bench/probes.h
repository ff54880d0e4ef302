#pragma once

#include "results.h"

// The start of the program and its memory, each measured in a process of
// its own so that nothing the benchmark did before is counted.
namespace probes {

// How the database server looks to a starting program.
enum class Server {
    Up,         // listening on the compiled-in address
    Refused,    // nothing listens there: the connection is refused at once
    Unreachable // the address does not answer at all (packets are lost)
};

// Starts this program in probe mode `repetitions` times and measures from
// the exec of the process to the first paint of the login page. Refused and
// Unreachable run the probe in a network namespace of its own (unshare -n):
// an empty loopback for a refused connection, and a route of the address
// into a link nobody answers on for a host that does not answer.
ActionResult measureStart(const QString &program, Server server, int repetitions);

// Starts this program in memory mode: log in as the agent, run the cash-desk
// report over one year, then read the peak resident size (VmHWM).
MemoryResult measureMemory(const QString &program, int policies, const QString &user,
                           const QString &password);

// The probe modes themselves (run in the child process).
int startProbe();
int memoryProbe(const QString &user, const QString &password);

} // namespace probes
