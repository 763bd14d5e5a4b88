#include "device_link/port_session.h"

namespace korvel {

PortSession::PortSession(OperationContext& ctx) : ctx_(ctx) {}

PortSession::~PortSession() {
    close();
    markFree();
}

Outcome PortSession::failure() const {
    Outcome o = Outcome::ended(failed_,
                               QString::fromLatin1(failed_ == Result::NoPortChosen
                                                       ? stage::kPortChoice
                                                       : failed_ == Result::PortNotReopened
                                                             ? stage::kReopen
                                                             : stage::kPortOpen));
    o.openFailure = openFailure_;
    o.systemMessage = systemMessage_;
    o.holders = holders_;
    o.portName = failedName_;
    return o;
}

void PortSession::portUnusable(const QString& name, OpenFailure failure,
                               const std::vector<PortHolder>& holders, const QString& message) {
    failed_ = Result::PortUnusable;
    openFailure_ = failure;
    systemMessage_ = message;
    holders_ = holders;
    failedName_ = name;
    Outcome about;
    about.openFailure = failure;
    about.systemMessage = message;
    about.holders = holders;
    about.portName = name;
    ctx_.sink.box(box::PortUnusable, about);
}

bool PortSession::open(bool readSettingsFirst) {
    const QString name = ctx_.sink.portName();
    if (name.isEmpty()) {
        failed_ = Result::NoPortChosen;
        ctx_.sink.box(box::NoPortChosen);
        return false;
    }
    const std::string path = devicePathForPortName(name.toStdString());
    port_ = ctx_.ports.create();
    if (path.empty() || !port_->open(path)) {
        const OpenFailure failure = path.empty() ? OpenFailure::Other : port_->openFailure();
        const QString message =
            path.empty() ? QString() : QString::fromStdString(port_->openFailureMessage());
        port_.reset();
        portUnusable(
            name, failure,
            failure == OpenFailure::Busy ? findPortHolders(path) : std::vector<PortHolder>{},
            message);
        return false;
    }
    settings_ = LineSettings{};
    if (readSettingsFirst && !port_->readSettings(settings_)) {
        port_->close();
        port_.reset();
        portUnusable(name, OpenFailure::Other);
        return false;
    }
    return true;
}

bool PortSession::tryReopen() {
    close();
    const std::string path = devicePathForPortName(ctx_.sink.portName().toStdString());
    if (path.empty()) {
        failed_ = Result::PortNotReopened;
        return false;
    }
    port_ = ctx_.ports.create();
    if (!port_->open(path)) {
        port_.reset();
        failed_ = Result::PortNotReopened;
        return false;
    }
    settings_ = LineSettings{};
    return true;
}

bool PortSession::readSettingsAfterReopen() {
    if (port_ && port_->readSettings(settings_)) return true;
    close();
    portUnusable(ctx_.sink.portName(), OpenFailure::Other);
    return false;
}

void PortSession::markInUse() {
    ctx_.sink.portInUse(true);
    inUse_ = true;
}

void PortSession::markFree() {
    if (!inUse_) return;
    inUse_ = false;
    ctx_.sink.portInUse(false);
}

bool PortSession::configure(const Timeouts& timeouts, bool stopOnRefusal) {
    timeouts_ = timeouts;
    applyCommunicatorLineSettings(settings_);
    bool accepted = port_->applySettings(settings_);
    if (!accepted && stopOnRefusal) return false;
    accepted = port_->setTimeouts(timeouts) && accepted;
    if (!accepted && stopOnRefusal) return false;
    port_->setQueues(kDriverQueueSize, kDriverQueueSize);
    port_->setDtr(true);
    return accepted;
}

bool PortSession::setTimeouts(const Timeouts& timeouts) {
    timeouts_ = timeouts;
    return port_->setTimeouts(timeouts);
}

void PortSession::close() {
    if (!port_) return;
    if (port_->isOpen()) {
        port_->setDtr(false);
        port_->close();
    }
    port_.reset();
}

}  // namespace korvel
