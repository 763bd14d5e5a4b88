// The Linux side of the port list, readable from any root so that tests can
// give it a fake sysfs and /dev tree.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace korvel {

// The serial ttys under `sysRoot`/class/tty whose device node exists in
// `devRoot`.
QStringList serialPortNames(const QString& sysRoot, const QString& devRoot);

// One line per port that says what it is, for instance
// "FTDI FT232R USB UART · s/n A10K3T9 · ftdi_sio · usb-FTDI_FT232R_USB_UART_A10K3T9-if00-port0".
QHash<QString, QString> serialPortDescriptions(const QString& sysRoot, const QString& devRoot);

// The USB device (its sysfs directory, with idVendor) the tty `name` belongs
// to; empty for a port that is not on USB.
QString usbDeviceOfTty(const QString& sysRoot, const QString& name);

}  // namespace korvel
