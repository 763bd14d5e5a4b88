// A sink that shows nothing: every report goes nowhere and its bar stays at
// 0.  Sinks that show only some reports (the terminal's, a benchmark's)
// override those; doctor's check, which reports its open failure as its
// result, uses it as it is.
#pragma once

#include "device_link/operation_sink.h"

namespace korvel {

class QuietSink : public OperationSink {
public:
    explicit QuietSink(QString port = QString()) : port_(std::move(port)) {}
    QString portName() const override { return port_; }
    void status(Status, const QString& = QString()) override {}
    void box(Box, const Outcome& = Outcome()) override {}
    void configLog(const QString&) override {}
    void logNote(LogNote) override {}
    void settingRefused(Setting) override {}
    Gauge& progress() override { return gauge_; }
    void portInUse(bool) override {}
    void processMessages() override {}

protected:
    QString port_;

private:
    NullGauge gauge_;
};

}  // namespace korvel
