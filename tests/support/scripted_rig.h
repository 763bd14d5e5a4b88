// An operation's surroundings on the scripted port: the recording host, the
// port factory, a clock whose sleeps take no time, and the context over them.
#pragma once

#include <vector>

#include <gtest/gtest.h>

#include "device_link/operation_context.h"
#include "device_link/serial/scripted_serial_port.h"
#include "recording_host.h"

namespace korvel::test {

// Every set of time-outs the port was given, in order.
inline std::vector<Timeouts> timeoutsSet(const ScriptedSerialPort& port) {
    std::vector<Timeouts> out;
    for (const auto& c : port.calls())
        if (c.op == ScriptedSerialPort::Op::SetTimeouts) out.push_back(c.timeouts);
    return out;
}

struct ScriptedRig {
    RecordingHost host;
    ScriptedPortFactory ports;
    FakeClock clock;
    OperationContext ctx{host, ports, clock};
    ScriptedSerialPort& port() { return ports.port(); }
    // Closed, with DTR down.
    void expectClosed() {
        EXPECT_FALSE(port().isOpen());
        EXPECT_FALSE(port().dtr());
    }
};

}  // namespace korvel::test
