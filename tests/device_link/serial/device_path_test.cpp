#include <gtest/gtest.h>

#include <string>

#include "device_link/serial/serial_port.h"

namespace korvel {
namespace {

TEST(DevicePath, WindowsPathFromFourthCharacterWithinFourteen) {
    EXPECT_EQ(windowsDevicePath("COM3"), "\\\\.\\COM3");
    EXPECT_EQ(windowsDevicePath("COM12"), "\\\\.\\COM12");
    EXPECT_EQ(windowsDevicePath("COM1234567"), "\\\\.\\COM1234567");  // exactly 14
    EXPECT_EQ(windowsDevicePath("COM"), "");
    EXPECT_EQ(windowsDevicePath("COM12345678"), "");
    // Typed names must not lead out of the COM ports to a volume or a file.
    EXPECT_EQ(windowsDevicePath("COM\\..\\C:"), "");
    EXPECT_EQ(windowsDevicePath("COM1/x"), "");
    EXPECT_EQ(windowsDevicePath(std::string("COM1\0x", 6)), "");
}

TEST(DevicePath, PosixNamesLiveUnderDevUnlessAbsolute) {
    EXPECT_EQ(posixDevicePath("/dev/x"), "/dev/x");
    EXPECT_EQ(posixDevicePath("ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(posixDevicePath(""), "");
}

}  // namespace
}  // namespace korvel
