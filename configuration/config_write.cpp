#include "configuration/config_write.h"

#include "device_link/at_dialogue.h"
#include "device_link/clock_commands.h"
#include "configuration/config_commands.h"
#include "device_link/port_session.h"

#include <optional>

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
        if (!passed(timeCommandStep(at_, ctx_.clock, &gauge_))) return false;
        if (!passed(dateCommandStep(at_, ctx_.clock, &gauge_))) return false;
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
            ctx_.sink.settingRefused(Setting::Gprs2Period);
            return false;
        }
        if (!step(gprs3Command(form_))) {
            ctx_.sink.settingRefused(Setting::Gprs3Address);
            return false;
        }
        return true;
    }

    // True when a refused row ended one of the tables: the rest of that
    // table never reached the device, so the write is not complete.
    bool tableCut() const { return tableCut_; }
    // The first refusal, when there was one.
    const std::optional<Outcome>& refusal() const { return refusal_; }

private:
    bool step(const ConfigCommand& command) {
        return passed(at_.commandStep(command.pieces, command.logLine, &gauge_));
    }
    // Keeps the first refusal.
    bool passed(const Verdict& verdict) {
        if (verdict.passed()) return true;
        if (!refusal_) refusal_ = verdict.failure();
        return false;
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
    std::optional<Outcome> refusal_;
};

}  // namespace

Outcome writeConfiguration(OperationContext& ctx, ConfigForm& form) {
    Gauge& gauge = ctx.sink.progress();
    PortSession session(ctx);
    if (!session.open()) return session.failure();
    session.markInUse();

    Outcome outcome = Outcome::ended(Result::Incomplete, QString::fromLatin1(stage::kLineSettings));
    if (session.configure(kWriteTimeouts)) {
        AtDialogue at(session.port(), ctx.sink, kWriteTimeouts);
        const Verdict entry = at.enterConfigMode(true);
        if (!at.deviceAnswered()) {
            // Nothing came back, not even the echo test: rather than send every
            // setting into silence, the write stops here.
            session.close();
            session.markFree();
            ctx.sink.box(box::DeviceSilent);
            ctx.sink.status(status::ConfigurationNotWritten);
            return Outcome::ended(Result::DeviceSilent, QStringLiteral("AT"));
        }
        outcome = entry.failure();
        if (entry.passed()) {
            gauge.setProgress(0);
            gauge.setMin(0);
            gauge.setMax(kGaugeMax);
            gauge.setVisible(true);
            ctx.sink.processMessages();
            ctx.clock.sleepMs(kGaugeShownPauseMs);
            // Only a save the device confirmed counts: a device that fell
            // silent part-way (cable pulled, power lost) lets every later
            // step pass unanswered, and its silence to AT+ZQSAVE must not
            // read as a stored configuration.
            ConfigWriter writer(ctx, form, at, gauge);
            // A refusal inside a table still lets the save go out.
            if (writer.run()) {
                const Verdict saved = at.saveConfig();
                outcome = saved.passed() ? Outcome::done() : saved.failure();
            }
            if (writer.refusal()) outcome = *writer.refusal();
        }
        const Verdict exit = at.leaveConfigMode();
        if (!exit.passed() && outcome.ok()) outcome = exit.failure();
    }
    // A write that ended early or was not stored says so; silence of the
    // device at this point would otherwise read as success.
    ctx.sink.status(outcome.ok() ? status::ConfigurationWritten : status::ConfigurationNotWritten);

    session.close();
    session.markFree();
    gauge.setVisible(false);
    return outcome;
}

}  // namespace korvel
