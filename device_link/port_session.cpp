#include "port_session.h"

#include <QStringList>

namespace korvel {

const Control kConfigButtons[3] = {Control::WriteConfiguration, Control::ReadConfiguration,
                                   Control::ResetController};

PortSession::PortSession(OperationContext& ctx) : ctx_(ctx) {}

PortSession::~PortSession() {
    close();
    unlockConfigButtons();
}

namespace {

QString busyText(const std::vector<PortHolder>& holders, const QString& portName) {
    QString text = QStringLiteral("Порт занят другой программой");
    if (holders.empty()) return text + QLatin1Char('.');
    QStringList names;
    bool modemManager = false;
    for (const PortHolder& h : holders) {
        names << QStringLiteral("%1 (PID %2)").arg(QString::fromStdString(h.program)).arg(h.pid);
        modemManager = modemManager || isModemManager(h);
    }
    text += QStringLiteral(": ") + names.join(QStringLiteral(", ")) + QLatin1Char('.');
    if (modemManager)
        text += QStringLiteral(
                    "\nСлужба ModemManager опрашивает порт, приняв коммуникатор за модем. Чтобы "
                    "она не трогала этот адаптер, задайте для него правило udev "
                    "ENV{ID_MM_DEVICE_IGNORE}=\"1\": sudo korvel-mm-ignore %1, затем "
                    "переподключите адаптер.")
                    .arg(portName);
    return text;
}

}  // namespace

QString openFailureText(OpenFailure failure, const std::vector<PortHolder>& holders,
                        const QString& portName) {
    switch (failure) {
        case OpenFailure::None:
        case OpenFailure::Other:
            return QString();
        case OpenFailure::Absent:
            return QStringLiteral("Порт не найден: устройство не подключено или имя порта неверно.");
        case OpenFailure::Busy:
            return busyText(holders, portName);
        case OpenFailure::PermissionDenied:
            return QStringLiteral(
                "Нет прав на доступ к порту. В Linux пользователь должен входить в группу, "
                "которой принадлежит устройство (обычно dialout): sudo usermod -aG dialout "
                "$USER, затем войти в систему заново.");
        case OpenFailure::NotSerial:
            return QStringLiteral("Это не последовательный порт.");
    }
    return QString();
}

Outcome PortSession::failure(Operation operation) const {
    Outcome o = Outcome::ended(operation, failed_,
                               QString::fromLatin1(failed_ == Result::NoPortChosen
                                                       ? stage::kPortChoice
                                                       : failed_ == Result::PortNotReopened
                                                             ? stage::kReopen
                                                             : stage::kPortOpen));
    o.openFailure = openFailure_;
    o.holders = holders_;
    o.portName = failedName_;
    return o;
}

void PortSession::portUnusable(const QString& name, OpenFailure failure,
                               const std::vector<PortHolder>& holders) {
    failed_ = Result::PortUnusable;
    openFailure_ = failure;
    holders_ = holders;
    failedName_ = name;
    QString text = QStringLiteral("Использование порта ") + name + QStringLiteral(" невозможно!");
    const QString reason = openFailureText(failure, holders, name);
    if (!reason.isEmpty()) text += QLatin1Char('\n') + reason;
    ctx_.host.errorBox(text, BoxButtons::Abort);
    ctx_.host.focusControl(Control::PortChoice);
}

bool PortSession::open(bool readSettingsFirst) {
    const QString name = ctx_.host.portName();
    if (name.isEmpty()) {
        failed_ = Result::NoPortChosen;
        ctx_.host.errorBox(QStringLiteral("Не выбран COM-порт к которому подключен контроллер!"),
                           BoxButtons::Ok);
        ctx_.host.focusControl(Control::PortChoice);
        return false;
    }
    const std::string path = devicePathForPortName(name.toStdString());
    port_ = ctx_.ports.create();
    if (path.empty() || !port_->open(path)) {
        const OpenFailure failure = path.empty() ? OpenFailure::Other : port_->openFailure();
        port_.reset();
        portUnusable(name, failure,
                     failure == OpenFailure::Busy ? findPortHolders(path) : std::vector<PortHolder>{});
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
    const std::string path = devicePathForPortName(ctx_.host.portName().toStdString());
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
    portUnusable(ctx_.host.portName(), OpenFailure::Other);
    return false;
}

void PortSession::lockConfigButtons() {
    for (Control button : kConfigButtons)
        ctx_.host.setControlEnabled(button, false);
    locked_ = true;
}

void PortSession::unlockConfigButtons() {
    if (!locked_) return;
    locked_ = false;
    for (Control button : kConfigButtons)
        ctx_.host.setControlEnabled(button, true);
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
