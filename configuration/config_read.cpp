#include "config_read.h"

#include "at_dialogue.h"
#include "config_commands.h"
#include "config_parse.h"
#include "port_session.h"
#include "text_codec.h"

namespace korvel {

namespace {

// Read interval 200 (a reply ends with a pause of 200 ms), write constant 1000.
const Timeouts kReadTimeouts{200, 0, 0, 0, 1000};
constexpr std::uint32_t kGaugeShownPauseMs = 500;
constexpr std::uint32_t kAfterClosePauseMs = 1000;

void readQueries(OperationContext& ctx, ConfigForm& form, SerialPort& port, AtDialogue& at,
                 Gauge& gauge) {
    gauge.setMin(0);
    gauge.setMax(kQueryCount);
    gauge.setProgress(0);
    gauge.setVisible(true);
    ctx.clock.sleepMs(kGaugeShownPauseMs);
    ctx.host.processMessages();

    for (int index = 0; index < kQueryCount; ++index) {
        port.purge();
        const std::size_t sent = at.send(queryPieces(index));
        ctx.host.processMessages();
        at.swallowEcho(sent);
        ctx.host.processMessages();
        const QByteArray reply = at.readReply(kReplyBufferSize);
        if (reply.isEmpty()) continue;
        gauge.addProgress(1);
        const QString text = replyText(reply);
        ctx.host.appendConfigLog(text);
        parseQueryReply(index, text, form);
        ctx.host.processMessages();
    }
}

}  // namespace

void readConfiguration(OperationContext& ctx, ConfigForm& form) {
    Gauge& gauge = ctx.host.gauge(GaugeId::Config_Progress);
    PortSession session(ctx);
    if (!session.open()) return;
    session.lockConfigButtons();
    ctx.host.statusReport(QStringLiteral(" Чтение конфигурации"));

    if (session.configure(kReadTimeouts)) {
        SerialPort& port = session.port();
        AtDialogue at(port, ctx.host, kReadTimeouts);
        // A refused entry sends no query and shows no message; AT+ZQEXIT is
        // sent all the same.
        if (at.enterConfigMode(false) == AtDialogue::EnterResult::Entered)
            readQueries(ctx, form, port, at, gauge);
        ctx.host.statusReport(QStringLiteral(" Конфигурация прочитана"));
        port.purge();
        at.leaveConfigMode();
    }

    session.close();
    ctx.clock.sleepMs(kAfterClosePauseMs);
    session.unlockConfigButtons();
    gauge.setVisible(false);
}

}  // namespace korvel
