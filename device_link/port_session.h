// One port connection: the port named in the port choice owned for the duration of
// one operation.  Opening checks the choice and raises the port boxes;
// closing (DTR down, handle closed) and reporting the port free again happen
// on every path, also when the dialogue throws.
#pragma once

#include <memory>

#include <vector>

#include "device_link/operation_context.h"
#include "device_link/outcome.h"
#include "device_link/serial/port_holders.h"

namespace korvel {

class PortSession {
public:
    explicit PortSession(OperationContext& ctx);
    ~PortSession();
    PortSession(const PortSession&) = delete;
    PortSession& operator=(const PortSession&) = delete;

    // Port selection check, open, read settings.  On failure the box is
    // raised and false is returned.  Operations that
    // set the line without looking at the port's current settings pass
    // readSettingsFirst = false.
    bool open(bool readSettingsFirst = true);

    // One attempt to open the chosen port again, without any message and
    // without reading its settings; false when the port can't be opened.
    bool tryReopen();
    // Reads the settings of a port opened by tryReopen(); on failure the
    // port-unusable message is shown, the port closed and false returned.
    bool readSettingsAfterReopen();

    // Reports the port in use (the configuration, read and reset do); it is
    // reported free again by markFree() or when the session ends.
    void markInUse();
    void markFree();

    // Line settings, time-outs, driver queues, DTR up.  When the settings or
    // the time-outs are refused the rest is skipped and false returned;
    // with stopOnRefusal = false every step is still taken.
    bool configure(const Timeouts& timeouts, bool stopOnRefusal = true);

    // Applies other time-outs part-way through a dialogue.
    bool setTimeouts(const Timeouts& timeouts);
    const Timeouts& timeouts() const { return timeouts_; }

    // How the last open(), tryReopen() or readSettingsAfterReopen() failed,
    // as the outcome of `operation`.
    Outcome failure() const;

    SerialPort& port() { return *port_; }
    bool isOpen() const { return port_ && port_->isOpen(); }

    // DTR down, handle closed.  Safe to call more than once.
    void close();

private:
    void portUnusable(const QString& name, OpenFailure failure,
                      const std::vector<PortHolder>& holders = {},
                      const QString& message = QString());

    OperationContext& ctx_;
    std::unique_ptr<SerialPort> port_;
    LineSettings settings_;
    Timeouts timeouts_;
    bool inUse_ = false;
    Result failed_ = Result::Done;
    OpenFailure openFailure_ = OpenFailure::None;
    QString systemMessage_;
    std::vector<PortHolder> holders_;
    QString failedName_;
};

}  // namespace korvel
