// The device operations as both front ends offer them, one row each: the
// window's button (object name and caption), korvel-cli's command word,
// what the operation needs besides the port, and the function that runs it.
// The production page makes its buttons and handlers from these rows and
// korvel-cli its commands.
#pragma once

#include <QString>
#include <vector>

#include "device_link/operation_context.h"
#include "device_link/outcome.h"

namespace korvel {

// What an operation takes besides its context.
enum class Needs { PortOnly, SerialNumber };

struct OperationInput {
    QString serialNumber;  // Needs::SerialNumber: the eight digits as typed
};

struct DeviceOperation {
    const char* objectName;  // the window's button
    const char* caption;     // its text (UTF-8)
    const char* verb;        // korvel-cli's command; null where it offers none
    Needs needs;
    Outcome (*run)(OperationContext& ctx, const OperationInput& input);
};

// Every row, in the order the window lays them out.
const std::vector<DeviceOperation>& deviceOperations();
// The row of a button or of a command word; null for none.
const DeviceOperation* operationNamed(const char* objectName);
const DeviceOperation* operationOfVerb(const QString& verb);

}  // namespace korvel
