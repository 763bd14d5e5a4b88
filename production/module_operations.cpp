#include "module_operations.h"

#include "at_dialogue.h"
#include "firmware_download.h"
#include "port_session.h"
#include "text_codec.h"

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

// A silent device passes the reply check in most steps: only a reply that
// says something else counts as a refusal there.
bool refused(const Reply& reply) { return reply.verdict == Reply::Verdict::Refused; }

// One port connection of a production operation: the opening with its two
// reports (the settings' acceptance is not examined), the echo test, then
// commands through the dialogue's exchange.  Every error box comes after the
// port is closed.
class ProductionConnection {
public:
    ProductionConnection(OperationContext& ctx, Operation operation)
        : ctx_(ctx), operation_(operation), session_(ctx) {}

    // Opens and sets up with `opening`, runs the echo test, then applies
    // `later` for the commands.
    bool open(const Timeouts& opening, const Timeouts& later) {
        if (!session_.open()) return false;
        ctx_.sink.status(Status::PortOpened);
        session_.configure(opening, false);
        ctx_.sink.status(Status::PortSettingsSet);
        at_.emplace(session_.port(), ctx_.sink, opening);
        session_.port().purge();
        at_->echoTest();
        session_.setTimeouts(later);
        return true;
    }

    // Purge (unless told not to), then one exchange.
    Reply command(const Pieces& pieces, std::size_t replySize, bool purgeFirst = true) {
        if (purgeFirst) session_.port().purge();
        return at_->exchange(pieces, replySize);
    }
    Reply command(AtCommand command, std::size_t replySize) {
        return this->command(Pieces{atCommand(command)}, replySize);
    }

    bool deviceAnswered() const { return at_->deviceAnswered(); }
    // The outcome so far, with what was learned.
    Outcome& outcome() { return outcome_; }
    Outcome openFailure() const { return session_.failure(operation_); }
    // A refused (or unanswered) last command: the port is closed, then the box.
    Outcome fail(Box box) {
        session_.close();
        ctx_.sink.box(box);
        return end(at_->lastReply().isEmpty() ? Result::DeviceSilent : Result::Refused);
    }
    // Nothing at all came back, not even to the echo test: no cable, no
    // device.  That is never reported as success.
    Outcome failSilent() {
        session_.close();
        ctx_.sink.box(Box::DeviceSilent);
        return end(Result::DeviceSilent);
    }
    Outcome done() {
        session_.close();
        return end(Result::Done);
    }
    void close() { session_.close(); }

private:
    Outcome end(Result result) {
        outcome_.operation = operation_;
        outcome_.result = result;
        outcome_.step = result == Result::Done ? QString() : at_->lastCommand();
        outcome_.reply = result == Result::Refused ? at_->lastReply() : QByteArray();
        return outcome_;
    }

    OperationContext& ctx_;
    Operation operation_;
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
    ProductionConnection x(ctx, Operation::IdentifyModule);
    if (!x.open(kShortTimeouts, kShortTimeouts)) return x.openFailure();
    const QByteArray reply = x.command(AtCommand::Identification, kIdentificationReplySize).bytes;
    x.close();
    if (reply.isEmpty()) return Outcome::ended(Operation::IdentifyModule, Result::DeviceSilent,
                                               QStringLiteral("AT+CGMR"));
    const QString text = replyText(reply);
    Outcome identity = Outcome::done(Operation::IdentifyModule);
    identity.coreVersion = coreVersionFromIdentification(text);
    identity.moduleType = moduleTypeFromIdentification(text);
    ctx.sink.status(Status::CoreVersion, identity.coreVersion);
    ctx.sink.status(Status::ModuleType, identity.moduleType);
    return identity;
}

