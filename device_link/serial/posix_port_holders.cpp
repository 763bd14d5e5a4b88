// Linux: a process holds the device when one of the links in its
// /proc/PID/fd leads to the same character device.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "device_link/serial/port_holders.h"

namespace korvel {

namespace {

bool allDigits(const char* s) {
    if (*s == '\0') return false;
    for (; *s; ++s)
        if (*s < '0' || *s > '9') return false;
    return true;
}

bool holdsDevice(const std::string& pidDir, dev_t device) {
    const std::string fdDir = pidDir + "/fd";
    DIR* fds = opendir(fdDir.c_str());
    if (!fds) return false;
    bool holds = false;
    while (dirent* fd = readdir(fds)) {
        if (!allDigits(fd->d_name)) continue;
        struct stat st {};
        if (stat((fdDir + "/" + fd->d_name).c_str(), &st) == 0 && S_ISCHR(st.st_mode) &&
            st.st_rdev == device) {
            holds = true;
            break;
        }
    }
    closedir(fds);
    return holds;
}

}  // namespace

std::vector<PortHolder> findPortHolders(const std::string& devicePath, const std::string& procRoot) {
    std::vector<PortHolder> holders;
    struct stat target {};
    if (stat(devicePath.c_str(), &target) != 0 || !S_ISCHR(target.st_mode)) return holders;
    DIR* proc = opendir(procRoot.c_str());
    if (!proc) return holders;
    while (dirent* entry = readdir(proc)) {
        if (!allDigits(entry->d_name)) continue;
        const std::string pidDir = procRoot + "/" + entry->d_name;
        if (!holdsDevice(pidDir, target.st_rdev)) continue;
        PortHolder holder;
        holder.pid = std::strtol(entry->d_name, nullptr, 10);
        std::ifstream comm(pidDir + "/comm");
        std::getline(comm, holder.program);
        holders.push_back(holder);
    }
    closedir(proc);
    std::sort(holders.begin(), holders.end(),
              [](const PortHolder& a, const PortHolder& b) { return a.pid < b.pid; });
    return holders;
}

}  // namespace korvel
