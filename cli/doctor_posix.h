// The Linux side of korvel-cli doctor, readable from any root so that tests
// give it fake sysfs, /dev, /proc, udev and /etc trees: the port's access
// for this user, its holders, ModemManager, brltty, and the adapter's driver
// and latency timer.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "cli/doctor.h"

namespace korvel::cli {

struct PosixUser {
    unsigned uid = 0;
    QString name;
    std::vector<unsigned> sessionGroups;  // the groups this process runs with
};

struct PosixSystem {
    QString root;  // empty: the machine itself; else a tree with sys, dev, proc, run, etc, usr under it
    PosixUser user;
    // The adapter's latency timer (read from `latencyFile`) while this
    // program holds the port at `devicePath`: the driver's answer to its
    // low-latency request.  None when the port could not be opened.
    std::function<std::optional<qint64>(const QString& devicePath, const QString& latencyFile)> latencyWhileHeld;
};

// The checks of `ports` (none: every serial port the tree has).  The
// latency probe opens a port only when `named` (the user gave the ports).
std::vector<CheckResult> posixPortChecks(const QStringList& ports, bool named, const PosixSystem& system);

// ModemManager among the processes, and whether udev tells it to keep off
// each USB port of `ttys`.
std::vector<CheckResult> modemManagerChecks(const QStringList& ttys, const PosixSystem& system);

// brltty's udev rules, and whether a CH340/CH341 adapter is plugged in now.
CheckResult brlttyCheck(const PosixSystem& system);

}  // namespace korvel::cli
