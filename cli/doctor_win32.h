// The Windows side of korvel-cli doctor: the ports the registry lists, and
// the FTDI driver's latency timer of each adapter, read from any registry
// key so that tests give it a tree of their own.
#pragma once

#include <windows.h>

#include <QString>
#include <QStringList>
#include <vector>

#include "cli/doctor.h"

namespace korvel::cli {

// The FTDI driver keeps each adapter under `enumPath` (below `root`) as
// DEVICE\INSTANCE\Device Parameters with its PortName and LatencyTimer.
// One result per adapter whose port is in `ports` (all of them when empty);
// a warning's detail is the adapter's key below `root`.
std::vector<CheckResult> ftdiLatencyChecks(HKEY root, const QString& enumPath, const QStringList& ports);

// Where Windows keeps the FTDI adapters, below HKEY_LOCAL_MACHINE.
extern const char kFtdiEnumPath[];

}  // namespace korvel::cli
