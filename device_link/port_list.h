// The serial ports present on this PC, for the port choice's drop-down list.
#pragma once

#include <QStringList>

namespace korvel {

// Port names as the system lists them (unsorted): on Windows the data of the
// values under HKLM\hardware\devicemap\serialcomm, on Linux the serial
// devices that really exist.
QStringList systemPortNames();

// The list as the port choice shows it: sorted as text, case-insensitively, character
// by character (COM10 before COM2).
QStringList sortedPortList(QStringList names);

}  // namespace korvel
