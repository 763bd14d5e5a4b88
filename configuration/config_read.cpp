#include "configuration/config_read.h"

#include "device_link/at_dialogue.h"
#include "configuration/config_commands.h"
#include "configuration/config_parse.h"
#include "device_link/port_session.h"
#include "device_link/text_codec.h"

namespace korvel {

namespace {

// Read interval 200 (a reply ends with a pause of 200 ms), write constant 1000.
const Timeouts kReadTimeouts{200, 0, 0, 0, 1000};
constexpr std::uint32_t kGaugeShownPauseMs = 500;
constexpr std::uint32_t kAfterClosePauseMs = 1000;

// Every answer to a configuration query has the form "+ZQNAME: value"; a
// reply without any colon is the device's refusal ("\r\nERROR\r\n") or line
// noise, and is no value for the fields.
bool carriesValue(const QString& reply) { return reply.contains(QLatin1Char(':')); }

// Returns how many queries were answered with a value.
int readQueries(OperationContext& ctx, ConfigForm& form, AtDialogue& at, Gauge& gauge) {
    int answered = 0;
    gauge.setMin(0);
    gauge.setMax(kQueryCount);
    gauge.setProgress(0);
    gauge.setVisible(true);
    ctx.clock.sleepMs(kGaugeShownPauseMs);
    ctx.sink.processMessages();

    for (int index = 0; index < kQueryCount; ++index) {
        // Any answer is logged; an unanswered query is skipped.
        const Verdict verdict =
            at.exchange(AtCall(queryPieces(index), kReplyBufferSize, ReplyRule::AnyAnswer)
                            .purgingFirst()
                            .answeringWindow()
                            .loggingReply(&gauge));
        if (!verdict.passed()) continue;
        const QString text = replyText(verdict.reply);
        // A refused query leaves its fields as they are, like an unanswered
        // one, instead of putting the refusal's text into them.
        if (carriesValue(text)) {
            ++answered;
            parseQueryReply(index, text, form);
        }
        ctx.sink.processMessages();
    }
    return answered;
}

}  // namespace

Outcome readConfiguration(OperationContext& ctx, ConfigForm& form) {
    Gauge& gauge = ctx.sink.progress();
    PortSession session(ctx);
    if (!session.open()) return session.failure();
    session.markInUse();
    ctx.sink.status(status::ReadingConfiguration);

    Outcome outcome = Outcome::ended(Result::Incomplete, QString::fromLatin1(stage::kLineSettings));
    if (session.configure(kReadTimeouts)) {
        SerialPort& port = session.port();
        AtDialogue at(port, ctx.sink, kReadTimeouts);
        // A refused entry sends no query and shows no message; AT+ZQEXIT is
        // sent all the same.
        const Verdict entry = at.enterConfigMode(false);
        if (!at.deviceAnswered()) {
            // Not even the echo test was answered: no device on this port.
            session.close();
            session.markFree();
            ctx.sink.box(box::DeviceSilent);
            ctx.sink.status(status::ConfigurationNotRead);
            return Outcome::ended(Result::DeviceSilent, QStringLiteral("AT"));
        }
        if (entry.passed()) {
            const int answered = readQueries(ctx, form, at, gauge);
            outcome = answered == kQueryCount
                          ? Outcome::done()
                          : Outcome::ended(Result::Incomplete, QString::fromLatin1(stage::kQueries));
            outcome.answeredQueries = answered;
        } else {
            outcome = entry.failure();
        }
        // Only a read that brought every value back is reported as done; one
        // whose device refused or fell silent part-way says so.
        ctx.sink.status(outcome.ok()                    ? status::ConfigurationRead
                        : outcome.answeredQueries > 0 ? status::ConfigurationReadPartly
                                                      : status::ConfigurationNotRead);
        port.purge();
        at.leaveConfigMode();
    }

    session.close();
    ctx.clock.sleepMs(kAfterClosePauseMs);
    session.markFree();
    gauge.setVisible(false);
    return outcome;
}

}  // namespace korvel
