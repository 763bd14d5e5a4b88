// What a device operation needs from the window it runs in: status reports,
// logs, message boxes, gauges, enabling controls, focus, the port name and
// pumping pending window messages.  The window implements it; tests record it.
#pragma once

#include <QString>

namespace korvel {

enum class BoxButtons { Ok, Abort };

// The three progress gauges of the window: the configuration page's
// (Config_Progress), the firmware update page's (CGauge1) and the production
// page's (CGauge2).
enum class GaugeId { Config_Progress, CGauge1, CGauge2 };

// The controls an operation may focus, enable or disable.
enum class Control {
    PortChoice,               // COMPort
    WriteConfiguration,       // SaveConfig
    ReadConfiguration,        // ReadConfig
    ResetController,          // ResetCntrl
    Gprs2Period,              // GPRS2_Period
    Gprs3Address,             // GPRS3_IP_Edit
};

// The window's object name of a control ("COMPort" for PortChoice, ...).
const char* controlObjectName(Control control);

class Gauge {
public:
    virtual ~Gauge() = default;
    virtual void setMin(int value) = 0;
    virtual void setMax(int value) = 0;
    // Clamped to [min, max].
    virtual void setProgress(int value) = 0;
    virtual int progress() const = 0;
    virtual int min() const = 0;
    virtual int max() const = 0;
    virtual void setVisible(bool visible) = 0;
    virtual bool isVisible() const = 0;
    void addProgress(int step) { setProgress(progress() + step); }
};

class OperationHost {
public:
    virtual ~OperationHost() = default;

    // The text of the port choice, read afresh on every call.
    virtual QString portName() const = 0;

    // The status line, repainted at once, and the same text appended as a
    // new line of the production log.
    virtual void statusReport(const QString& text) = 0;
    // Status line only (repainted at once), without the production log copy.
    virtual void setStatusLine(const QString& text) = 0;
    // A new line (or lines, where the text holds line ends) at the end of the
    // production log.
    virtual void appendProductionLog(const QString& text) = 0;
    // A new line (or lines) at the end of the configuration log.
    virtual void appendConfigLog(const QString& text) = 0;

    // Modal box of the error kind with one button; the answer is not used.
    virtual void errorBox(const QString& text, BoxButtons buttons) = 0;
    // Plain box captioned "File Error" with OK and Cancel.
    virtual void fileErrorBox(const QString& text) = 0;

    virtual Gauge& gauge(GaugeId id) = 0;

    virtual void setControlEnabled(Control control, bool enabled) = 0;
    virtual void focusControl(Control control) = 0;

    // Lets the window process pending messages (repaint, input).
    virtual void processMessages() = 0;
};

}  // namespace korvel
