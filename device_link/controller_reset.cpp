#include "device_link/controller_reset.h"

#include "device_link/at_dialogue.h"
#include "device_link/port_session.h"

namespace korvel {

namespace {
const Timeouts kResetTimeouts{500, 0, 0, 0, 1000};
constexpr std::uint32_t kRestartPauseMs = 500;
}  // namespace

Outcome resetController(OperationContext& ctx) {
    PortSession session(ctx);
    if (!session.open()) return session.failure();
    session.markInUse();
    Outcome outcome = Outcome::ended(Result::Incomplete, QString::fromLatin1(stage::kLineSettings));
    if (session.configure(kResetTimeouts)) {
        outcome = Outcome::done();
        // Sent as it is: no echo test, no reply awaited.
        AtDialogue(session.port(), ctx.sink, kResetTimeouts)
            .exchange(AtCall(AtCommand::Restart, 0, ReplyRule::SilenceAllowed).keepEcho());
        ctx.clock.sleepMs(kRestartPauseMs);
        // Whatever the module sent while restarting is dropped.
        session.port().purge();
    }
    session.close();
    session.markFree();
    return outcome;
}

}  // namespace korvel
