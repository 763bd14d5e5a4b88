// The window as the device operations see it: the port choice, the status
// line, the two logs, the boxes, the progress bar of one page and the
// configuration buttons, locked while the port is in use.  One sink per
// page, each giving its own page's progress bar.
#pragma once

#include "device_link/operation_sink.h"

namespace korvel {

class MainWindow;

class WindowSink : public OperationSink {
public:
    WindowSink(MainWindow& window, ProgressRole role) : window_(window), role_(role) {}

    QString portName() const override;
    void status(Status status, const QString& detail = QString()) override;
    void box(Box box, const Outcome& about = Outcome()) override;
    void configLog(const QString& data) override;
    void logNote(LogNote note) override;
    void settingRefused(Setting setting) override;
    Gauge& progress() override;
    void portInUse(bool inUse) override;
    void processMessages() override;

private:
    MainWindow& window_;
    ProgressRole role_;
};

}  // namespace korvel
