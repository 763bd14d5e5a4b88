// The window as the device operations see it (OperationHost): the port
// choice, the status line, the two logs, the boxes, the gauges and the
// controls an operation may focus or lock.
#pragma once

#include "operation_host.h"

namespace korvel {

class MainWindow;

class WindowHost : public OperationHost {
public:
    explicit WindowHost(MainWindow& window) : window_(window) {}

    QString portName() const override;
    void statusReport(const QString& text) override;
    void setStatusLine(const QString& text) override;
    void appendProductionLog(const QString& text) override;
    void appendConfigLog(const QString& text) override;
    void errorBox(const QString& text, BoxButtons buttons) override;
    void fileErrorBox(const QString& text) override;
    Gauge& gauge(GaugeId id) override;
    void setControlEnabled(Control control, bool enabled) override;
    void focusControl(Control control) override;
    void processMessages() override;

private:
    MainWindow& window_;
};

}  // namespace korvel
