// The terminal as the operations' sink: status reports as lines on stderr
// (or JSON lines), boxes as error lines, a progress bar for transfers; the
// exit code comes from the outcome.
#pragma once

#include <QString>
#include <mutex>

#include "operation_sink.h"
#include "outcome.h"

namespace korvel::cli {

enum ExitCode { kDone = 0, kFailed = 1, kUsage = 2, kPortUnusable = 3 };

// A usage or input error: the message and where the help is, on stderr.
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

class TerminalHost : public OperationSink {
public:
    // `label` prefixes every line (the port, when several devices run at once).
    TerminalHost(QString port, QString label, bool json, bool quiet = false);

    QString portName() const override { return port_; }
    void status(Status status, const QString& detail = QString()) override;
    void box(Box box, const Outcome& about = Outcome()) override;
    void configLog(const QString&) override {}
    void logNote(LogNote) override {}
    void settingRefused(Setting) override {}
    Gauge& progress() override { return gauge_; }
    void portInUse(bool) override {}
    void processMessages() override {}

    void showProgress(int percent);
    void line(const char* kind, const QString& text);

private:
    QString port_, label_;
    bool json_, quiet_;
    TerminalGauge gauge_{*this};
};

// One lock for every line written to the terminal.
std::mutex& outputLock();

}  // namespace korvel::cli
