// The serial ports present on this PC, for the port choice's drop-down list.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace korvel {

// Port names as the system lists them (unsorted): on Windows the data of the
// values under HKLM\hardware\devicemap\serialcomm, on Linux the serial
// devices that really exist.
QStringList systemPortNames();

// What each present port is, by port name, for the drop-down list to show
// beside the name (never in place of it): on Linux the USB adapter's maker
// and product, its serial number, the driver and the stable
// /dev/serial/by-id name; on Windows the port's friendly name where Windows
// gives one.  Ports the system says nothing about are left out.
QHash<QString, QString> systemPortDescriptions();

// The list as the port choice shows it: sorted as text, case-insensitively, character
// by character (COM10 before COM2).
QStringList sortedPortList(QStringList names);

}  // namespace korvel
