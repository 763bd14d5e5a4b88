// Who holds a serial device open: the processes a busy port's message can
// name.  On Linux they are found through /proc; elsewhere none are found.
#pragma once

#include <string>
#include <vector>

namespace korvel {

struct PortHolder {
    long pid = 0;
    std::string program;  // the process's own name, as the kernel keeps it

    bool operator==(const PortHolder& o) const { return pid == o.pid && program == o.program; }
};

// The processes with a descriptor on the device at `devicePath`, in process
// id order; empty when none can be seen (another user's processes hide their
// descriptors from us).  `procRoot` is where the process table is read
// (/proc; tests give a tree of their own).
std::vector<PortHolder> findPortHolders(const std::string& devicePath,
                                        const std::string& procRoot = "/proc");

// ModemManager probes every new port that looks like a modem by sending it
// AT commands and holding it meanwhile.
inline bool isModemManager(const PortHolder& holder) { return holder.program == "ModemManager"; }

}  // namespace korvel
