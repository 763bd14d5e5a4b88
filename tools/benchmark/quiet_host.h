// A window stand-in for the benchmarks: shows nothing, remembers the boxes.
#pragma once

#include <QStringList>
#include <algorithm>

#include "operation_host.h"

namespace korvel {

class QuietGauge : public Gauge {
public:
    void setMin(int v) override { min_ = v; }
    void setMax(int v) override { max_ = v; }
    void setProgress(int v) override { pos_ = std::clamp(v, min_, std::max(min_, max_)); }
    int progress() const override { return pos_; }
    int min() const override { return min_; }
    int max() const override { return max_; }
    void setVisible(bool) override {}
    bool isVisible() const override { return false; }

private:
    int min_ = 0, max_ = 100, pos_ = 0;
};

class QuietHost : public OperationHost {
public:
    QString port;
    QStringList boxes;
    QString lastLog;
    QString portName() const override { return port; }
    void statusReport(const QString&) override {}
    void setStatusLine(const QString&) override {}
    void appendProductionLog(const QString&) override {}
    void appendConfigLog(const QString& text) override { lastLog = text; }
    void errorBox(const QString& text, BoxButtons) override { boxes << text; }
    void fileErrorBox(const QString& text) override { boxes << text; }
    Gauge& gauge(GaugeId) override { return gauge_; }
    void setControlEnabled(Control, bool) override {}
    void focusControl(Control) override {}
    void processMessages() override {}

private:
    QuietGauge gauge_;
};

}  // namespace korvel
