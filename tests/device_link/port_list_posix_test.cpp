// The Linux port list read from a fake sysfs and /dev tree: which ttys are
// ports, and what each adapter says it is.
#include <gtest/gtest.h>

#include "fake_system.h"
#include "device_link/port_list_posix.h"

namespace korvel {
namespace {

using test::FakeSystem;

TEST(PortListPosix, UsbAdaptersSayWhatTheyAreBesideTheirNames) {
    FakeSystem s;
    // An FTDI adapter: the tty's device is the adapter's port, two levels
    // below the USB device that carries the names.
    const QString ftdi = "pci0000:00/usb1/1-1";
    s.file(s.sys + "/devices/" + ftdi + "/idVendor", "0403");
    s.file(s.sys + "/devices/" + ftdi + "/idProduct", "6001");
    s.file(s.sys + "/devices/" + ftdi + "/manufacturer", "FTDI");
    s.file(s.sys + "/devices/" + ftdi + "/product", "FT232R USB UART");
    s.file(s.sys + "/devices/" + ftdi + "/serial", "A10K3T9");
    s.tty("ttyUSB0", ftdi + "/1-1:1.0/ttyUSB0", "ftdi_sio");
    s.link("../../ttyUSB0", s.dev + "/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3T9-if00-port0");
    // A CDC modem without names or serial number: its interface is the device.
    const QString acm = "pci0000:00/usb1/1-2";
    s.file(s.sys + "/devices/" + acm + "/idVendor", "1234");
    s.file(s.sys + "/devices/" + acm + "/idProduct", "abcd");
    s.tty("ttyACM0", acm + "/1-2:1.0", "cdc_acm");
    // A built-in port that is there, one the 8250 driver made up, and a
    // virtual console without a device.
    s.tty("ttyS0", "platform/serial8250/tty/ttyS0", "serial8250");
    s.file(s.sys + "/class/tty/ttyS0/type", "4");
    s.tty("ttyS1", "platform/serial8250/tty/ttyS1", "serial8250");
    s.file(s.sys + "/class/tty/ttyS1/type", "0");
    QDir().mkpath(s.sys + "/class/tty/tty1");
    // An adapter unplugged a moment ago: its node is gone.
    s.tty("ttyUSB1", "pci0000:00/usb1/1-3/1-3:1.0/ttyUSB1", "cp210x");
    QFile::remove(s.dev + "/ttyUSB1");

    QStringList names = serialPortNames(s.sys, s.dev);
    names.sort();
    EXPECT_EQ(names, QStringList({"ttyACM0", "ttyS0", "ttyUSB0"}));
    const QHash<QString, QString> d = serialPortDescriptions(s.sys, s.dev);
    EXPECT_EQ(d.value("ttyUSB0"),
              "FTDI FT232R USB UART · s/n A10K3T9 · ftdi_sio · usb-FTDI_FT232R_USB_UART_A10K3T9-if00-port0");
    EXPECT_EQ(d.value("ttyACM0"), "USB 1234:abcd · cdc_acm");
    EXPECT_EQ(d.value("ttyS0"), "serial8250");
    EXPECT_FALSE(d.contains("ttyUSB1"));
}

}  // namespace
}  // namespace korvel
