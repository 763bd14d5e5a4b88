#include "controller_reset.h"

#include "port_session.h"

namespace korvel {

namespace {
const Timeouts kResetTimeouts{500, 0, 0, 0, 1000};
constexpr std::uint32_t kRestartPauseMs = 500;
}  // namespace

void resetController(OperationContext& ctx) {
    PortSession session(ctx);
    if (!session.open()) return;
    session.lockConfigButtons();
    if (session.configure(kResetTimeouts)) {
        static const char kRestart[] = "AT+CFUN=1\r\n";
        session.port().write(kRestart, sizeof kRestart - 1);
        ctx.clock.sleepMs(kRestartPauseMs);
        // Whatever the module sent while restarting is dropped.
        session.port().purge();
    }
    session.close();
    session.unlockConfigButtons();
}

}  // namespace korvel
