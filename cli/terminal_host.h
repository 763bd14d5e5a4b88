// The operations' window stand-in for a terminal: status reports as lines on
// stderr (or JSON lines), error boxes as error lines, a progress bar for
// transfers, and a record of what went wrong for the exit code.
#pragma once

#include <QString>
#include <mutex>

#include "operation_host.h"
#include "outcome.h"

namespace korvel::cli {

enum ExitCode { kDone = 0, kFailed = 1, kUsage = 2, kPortUnusable = 3 };

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

class TerminalHost : public OperationHost {
public:
    // `label` prefixes every line (the port, when several devices run at once).
    TerminalHost(QString port, QString label, bool json, bool quiet = false);

    QString portName() const override { return port_; }
    void statusReport(const QString& text) override;
    void setStatusLine(const QString& text) override;
    void appendProductionLog(const QString&) override {}
    void appendConfigLog(const QString&) override {}
    void errorBox(const QString& text, BoxButtons buttons) override;
    void fileErrorBox(const QString& text) override;
    Gauge& gauge(GaugeId) override { return gauge_; }
    void setControlEnabled(Control, bool) override {}
    void focusControl(Control) override {}
    void processMessages() override {}

    void progress(int percent);
    void line(const char* kind, const QString& text);

private:
    QString port_, label_;
    bool json_, quiet_;
    TerminalGauge gauge_{*this};
};

// One lock for every line written to the terminal.
std::mutex& outputLock();

}  // namespace korvel::cli
