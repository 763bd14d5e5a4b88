// korvel-cli's JSON lines (--json): every line on stdout is one compact JSON
// object, its "type" telling what it is.  A device's status and error
// lines ("status", "error", their text riding along), its progress
// ("progress": the link, bytes done and total of an image transfer or the
// bar's value and max), the chain's links ("link_begin", "link_end" with the
// typed outcome), a device's end ("device_end" with its record as the export
// writes it), the station's notices; then the command's result or the
// station's summary as the last object.
#pragma once

#include <QJsonObject>
#include <QString>

#include "cli/events.h"

namespace korvel::cli {

// Whether the command runs with --json; set once, before anything is shown.
void setJsonOutput(bool on);
bool jsonOutput();

// One object as one line on stdout, whole even when threads write at once.
void writeJsonLine(const QJsonObject& object);

// A message of korvel-cli's own (a usage error, a store that failed, a
// notice): under --json an object of `type` with `fields` and the text,
// else "korvel-cli: TEXT" on stderr.
void tell(const char* type, QJsonObject fields, const QString& text);

// An operation's outcome, typed: its result and step, why the port could not
// be used, and what the device told on the way.
QJsonObject outcomeJson(const Outcome& outcome);

class JsonEvents : public LockedEvents {
    void showLine(const QString& port, LineKind kind, const QString& text) override;
    void showProgress(const QString& port, std::optional<ChainLink> link, const ProgressMark& mark) override;
    void showLinkBegins(const QString& port, ChainLink link, int attempt) override;
    void showLinkEnds(const QString& port, ChainLink link, const LinkEnd& end) override;
    void showDeviceEnds(const store::ProductionRecord& record) override;
    void showNotice(Notice notice, const QString& text) override;
};

}  // namespace korvel::cli