Outcome startApplication(OperationContext& ctx) {
    OperationSink& sink = ctx.sink;
    ProductionConnection x(ctx, Operation::StartApplication);
    if (!x.open(kShortTimeouts, kApplicationTimeouts)) return x.openFailure();

    const Reply started = x.command(AtCommand::StartApplication, kOkReplySize);
    if (!x.deviceAnswered()) return x.failSilent();
    if (refused(started)) return x.fail(Box::StartRefused);
    sink.status(Status::ApplicationStarted);
    ctx.clock.sleepMs(kApplicationStartWaitMs);

    if (refused(x.command(AtCommand::ConfigMode, kOkReplySize)))
        return x.fail(Box::ConfigModeRefused);
    sink.status(Status::CommunicatorInConfigMode);

    // The version's reply is not judged: any answer carries it.
    const Reply version = x.command(AtCommand::ApplicationVersion, kVersionReplySize);
    if (version.silent()) return x.fail(Box::VersionUnread);
    x.outcome().applicationVersion = applicationVersionFromReply(replyText(version.bytes));
    sink.status(Status::ApplicationVersion, x.outcome().applicationVersion);

    if (refused(x.command(AtCommand::ExitConfigMode, kExitReplySize)))
        return x.fail(Box::ExitRefused);
    sink.status(Status::CommunicatorWorking);
    return x.done();
}

Outcome deleteApplication(OperationContext& ctx) {
    OperationSink& sink = ctx.sink;
    ProductionConnection x(ctx, Operation::DeleteApplication);
    if (!x.open(kShortTimeouts, kApplicationTimeouts)) return x.openFailure();

    const Reply stopped = x.command(AtCommand::StopApplication, kOkReplySize);
    if (!x.deviceAnswered()) return x.failSilent();
    if (refused(stopped)) return x.fail(Box::StopRefused);
    sink.status(Status::ApplicationStopped);
    // Only silence counts as failure here: an error text still means the
    // module has heard the erase.
    if (x.command(AtCommand::EraseObjects, kOkReplySize).silent())
        return x.fail(Box::ObjectsNotErased);
    sink.status(Status::FlashObjectsErased);
    if (x.command(AtCommand::EraseApplication, kOkReplySize).silent())
        return x.fail(Box::ApplicationNotErased);
    sink.status(Status::ApplicationErased);
    return x.done();
}

bool isCompleteSerialNumber(const QString& number) {
    if (number.size() != 8) return false;
    for (const QChar c : number)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    return true;
}

Outcome programSerialNumber(OperationContext& ctx, const QString& number) {
    constexpr Operation kOp = Operation::ProgramSerialNumber;
    OperationSink& sink = ctx.sink;
    // A number with empty positions would become the device's identity as
    // blanks: it is refused before the port is even opened.
    if (!sink.portName().isEmpty() && !isCompleteSerialNumber(number)) {
        sink.box(Box::SerialNumberMalformed);
        return Outcome::ended(kOp, Result::InvalidInput, QString::fromLatin1(stage::kSerialNumber));
    }
    ProductionConnection x(ctx, kOp);
    if (!x.open(kShortTimeouts, kShortTimeouts)) return x.openFailure();

    const Reply entered = x.command(AtCommand::ConfigMode, kOkReplySize);
    if (!x.deviceAnswered()) return x.failSilent();
    if (refused(entered)) return x.fail(Box::ConfigModeRefused);
    sink.status(Status::CommunicatorInConfigMode);

    // The number follows without a purge, in three writes whose bytes add up
    // for the echo swallow.
    x.outcome().serialSent = true;
    const Reply written = x.command(
        {atCommand(AtCommand::SerialNumber), toDeviceBytes(number), QByteArrayLiteral("\r\n")},
        kOkReplySize, false);
    // The number is the device's identity: it counts as written only when
    // the device confirmed it, not when it fell silent after the entry.
    if (!written.good()) return x.fail(Box::SerialNumberNotWritten);
    x.outcome().confirmedSerial = number;
    sink.status(Status::SerialNumberWritten, number);

    if (refused(x.command(AtCommand::ExitConfigMode, kExitReplySize)))
        return x.fail(Box::ExitRefused);
    sink.status(Status::CommunicatorWorking);
    return x.done();
}

Outcome writeProductionImage(OperationContext& ctx, const QString& imagePath) {
    return downloadProductionImage(ctx, imagePath);
}

}  // namespace korvel
