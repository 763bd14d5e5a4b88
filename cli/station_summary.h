// What a production station's run comes to, once its devices have ended:
// one row per device (port, module, versions, serial number and its state,
// each link's outcome), the first-pass yield (devices done without any link
// run again, of all) and the ports to redo with the command line that runs
// the same station on them alone.  As a table on stdout, or under --json as
// the run's last JSON line (type "summary").
#pragma once

#include <QStringList>

#include "cli/production_station.h"

namespace korvel::cli {

// The command line that runs the same station again on `ports` alone.
// Numbers given by hand (--serial) are not given again: they went, in the
// order of the first run's ports, to devices that may hold them now.
QString redoCommand(const QStringList& argv, const QStringList& ports);

// `argv` as the station was started; `watch` for station --watch, which
// names no command to redo.  `exitCode` is the one the run ends with.
void printStationTable(const StationRun& run, const QStringList& argv, bool watch);
void writeStationSummary(const StationRun& run, const QStringList& argv, bool watch, int exitCode);

}  // namespace korvel::cli
