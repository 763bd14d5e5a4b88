#include "production/module_operations.h"

#include "device_link/at_dialogue.h"
#include "firmware/firmware_download.h"
#include "device_link/port_session.h"
#include "device_link/text_codec.h"

namespace korvel {

namespace {

const Timeouts kShortTimeouts{500, 0, 1000, 0, 1000};
const Timeouts kApplicationTimeouts{500, 0, 10000, 0, 1000};
constexpr std::uint32_t kApplicationStartWaitMs = 3000;
// The identification is free text of unknown length: the whole buffer.
constexpr std::size_t kIdentificationReplySize = kReplyBufferSize;

// The n-th dot at or after `from`; `last` receives the last dot found.
int nthDot(const QString& text, int from, int n, int& last) {
    last = -1;
    int at = from - 1;
    for (int i = 0; i < n; ++i) {
        at = text.indexOf(QLatin1Char('.'), at + 1);
        if (at < 0) return -1;
        last = at;
    }
    return at;
}

// One port connection of a production operation: the opening with its two
// reports (the settings' acceptance is not examined), the echo test, then
// commands through the dialogue's exchange, each with its reply rule.  Every
// error box comes after the port is closed.
class ProductionConnection {
public:
    explicit ProductionConnection(OperationContext& ctx) : ctx_(ctx), session_(ctx) {}

    // Opens and sets up with `opening`, runs the echo test, then applies
    // `later` for the commands.
    bool open(const Timeouts& opening, const Timeouts& later) {
        if (!session_.open()) return false;
        ctx_.sink.status(status::PortOpened);
        session_.configure(opening, false);
        ctx_.sink.status(status::PortSettingsSet);
        at_.emplace(session_.port(), ctx_.sink, opening);
        session_.port().purge();
        at_->echoTest();
        session_.setTimeouts(later);
        return true;
    }

    // Purge, then one exchange.
    Verdict command(AtCommand command, std::size_t replySize, ReplyRule rule) {
        return at_->exchange(AtCall(command, replySize, rule).purgingFirst());
    }
    Verdict command(const AtCall& call) { return at_->exchange(call); }

    bool deviceAnswered() const { return at_->deviceAnswered(); }
    // The outcome so far, with what was learned.
    Outcome& outcome() { return outcome_; }
    Outcome openFailure() const { return session_.failure(); }
    // A step that failed its rule: the port is closed, then the box.
    Outcome fail(Box box, const Verdict& verdict) {
        session_.close();
        ctx_.sink.box(box);
        return end(verdict.failure());
    }
    // Nothing at all came back to `first`, not even to the echo test: no
    // cable, no device.  That is never reported as success.
    Outcome failSilent(const Verdict& first) {
        session_.close();
        ctx_.sink.box(box::DeviceSilent);
        return end(Outcome::ended(Result::DeviceSilent, first.step));
    }
    Outcome done() {
        session_.close();
        return end(Outcome::done());
    }
    void close() { session_.close(); }

private:
    // The ending with what was learned on the way.
    Outcome end(const Outcome& ending) {
        outcome_.result = ending.result;
        outcome_.step = ending.step;
        outcome_.reply = ending.reply;
        return outcome_;
    }

