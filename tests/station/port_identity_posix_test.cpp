// A port's fixture slot: the udev name that leads to it, found in a device
// folder made for the test.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "station/port_identity_posix.h"

namespace korvel::store {
namespace {

TEST(PortIdentity, SlotBeforeAdapterAndNothingForOtherPorts) {
    QTemporaryDir dev;
    for (const char* tty : {"ttyUSB0", "ttyUSB1", "ttyUSB10", "ttyS0"}) QFile(dev.filePath(tty)).open(QIODevice::WriteOnly);
    ASSERT_TRUE(QDir(dev.path()).mkpath("serial/by-path") && QDir(dev.path()).mkpath("serial/by-id"));
    // udev's links are relative: ../../ttyUSB0
    QFile::link("../../ttyUSB10", dev.filePath("serial/by-path/pci-0000:00:14.0-usb-0:0:1.0-port0"));
    QFile::link("../../ttyUSB1", dev.filePath("serial/by-path/pci-0000:00:14.0-usb-0:1:1.0-port0"));
    QFile::link("../../ttyUSB0", dev.filePath("serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0"));
    QFile::link("../../ttyUSB0", dev.filePath("serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3T9-if00-port0"));

    EXPECT_EQ(stablePortNameUnder("ttyUSB0", dev.path()), "by-path/pci-0000:00:14.0-usb-0:2:1.0-port0");
    EXPECT_EQ(stablePortNameUnder(dev.filePath("ttyUSB1"), dev.path()), "by-path/pci-0000:00:14.0-usb-0:1:1.0-port0");
    // A port named by one of its links is still the same slot.
    EXPECT_EQ(stablePortNameUnder(dev.filePath("serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3T9-if00-port0"), dev.path()),
              "by-path/pci-0000:00:14.0-usb-0:2:1.0-port0");
    QFile::remove(dev.filePath("serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0"));
    EXPECT_EQ(stablePortNameUnder("ttyUSB0", dev.path()), "by-id/usb-FTDI_FT232R_USB_UART_A10K3T9-if00-port0");
    EXPECT_EQ(stablePortNameUnder("ttyS0", dev.path()), "");
    EXPECT_EQ(stablePortNameUnder("ttyUSB7", dev.path()), "");  // gone
}

}  // namespace
}  // namespace korvel::store
