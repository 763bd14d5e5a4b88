// The automatic write of the production page: eight links run one after
// another, each whatever the one before did (a failing link has shown its
// own box, and the chain goes on).  The production page runs it with its
// marks and message pumps, the command line's station once per device with
// its record; both through the hooks.
#pragma once

#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <vector>

#include "production/firmware_files.h"
#include "device_link/operation_context.h"
#include "device_link/outcome.h"

namespace korvel {

enum class ChainLink {
    Identify,        // AT+CGMR: module type and core version
    Files,           // the three images found in the firmware folder
    Delete,          // the on-module application deleted
    BootLoader,      // the three image writes
    ModuleFirmware,
    Application,
    Start,           // the application started, its version read
    SerialNumber,    // AT+ZQSNUM
};
constexpr int kChainLinks = 8;

// The link's short name ("identify", "files", ... "serial").
const char* chainLinkName(ChainLink link);

// The image a link writes (0 boot loader, 1 module firmware, 2 application,
// as in ChainState::images), none for the other links.
std::optional<int> chainLinkImage(ChainLink link);

// Whether a link that ended with `outcome` may run again on the same device.
// Identification, the folder check, the application's start and its delete
// change nothing a second run could spoil.  An image write may always be
// sent again: the module takes a new image in place of a partial one, and
// after the delete a device must not be left without its application, so a
// second write is exactly what helps.  The serial number link runs again only
// when AT+ZQSNUM= provably never went out: once sent without the device's
// confirmation the number may be in the device, and sending it again (or
// another) could leave two devices with one number.
bool chainLinkRepeatable(ChainLink link, const Outcome& outcome);

// What the links read and learn: the page's fields, the station's device.
struct ChainState {
    QString folder;
    QString moduleType, coreVersion;  // set by Identify when the module answered
    std::array<QString, 3> images;    // boot loader, module firmware, application; Files sets those found
    QString serialNumber;
};

struct ChainHooks {
    // Before a link reads the state.
    std::function<void(ChainLink)> before;
    // Runs the link, once for each attempt; unset, it is simply called.  The
    // page guards each link so that an error escaping one is shown and the
    // chain goes on.  A repeat it does not run leaves the attempt before it
    // as the link's outcome.
    std::function<void(ChainLink, const std::function<void()>&)> around;
    // After the link's last attempt, with its outcome (absent when it threw).
    std::function<void(ChainLink, const Outcome*)> after;
    // How many times a failed link runs again at most, where
    // chainLinkRepeatable allows it; the page never repeats.
    int retries = 0;
};

// Runs the eight links; returns each link's outcome.
std::vector<Outcome> runProductionChain(OperationContext& ctx, FileProbe& probe, ChainState& state,
                                        const ChainHooks& hooks = {});

// The Files link alone: the folder search into the state; FileProblem when
// one of the three was not found.
Outcome findChainImages(OperationSink& sink, FileProbe& probe, ChainState& state);

}  // namespace korvel
