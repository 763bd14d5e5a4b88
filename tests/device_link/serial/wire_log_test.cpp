// The wire log over the scripted port, on every platform: the bytes each way
// as readable text with their direction, the port's events, and the lines of
// two ports kept whole in one file.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "device_link/serial/scripted_serial_port.h"
#include "device_link/serial/wire_log.h"

namespace korvel {
namespace {

TEST(WireLog, WritesEveryByteAndEventReadably) {
    const std::string path = ::testing::TempDir() + "korvel-wire-log-test.txt";
    std::remove(path.c_str());
    std::string error;
    auto log = WireLog::open(path, error);
    ASSERT_TRUE(log) << error;
    auto scripted = std::make_shared<ScriptedPortFactory>();
    scripted->port().queueRead("\r\nOK\r\n");
    const auto ports = withWireLog(scripted, log);
    auto port = ports->create();
    ASSERT_TRUE(port->open("COM7"));
    port->setDtr(true);
    ASSERT_EQ(port->write("AT<\r\n", 5), 5u);
    char reply[16];
    ASSERT_EQ(port->read(reply, sizeof reply), 6u);
    port->close();
    log.reset();

    std::ifstream in(path);
    std::stringstream all;
    all << in.rdbuf();
    const std::string text = all.str();
    EXPECT_NE(text.find(" COM7 > AT<3C><0D><0A>\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" COM7 < <0D><0A>OK<0D><0A>\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" COM7 * open"), std::string::npos) << text;
    EXPECT_NE(text.find(" COM7 * close"), std::string::npos) << text;
    std::remove(path.c_str());
}

}  // namespace
}  // namespace korvel
