// The fault matrix: every device operation against every way a line or a
// device can fail, over a real pseudo-terminal against the device simulator.
// One row is one operation under one fault, with the longest wait it may take
// and what the user must be told, as the typed reports and boxes.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "configuration/config_form.h"
#include "device_link/operation_sink.h"

namespace korvel::test {

enum class Operation {
    WriteConfiguration,
    ReadConfiguration,
    ResetController,
    UpdateFirmware,
    WriteProductionImage,
    StartApplication,
    DeleteApplication,
    ProgramSerialNumber,
};

// What stands behind the port name the row types into the port choice.
enum class PortFault {
    None,          // the simulator's pseudo-terminal
    HeldElsewhere, // the pseudo-terminal, opened exclusively by another process
    RegularFile,
    Directory,
    Missing,
};

// What becomes of the configuration form.
enum class FormOutcome {
    Kept,      // unchanged, every field and cell
    Replaced,  // the device's values came in (a read that worked)
    Any,       // a read of cut replies: leftovers, as the device sent them
};

// A status report with its detail; no key: no report at all.
struct Report {
    Status status = {};
    QString detail = {};
};

struct FaultRow {
    std::string name;
    Operation operation;
    QStringList simulator;  // the fault, as simulator options
    int boundMs;            // the operation must end within this
    std::vector<Box> boxes;  // every box, in order
    Report lastStatus;       // the last status report
    FormOutcome form = FormOutcome::Kept;
    PortFault port = PortFault::None;
    // The row's outcome is success: the device took everything (its replies
    // were only cut short), and the simulator's stored state shows it.
    bool succeeds = false;
    std::optional<FormField> fieldKept = std::nullopt;  // one field a read must leave alone
    // Why the port-unusable box says the port is unusable; it names the
    // port, and for a port held elsewhere both processes that hold it.
    OpenFailure portFailure = OpenFailure::None;
};

// gtest names a row by its name.
inline void PrintTo(const FaultRow& row, std::ostream* out) { *out << row.name; }

// Every row of the matrix.
const std::vector<FaultRow>& faultRows();

// What one row measured.
struct RowResult {
    long long waitedMs = 0;
    long long cpuMs = 0;
};

// Runs the row and checks it with gtest assertions; returns its figures.
RowResult runFaultRow(const FaultRow& row);

const char* operationName(Operation operation);

// True when any descriptor of this process still refers to `path`.
bool descriptorOpenOn(const QString& path);

}  // namespace korvel::test
