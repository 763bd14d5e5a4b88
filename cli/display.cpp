#include "cli/display.h"

#include "cli/terminal.h"
#include "cli/terminal_host.h"

namespace korvel::cli {

Shown singleShown(const Args& a) {
    Shown shown;
    if (a.json) shown.json = std::make_unique<JsonEvents>();
    else shown.statusLines = std::make_unique<StatusLines>(stderr, StatusLines::Form{false, isTerminal(stderr), false});
    shown.all.add(shown.json.get());
    shown.all.add(shown.statusLines.get());
    shown.all.add(a.log.get());
    return shown;
}

Shown stationShown(const Args& a, bool watch) {
    Shown shown;
    if (a.json) {
        shown.json = std::make_unique<JsonEvents>();
    } else {
        const bool redraw = takesCursorControl(stdout);
        if (redraw || watch) shown.live = std::make_unique<LiveLines>(stdout, redraw);
        if (shown.live) shown.live->setPorts(a.ports);
        if (!watch && !(redraw && isTerminal(stderr)))
            shown.statusLines = std::make_unique<StatusLines>(stderr, StatusLines::Form{true, false, false});
    }
    shown.all.add(shown.json.get());
    shown.all.add(shown.live.get());
    shown.all.add(shown.statusLines.get());
    shown.all.add(a.log.get());
    return shown;
}

int finished(const Args& a, const Outcome& outcome, const QJsonObject& more) {
    const int code = exitCode(outcome);
    if (!a.json) return code;
    QJsonObject result = outcomeJson(outcome);
    for (auto it = more.begin(); it != more.end(); ++it) result.insert(it.key(), it.value());
    result.insert("type", "result");
    result.insert("command", a.command);
    result.insert("port", a.port);
    result.insert("exit_code", code);
    writeJsonLine(result);
    return code;
}

}  // namespace korvel::cli
