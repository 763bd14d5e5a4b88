// A fault that slipped through earlier tests: a short echo followed by a
// refusal.
#include <gtest/gtest.h>

#include "device_link/at_dialogue.h"
#include "recording_host.h"
#include "device_link/serial/scripted_serial_port.h"

namespace korvel {
namespace {

TEST(FaultGaps, ShortEchoDoesNotSwallowTheRefusalThatFollows) {
    ScriptedSerialPort port;
    port.open("x");
    test::RecordingHost host;
    AtDialogue at(port, host, Timeouts{500, 0, 0, 0, 500});
    port.queueRead("AT\r\n\r\nOK\r\n");  // echoing device
    ASSERT_TRUE(at.echoTest());
    port.queueRead("AT+ZQ");              // the echo stops short, then a 500 ms gap
    port.queueRead("\r\nERROR\r\n");
    EXPECT_FALSE(at.commandStep({QByteArrayLiteral("AT+ZQPIN=1234\r\n")}, "AT+ZQPIN=1234", nullptr)
                     .passed());
    EXPECT_EQ(host.boxes(), QList<Box>{box::ConfigurationError});
}

}  // namespace
}  // namespace korvel
