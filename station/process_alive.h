// Whether a process of this machine still runs: how a station judges a lease
// held on its own machine.
#pragma once

#include <QtGlobal>

namespace korvel::store {

// False for a process that has ended (on Linux also one ended but not yet
// waited for by its parent) or a number no process can have.
bool processRunning(qint64 pid);

}  // namespace korvel::store
