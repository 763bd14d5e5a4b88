// korvel-cli doctor: why an adapter, a port, the store or the firmware folder
// will not work, found before an operation fails in the middle.  Each check
// gives typed results (what it found, how bad); their texts, and the command
// or step that mends each warning and problem, live in doctor_texts.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "device_link/serial/port_holders.h"
#include "device_link/serial/serial_port.h"

namespace korvel::cli {

enum class Level { Ok, Warning, Problem };

enum class Check {
    PortAccess,      // the port exists and this user may open it
    PortHolders,     // who holds it
    ModemManager,    // running, and whether it keeps off the adapter
    Brltty,          // the Braille daemon that claims CH34x adapters
    Adapter,         // the adapter's driver and latency timer
    AtAnswer,        // the device answers "AT" (only for a port named)
    Store,           // the station store
    FirmwareFolder,  // the three images
};

enum class Finding {
    // PortAccess
    NoPorts, PortAbsent, PortPresent, PortAccessible, NotInGroup, GroupNotYetActive, NoPermission,
    // PortHolders
    NotHeld, HeldByModemManager, HeldByOther,
    // ModemManager
    ModemManagerNotRunning, ModemManagerRunning, ModemManagerIgnoresAdapter, ModemManagerMayProbe,
    // Brltty
    BrlttyAbsent, BrlttyWithoutCh34xRule, BrlttyRuleForCh34x, BrlttyClaimsCh34x,
    // Adapter
    NotUsbAdapter, NoLatencyTimer, LatencyLow, LatencyLowWhileHeld, LatencyHigh, LatencyHighRegistry,
    // AtAnswer
    AtAnswered, AtSilent, AtGarbled, AtPortUnusable,
    // Store
    StoreAbsent, StoreUnreachable, StoreNotWritable, StoreReachable, NumbersLeft, NoFreeNumbers,
    UnknownNumbers,
    // FirmwareFolder
    FolderAbsent, ImagePresent, ImageMissing, ImageEmpty, ImageUnreadable,
};

struct CheckResult {
    Check check = Check::PortAccess;
    Level level = Level::Ok;
    Finding finding = Finding::PortAccessible;
    QString subject;   // the port, the image file, the store's location
    QString detail;    // a group, a driver, a store's reason, a reply as text
    qint64 value = 0;  // a latency in ms, a count of numbers, a file's size
    QString sha256;    // an image's, lower-case hex
    QString user;      // the user the check ran as (for a group to join)
    OpenFailure openFailure = OpenFailure::None;
    std::vector<PortHolder> holders;
};

// A result with no more than its subject.
CheckResult result(Check check, Level level, Finding finding, const QString& subject = QString());

struct DoctorOptions {
    QStringList ports;   // --port: the ports to look at (none: every port the system has)
    QString folder;      // --folder: empty leaves the images alone
    QString store;       // --store: empty is the default file
    bool json = false;
};

// The store's checks: reachable, writable, numbers left, unknown numbers.  A
// file that is not there yet is reported, not made.
std::vector<CheckResult> checkStore(const QString& location);

// The firmware folder's boot loader, module firmware (every firmware_*.dwl)
// and application, each with its size and SHA-256.
std::vector<CheckResult> checkFirmwareFolder(const QString& folder);

// One "AT" exchange on `port` through the AT dialogue; nothing else is sent.
CheckResult checkAtAnswer(const QString& port, SerialPortFactory& ports);

// The platform's own checks of the ports, their adapters and drivers
// (doctor_posix.cpp, doctor_win32.cpp); `named` says the ports were given
// by the user, who may then have them opened.
std::vector<CheckResult> systemPortChecks(const QStringList& ports, bool named);

// 0 when no check found a problem, 1 otherwise.
int doctorExitCode(const std::vector<CheckResult>& results);

// Runs every check, writes one line each (or one JSON object per line) to
// stdout and returns the exit code.
int doctorCommand(const DoctorOptions& options);

}  // namespace korvel::cli
