// The rows of the fault matrix.  A bound is the longest wait the operation's
// own time-outs and pauses add up to under that fault, with a margin of
// about a second and a half for a loaded machine: a wait that grows past it
// (a longer time-out, a read that spins, a retry) fails its row.
#include "fault_rows.h"

#include "configuration/config_read.h"
#include "configuration/config_write.h"
#include "firmware/firmware_download.h"
#include "production/module_operations.h"

namespace korvel::test {
namespace {

using Op = Operation;

const Box kSilent = box::DeviceSilent;
const Box kConfigError = box::ConfigurationError;
const Box kEntryRefused = box::ConfigModeNotStarted;
const Report kNotWritten{status::ConfigurationNotWritten};
const Report kWritten{status::ConfigurationWritten};
const Report kNotRead{status::ConfigurationNotRead};
const Report kPartlyRead{status::ConfigurationReadPartly};
const Report kRead{status::ConfigurationRead};
const Report kPortSet{status::PortSettingsSet};
const Report kWorking{status::CommunicatorWorking};
const Report kInConfig{status::CommunicatorInConfigMode};
const Report kStarted{status::ApplicationStarted};
const Report kStopped{status::ApplicationStopped};
const Report kDeleted{status::ApplicationErased};
const Report kResetDone{status::ControllerRestarted};
const Report kCommunicatorReset{status::CommunicatorRestarted};
const Report kNoRequest{status::FirmwareNotWritten, transfer_failure::kNoRequest};
Report blockRefused(int block) {
    return {status::FirmwareNotWritten, QStringLiteral("%1 %2").arg(QLatin1String(transfer_failure::kBlockRefused)).arg(block)};
}

// Each command kind of the configuration write refused, with the device's
// 9-byte "\r\nERROR\r\n" and with a 6-byte error.  A refusal inside a table
// only ends that table, but the write is then incomplete all the same.
void addWriteRefusals(std::vector<FaultRow>& rows) {
    struct Kind {
        const char* command;
        std::vector<Box> boxes;
    };
    const Kind kinds[] = {
        {"AT+ZQCONFIG", {kEntryRefused}}, {"AT+ZQTIME", {kConfigError}},
        {"AT+ZQDATE", {kConfigError}},    {"AT+ZQPIN", {kConfigError}},
        {"AT+ZQTEL", {kConfigError}},     {"AT+ZQAPN", {kConfigError}},
        {"AT+ZQUSER", {kConfigError}},    {"AT+ZQPASS", {kConfigError}},
        {"AT+ZQSERVER", {kConfigError}},  {"AT+ZQBALANCE", {kConfigError}},
        {"AT+ZQPORT", {kConfigError}},    {"AT+ZQDEVICE", {kConfigError}},
        {"AT+ZQSMSPASS", {kConfigError}}, {"AT+ZQERRSMS", {kConfigError}},
        {"AT+ZQGPRS2", {kConfigError}},   {"AT+ZQGPRS3", {kConfigError}},
        {"AT+ZQSAVE", {kConfigError}},    {"AT+ZQEXIT", {}},
    };
    for (const Kind& kind : kinds) {
        const std::string name = std::string(kind.command).substr(5);
        rows.push_back({"write_refused_" + name, Op::WriteConfiguration,
                        {"--refuse", kind.command}, 3500, kind.boxes, kNotWritten});
        rows.push_back({"write_refused_short_" + name, Op::WriteConfiguration,
                        {"--refuse", kind.command, "--short-error"}, 3500, kind.boxes,
                        kNotWritten});
    }
}

// A port name that leads to no usable port, for every operation: the
// port-unusable box with its reason, nothing sent, nothing reported.
void addPortRows(std::vector<FaultRow>& rows) {
    const struct {
        PortFault port;
        const char* name;
        OpenFailure why;
    } faults[] = {
        {PortFault::HeldElsewhere, "held", OpenFailure::Busy},
        {PortFault::RegularFile, "file", OpenFailure::NotSerial},
        {PortFault::Directory, "directory", OpenFailure::NotSerial},
        {PortFault::Missing, "missing", OpenFailure::Absent},
    };
    const Op operations[] = {Op::WriteConfiguration, Op::ReadConfiguration,
                             Op::ResetController,    Op::UpdateFirmware,
                             Op::WriteProductionImage,
                             Op::StartApplication,   Op::DeleteApplication,
                             Op::ProgramSerialNumber};
    for (Op op : operations) {
        for (const auto& f : faults) {
            FaultRow row{std::string(operationName(op)) + "_port_" + f.name, op, {}, 1000,
                         {box::PortUnusable}, Report{}};
            row.port = f.port;
            row.portFailure = f.why;
            rows.push_back(row);
        }
    }
}

std::vector<FaultRow> makeRows() {
    const QStringList none;
    const QStringList silent{"--silent"};
    const QStringList quiet{"--no-echo"};
    std::vector<FaultRow> rows = {
        // The configuration write.
        {"write_healthy", Op::WriteConfiguration, none, 3000, {}, kWritten, FormOutcome::Kept,
         PortFault::None, true},
        {"write_silent", Op::WriteConfiguration, silent, 5500, {kSilent}, kNotWritten},
        {"write_garbage_random", Op::WriteConfiguration, {"--garbage", "random"}, 4000,
         {kEntryRefused}, kNotWritten},
        {"write_garbage_nul", Op::WriteConfiguration, {"--garbage", "nul"}, 4000,
         {kEntryRefused}, kNotWritten},
        {"write_garbage_flood", Op::WriteConfiguration, {"--garbage", "flood"}, 5000,
         {kEntryRefused}, kNotWritten},
        // "\r\nOK\r" passes as good: the device took every setting and saved it.
        // Each 5-byte reply waits out the 500 ms byte interval.
        {"write_cut_replies", Op::WriteConfiguration, quiet + QStringList{"--cut-replies", "5"},
         32000, {}, kWritten, FormOutcome::Kept, PortFault::None, true},
        // The device falls silent after the first setting: every later step
        // passes unanswered, but the unconfirmed save is no success.
        {"write_vanishing", Op::WriteConfiguration, {"--vanish-after-lines", "4"}, 3500, {},
         kNotWritten},

        // The configuration read.
        {"read_healthy", Op::ReadConfiguration, none, 7000, {}, kRead, FormOutcome::Replaced,
         PortFault::None, true},
        {"read_silent", Op::ReadConfiguration, silent, 6500, {kSilent}, kNotRead},
        {"read_refused_CONFIG", Op::ReadConfiguration, {"--refuse", "AT+ZQCONFIG"}, 3000, {},
         kNotRead},
        {"read_refused_short_CONFIG", Op::ReadConfiguration,
         {"--refuse", "AT+ZQCONFIG", "--short-error"}, 3000, {}, kNotRead},
        {"read_refused_APN", Op::ReadConfiguration, {"--refuse", "AT+ZQAPN?"}, 7000, {},
         kPartlyRead, FormOutcome::Replaced, PortFault::None, false, FormField::GprsAccessPoint},
        {"read_refused_short_APN", Op::ReadConfiguration,
         {"--refuse", "AT+ZQAPN?", "--short-error"}, 7000, {}, kPartlyRead,
         FormOutcome::Replaced, PortFault::None, false, FormField::GprsAccessPoint},
        {"read_garbage_random", Op::ReadConfiguration, {"--garbage", "random"}, 4000, {},
         kNotRead},
        {"read_garbage_nul", Op::ReadConfiguration, {"--garbage", "nul"}, 4000, {}, kNotRead},
        {"read_garbage_flood", Op::ReadConfiguration, {"--garbage", "flood"}, 5000, {},
         kNotRead},
        // Cut before any value: nothing reaches the fields.
        {"read_cut_replies_6", Op::ReadConfiguration, quiet + QStringList{"--cut-replies", "6"},
         7000, {}, kNotRead},
        // Cut inside the values: the fields get what came, as the device sent it.
        {"read_cut_replies_40", Op::ReadConfiguration, quiet + QStringList{"--cut-replies", "40"},
         7000, {}, kRead, FormOutcome::Any, PortFault::None, true},
        {"read_vanishing", Op::ReadConfiguration, {"--vanish-after-lines", "4"}, 3500, {},
         kPartlyRead, FormOutcome::Any},

        // The controller reset sends its restart and reads nothing back.
        {"reset_healthy", Op::ResetController, none, 2000, {}, Report{}},
        {"reset_silent", Op::ResetController, silent, 2000, {}, Report{}},

        // The update page's firmware download (an image of 8 blocks).
        {"firmware_healthy", Op::UpdateFirmware, none, 11000, {}, kResetDone, FormOutcome::Kept,
         PortFault::None, true},
        // 0.5 s, the 5 s before the reopen, 30 s for the first request, 2 s restart.
        {"firmware_silent", Op::UpdateFirmware, silent, 40000, {},
         kNoRequest},
        // The device drops off once its third block is in, before acknowledging it.
        {"firmware_vanishing", Op::UpdateFirmware, {"--vanish-after", "3"}, 11000, {},
         blockRefused(3)},
        {"firmware_block_refused", Op::UpdateFirmware, {"--nak-block", "2", "--nak-times", "3"},
         12000, {}, blockRefused(2)},

        // The production page's image write (the same 8-block image): the
        // restart pauses around the transfer take most of each wait.
        {"image_healthy", Op::WriteProductionImage, none, 7500, {}, kCommunicatorReset,
         FormOutcome::Kept, PortFault::None, true},
        {"image_silent", Op::WriteProductionImage, silent, 11500, {},
         kNoRequest},
        {"image_never_asked", Op::WriteProductionImage, {"--never-nak"}, 9500, {},
         kNoRequest},
        {"image_vanishing", Op::WriteProductionImage, {"--vanish-after", "3"}, 4500, {},
         blockRefused(3)},
        {"image_block_refused", Op::WriteProductionImage, {"--nak-block", "2", "--nak-times", "3"},
         7500, {}, blockRefused(2)},

        // The production page's application start: 3 s after the start command.
        {"start_healthy", Op::StartApplication, none, 5500, {}, kWorking, FormOutcome::Kept,
         PortFault::None, true},
        // The echo test's 1 s and the start command's 10 s.
        {"start_silent", Op::StartApplication, silent, 12500, {kSilent}, kPortSet},
        {"start_refused_WOPEN", Op::StartApplication, {"--refuse", "AT+WOPEN=1"}, 2500,
         {box::StartRefused}, kPortSet},
        {"start_refused_CONFIG", Op::StartApplication, {"--refuse", "AT+ZQCONFIG"}, 5000,
         {box::ConfigModeRefused}, kStarted},
        {"start_refused_EXIT", Op::StartApplication, {"--refuse", "AT+ZQEXIT"}, 5500,
         {box::ExitRefused}, Report{status::ApplicationVersion, "1.0.5\r\n\r\nO"}},
        {"start_garbage_random", Op::StartApplication, {"--garbage", "random"}, 3000,
         {box::StartRefused}, kPortSet},
        {"start_vanishing", Op::StartApplication, {"--vanish-after-lines", "2"}, 5000,
         {box::VersionUnread}, kInConfig},

        // The application's deletion.
        {"delete_healthy", Op::DeleteApplication, none, 2000, {}, kDeleted, FormOutcome::Kept,
         PortFault::None, true},
        {"delete_silent", Op::DeleteApplication, silent, 12500, {kSilent}, kPortSet},
        {"delete_refused_WOPEN0", Op::DeleteApplication, {"--refuse", "AT+WOPEN=0"}, 2500,
         {box::StopRefused}, kPortSet},
        // Only silence counts against the erase commands: an error text still
        // means the module heard them.
        {"delete_refused_WOPEN3", Op::DeleteApplication, {"--refuse", "AT+WOPEN=3"}, 2500, {},
         kDeleted, FormOutcome::Kept, PortFault::None, true},
        {"delete_vanishing", Op::DeleteApplication, {"--vanish-after-lines", "2"}, 2500,
         {box::ObjectsNotErased}, kStopped},

        // The serial number.
        {"serial_healthy", Op::ProgramSerialNumber, none, 2500, {}, kWorking, FormOutcome::Kept,
         PortFault::None, true},
        {"serial_silent", Op::ProgramSerialNumber, silent, 3500, {kSilent}, kPortSet},
        {"serial_refused_CONFIG", Op::ProgramSerialNumber, {"--refuse", "AT+ZQCONFIG"}, 2500,
         {box::ConfigModeRefused}, kPortSet},
        {"serial_refused_SNUM", Op::ProgramSerialNumber, {"--refuse", "AT+ZQSNUM"}, 2500,
         {box::SerialNumberNotWritten}, kInConfig},
        {"serial_refused_short_SNUM", Op::ProgramSerialNumber,
         {"--refuse", "AT+ZQSNUM", "--short-error"}, 2500,
         {box::SerialNumberNotWritten}, kInConfig},
        {"serial_refused_EXIT", Op::ProgramSerialNumber, {"--refuse", "AT+ZQEXIT"}, 2500,
         {box::ExitRefused},
         Report{status::SerialNumberWritten, "00012345"}},
        // The device drops off after entering configuration mode: the number
        // was never confirmed.
        {"serial_vanishing", Op::ProgramSerialNumber, {"--vanish-after-lines", "2"}, 2500,
         {box::SerialNumberNotWritten}, kInConfig},
    };
    addWriteRefusals(rows);
    addPortRows(rows);
    return rows;
}

}  // namespace

const char* operationName(Operation operation) {
    // In the order of the operations.
    const char* const names[] = {"write", "read", "reset", "firmware", "image", "start", "delete", "serial"};
    return names[static_cast<int>(operation)];
}

const std::vector<FaultRow>& faultRows() {
    static const std::vector<FaultRow> rows = makeRows();
    return rows;
}

}  // namespace korvel::test
