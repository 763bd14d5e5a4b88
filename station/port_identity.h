// Which fixture slot a port is: a name for the port that stays the same
// across re-plugging and restarts, for the device record.
#pragma once

#include <QString>

namespace korvel::store {

// Linux: the /dev/serial/by-path name leading to the port (the USB socket it
// hangs on), else its /dev/serial/by-id name (the adapter), written as
// "by-path/…" or "by-id/…"; empty when udev gives the port neither (a
// pseudo-terminal, a built-in port).  Windows: the COM name (Windows gives
// an adapter the same one each time it is plugged in) and, where the device
// manager has the port's device, a space and its instance path, which names
// the adapter: "COM5 FTDIBUS\VID_0403+PID_6001+A10K3T9A\0000".
QString stablePortName(const QString& port);

// Where the station watches for devices being plugged in when told no
// folder: /dev/serial/by-id on Linux; on Windows none (the registry's port
// list is polled instead).
QString defaultWatchFolder();

}  // namespace korvel::store
