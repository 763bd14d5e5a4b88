// How a command shows what its devices tell on the terminal: JSON lines, or
// the status lines on stderr and the station's live lines, and the log file,
// all at once; and the command's end as its exit code (under --json with the
// result as the last line).
#pragma once

#include <QJsonObject>
#include <memory>

#include "cli/json_lines.h"
#include "cli/live_lines.h"
#include "cli/options.h"
#include "cli/status_lines.h"
#include "device_link/outcome.h"

namespace korvel::cli {

struct Shown {
    std::unique_ptr<JsonEvents> json;
    std::unique_ptr<StatusLines> statusLines;
    std::unique_ptr<LiveLines> live;
    EventFanout all;
};

// One device: its status lines on stderr, the progress as a bar there when
// it is a terminal.
Shown singleShown(const Args& a);

// The station: on a terminal one live line per port in place of the status
// lines (still written on stderr when that is no terminal); a watching
// station has its live lines always and no status lines.
Shown stationShown(const Args& a, bool watch);

// The command's exit code from its outcome; under --json, the outcome as the
// last line (type "result") with `more`.
int finished(const Args& a, const Outcome& outcome, const QJsonObject& more = {});

}  // namespace korvel::cli
