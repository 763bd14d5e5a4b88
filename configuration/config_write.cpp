#include "config_write.h"

#include "at_dialogue.h"
#include "clock_commands.h"
#include "config_commands.h"
#include "port_session.h"

namespace korvel {

namespace {

// Read interval 500, read multiplier and constant 0, write constant 500.
const Timeouts kWriteTimeouts{500, 0, 0, 0, 500};
// One gauge step per answered command; the gauge is full from the
// fifteenth answer on.
constexpr int kGaugeMax = 15;
constexpr std::uint32_t kGaugeShownPauseMs = 500;

class ConfigWriter {
public:
    ConfigWriter(OperationContext& ctx, const ConfigForm& form, AtDialogue& at, Gauge& gauge)
        : ctx_(ctx), form_(form), at_(at), gauge_(gauge) {}

    // The command sequence.  False when a refused command ended the write;
    // a refusal inside a table only ends that table.
    bool run() {
        if (!timeCommandStep(at_, ctx_.clock, &gauge_)) return false;
        if (!dateCommandStep(at_, ctx_.clock, &gauge_)) return false;
        if (!step(pinCommand(form_))) return false;
        if (!step(telCommand(form_))) return false;
        if (!step(apnCommand(form_))) return false;
        if (!commandValue(form_.text(FormField::GprsLogin)).isEmpty() && !step(userCommand(form_)))
            return false;
        if (!commandValue(form_.text(FormField::GprsPassword)).isEmpty() && !step(passCommand(form_)))
            return false;
        for (int row = 1; row <= 5; ++row)
            if (!tableStep(serverCommand(form_, row))) break;
        if (!step(balanceCommand(form_))) return false;
        if (!step(portCommand(form_))) return false;
        for (int row = 1; row <= 32; ++row)
            if (!tableStep(deviceCommand(form_, row))) break;
        if (!step(smsPassCommand(form_))) return false;
        for (int row = 1; row <= 2; ++row)
            if (!tableStep(alarmCommand(form_, row))) break;
        if (!step(gprs2Command(form_))) {
            ctx_.host.focusControl(Control::Gprs2Period);
            return false;
        }
        if (!step(gprs3Command(form_))) {
            ctx_.host.focusControl(Control::Gprs3Address);
            return false;
        }
        return true;
    }

    // True when a refused row ended one of the tables: the rest of that
    // table never reached the device, so the write is not complete.
    bool tableCut() const { return tableCut_; }

private:
    bool step(const ConfigCommand& command) {
        return at_.commandStep(command.pieces, command.logLine, &gauge_);
    }
    bool tableStep(const ConfigCommand& command) {
        const bool good = step(command);
        if (!good) tableCut_ = true;
        return good;
    }

    OperationContext& ctx_;
    const ConfigForm& form_;
    AtDialogue& at_;
    Gauge& gauge_;
    bool tableCut_ = false;
};

}  // namespace

void writeConfiguration(OperationContext& ctx, ConfigForm& form) {
    Gauge& gauge = ctx.host.gauge(GaugeId::Config_Progress);
    PortSession session(ctx);
    if (!session.open()) return;
    session.lockConfigButtons();

    bool written = false;
    if (session.configure(kWriteTimeouts)) {
        AtDialogue at(session.port(), ctx.host, kWriteTimeouts);
        const bool entered = at.enterConfigMode(true) == AtDialogue::EnterResult::Entered;
        if (!at.deviceAnswered()) {
            // Nothing came back, not even the echo test: rather than send every
            // setting into silence, the write stops here.
            session.close();
            session.unlockConfigButtons();
            reportDeviceSilent(ctx.host);
            ctx.host.statusReport(QStringLiteral(" Конфигурация не записана"));
            return;
        }
        if (entered) {
            gauge.setProgress(0);
            gauge.setMin(0);
            gauge.setMax(kGaugeMax);
            gauge.setVisible(true);
            ctx.host.processMessages();
            ctx.clock.sleepMs(kGaugeShownPauseMs);
            // Only a save the device confirmed counts: a device that fell
            // silent part-way (cable pulled, power lost) lets every later
            // step pass unanswered, and its silence to AT+ZQSAVE must not
            // read as a stored configuration.
            ConfigWriter writer(ctx, form, at, gauge);
            if (writer.run())
                written = at.saveConfig() == AtDialogue::SaveResult::Saved && !writer.tableCut();
        }
        written = at.leaveConfigMode() && written;
    }
    // A write that ended early or was not stored says so; silence of the
    // device at this point would otherwise read as success.
    ctx.host.statusReport(written ? QStringLiteral(" Конфигурация записана")
                                  : QStringLiteral(" Конфигурация не записана"));

    session.close();
    session.unlockConfigButtons();
    gauge.setVisible(false);
}

}  // namespace korvel
