// The terminal as the operations' sink: status reports and boxes as lines,
// the progress bar's moves, each handed as events to the ways the command
// shows them (status lines on stderr, JSON lines, live lines, a log file);
// the exit code comes from the outcome.
#pragma once

#include <QString>
#include <optional>

#include "cli/events.h"
#include "device_link/quiet_sink.h"
#include "device_link/outcome.h"

namespace korvel::cli {

enum ExitCode { kDone = 0, kFailed = 1, kUsage = 2, kPortUnusable = 3 };

// A usage or input error: the message and where the help is, on stderr
// (under --json, an object of type "usage" on stdout).
int usage(const QString& message);

// 0 done, 3 for a port that could not be chosen, opened or reopened, 1 else.
int exitCode(const Outcome& outcome);

class TerminalGauge : public Gauge {
public:
    TerminalGauge(class TerminalHost& host) : host_(host) {}
    void setMin(int v) override { min_ = v; }
    void setMax(int v) override { max_ = v; }
    void setProgress(int v) override;
    int progress() const override { return pos_; }
    int min() const override { return min_; }
    int max() const override { return max_; }
    void setVisible(bool) override {}
    bool isVisible() const override { return true; }

private:
    TerminalHost& host_;
    int min_ = 0, max_ = 100, pos_ = 0, lastShown_ = -1;
};

// Shows the status reports and boxes as lines and the bar's moves; the rest
// goes nowhere.
class TerminalHost : public QuietSink {
public:
    TerminalHost(QString port, Events& events) : QuietSink(std::move(port)), events_(events) {}

    void status(Status status, const QString& detail = QString()) override;
    void box(Box box, const Outcome& about = Outcome()) override;
    Gauge& progress() override { return gauge_; }

    // The chain's link that runs now (its progress is that link's).
    void setLink(std::optional<ChainLink> link);
    void showProgress(int percent);
    void line(LineKind kind, const QString& text) { events_.line(port_, kind, text); }

private:
    Events& events_;
    std::optional<ChainLink> link_;
    bool transfer_ = false;  // an image opened: the gauge counts its bytes
    TerminalGauge gauge_{*this};
};

}  // namespace korvel::cli