    OperationContext& ctx_;
    Outcome outcome_;
    PortSession session_;
    std::optional<AtDialogue> at_;
};

}  // namespace

QString coreVersionFromIdentification(const QString& reply) {
    const int r = reply.indexOf(QStringLiteral("\r\nR"));
    const QString work = r >= 0 ? reply.mid(r + 2) : reply.mid(1);
    int last = -1;
    const int third = nthDot(work, 0, 3, last);
    if (third >= 0) return work.left(third);
    return last >= 0 ? work.left(last) : QString();
}

QString moduleTypeFromIdentification(const QString& reply) {
    const int nl = reply.indexOf(QLatin1Char('\n'));
    const QString work = nl >= 0 ? reply.mid(nl + 1) : reply;
    int last = -1;
    const int fourth = nthDot(work, 0, 4, last);
    const int dot = fourth >= 0 ? fourth : last;
    const QString rest = dot >= 0 ? work.mid(dot + 1) : work;
    const int blank = rest.indexOf(QLatin1Char(' '));
    return blank >= 0 ? rest.left(blank) : QString();
}

QString applicationVersionFromReply(const QString& reply) {
    const int colon = reply.indexOf(QLatin1Char(':'));
    return reply.mid(colon >= 0 ? colon + 2 : 1, 10);
}

Outcome identifyModule(OperationContext& ctx) {
    ProductionConnection x(ctx);
    if (!x.open(kShortTimeouts, kShortTimeouts)) return x.openFailure();
    const Verdict reply =
        x.command(AtCommand::Identification, kIdentificationReplySize, ReplyRule::AnyAnswer);
    x.close();
    if (!reply.passed()) return reply.failure();
    const QString text = replyText(reply.reply);
    Outcome identity = Outcome::done();
    identity.coreVersion = coreVersionFromIdentification(text);
    identity.moduleType = moduleTypeFromIdentification(text);
    ctx.sink.status(status::CoreVersion, identity.coreVersion);
    ctx.sink.status(status::ModuleType, identity.moduleType);
    return identity;
}

Outcome startApplication(OperationContext& ctx) {
    OperationSink& sink = ctx.sink;
    ProductionConnection x(ctx);
    if (!x.open(kShortTimeouts, kApplicationTimeouts)) return x.openFailure();

    const Verdict started =
        x.command(AtCommand::StartApplication, kOkReplySize, ReplyRule::SilenceAllowed);
    if (!x.deviceAnswered()) return x.failSilent(started);
    if (!started.passed()) return x.fail(box::StartRefused, started);
    sink.status(status::ApplicationStarted);
    ctx.clock.sleepMs(kApplicationStartWaitMs);

    const Verdict entered =
        x.command(AtCommand::ConfigMode, kOkReplySize, ReplyRule::SilenceAllowed);
    if (!entered.passed()) return x.fail(box::ConfigModeRefused, entered);
    sink.status(status::CommunicatorInConfigMode);

    // The version's reply is not judged: any answer carries it.
    const Verdict version =
        x.command(AtCommand::ApplicationVersion, kVersionReplySize, ReplyRule::AnyAnswer);
    if (!version.passed()) return x.fail(box::VersionUnread, version);
    x.outcome().applicationVersion = applicationVersionFromReply(replyText(version.reply));
    sink.status(status::ApplicationVersion, x.outcome().applicationVersion);

    const Verdict left =
        x.command(AtCommand::ExitConfigMode, kExitReplySize, ReplyRule::SilenceAllowed);
    if (!left.passed()) return x.fail(box::ExitRefused, left);
    sink.status(status::CommunicatorWorking);
    return x.done();
}

Outcome deleteApplication(OperationContext& ctx) {
    OperationSink& sink = ctx.sink;
    ProductionConnection x(ctx);
    if (!x.open(kShortTimeouts, kApplicationTimeouts)) return x.openFailure();

    const Verdict stopped =
        x.command(AtCommand::StopApplication, kOkReplySize, ReplyRule::SilenceAllowed);
    if (!x.deviceAnswered()) return x.failSilent(stopped);
    if (!stopped.passed()) return x.fail(box::StopRefused, stopped);
    sink.status(status::ApplicationStopped);
    // Only silence counts as failure here: an error text still means the
    // module has heard the erase.
    const Verdict objects = x.command(AtCommand::EraseObjects, kOkReplySize, ReplyRule::AnyAnswer);
    if (!objects.passed()) return x.fail(box::ObjectsNotErased, objects);
    sink.status(status::FlashObjectsErased);
    const Verdict application =
        x.command(AtCommand::EraseApplication, kOkReplySize, ReplyRule::AnyAnswer);
    if (!application.passed()) return x.fail(box::ApplicationNotErased, application);
    sink.status(status::ApplicationErased);
    return x.done();
}

bool isCompleteSerialNumber(const QString& number) {
    if (number.size() != 8) return false;
    for (const QChar c : number)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    return true;
}

Outcome programSerialNumber(OperationContext& ctx, const QString& number) {
    OperationSink& sink = ctx.sink;
    // A number with empty positions would become the device's identity as
    // blanks: it is refused before the port is even opened.
    if (!sink.portName().isEmpty() && !isCompleteSerialNumber(number)) {
        sink.box(box::SerialNumberMalformed);
        return Outcome::ended(Result::InvalidInput, QString::fromLatin1(stage::kSerialNumber));
    }
    ProductionConnection x(ctx);
    if (!x.open(kShortTimeouts, kShortTimeouts)) return x.openFailure();

    const Verdict entered =
        x.command(AtCommand::ConfigMode, kOkReplySize, ReplyRule::SilenceAllowed);
    if (!x.deviceAnswered()) return x.failSilent(entered);
    if (!entered.passed()) return x.fail(box::ConfigModeRefused, entered);
    sink.status(status::CommunicatorInConfigMode);

    // The number follows without a purge, in three writes whose bytes add up
    // for the echo swallow.  It is the device's identity: it counts as
    // written only when the device confirmed it, not when it fell silent
    // after the entry.
    x.outcome().serialSent = true;
    const Verdict written = x.command(AtCall(
        {atCommand(AtCommand::SerialNumber), toDeviceBytes(number), QByteArrayLiteral("\r\n")},
        kOkReplySize, ReplyRule::OkRequired));
    if (!written.passed()) return x.fail(box::SerialNumberNotWritten, written);
    x.outcome().confirmedSerial = number;
    sink.status(status::SerialNumberWritten, number);

    const Verdict left =
        x.command(AtCommand::ExitConfigMode, kExitReplySize, ReplyRule::SilenceAllowed);
    if (!left.passed()) return x.fail(box::ExitRefused, left);
    sink.status(status::CommunicatorWorking);
    return x.done();
}

Outcome writeProductionImage(OperationContext& ctx, const QString& imagePath) {
    return downloadProductionImage(ctx, imagePath);
}

}  // namespace korvel
