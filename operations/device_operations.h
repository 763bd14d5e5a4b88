// The device operations as both front ends offer them, one row each: the
// window's button (object name, caption and place), korvel-cli's command
// word with its line of help, what the operation needs besides the port,
// what the window shows of its outcome, and the function that runs it.
// The production page makes its buttons and handlers from these rows,
// korvel-cli its commands and their help.
#pragma once

#include <QString>
#include <vector>

#include "device_link/operation_context.h"
#include "device_link/outcome.h"

namespace korvel {

// What an operation takes besides its context.
enum class Needs {
    PortOnly,
    SerialNumber,  // the number typed on the page; the page records the device it went to
};

struct OperationInput {
    QString serialNumber;  // Needs::SerialNumber: the eight digits as typed
};

// What the window keeps of a successful outcome besides its reports.
enum class Learns { Nothing, ModuleIdentity };

// Where the window puts the button: the page, its place in the page's group
// (the form's own coordinates) and the control it follows in the tab order.
// Rows the page does not place are laid out by their own page.
enum class Page { Elsewhere, Production };
struct Placement {
    Page page = Page::Elsewhere;
    int x = 0, y = 0, width = 0;
    const char* after = nullptr;  // object name
};

struct DeviceOperation {
    const char* objectName;  // the window's button
    const char* caption;     // its text (UTF-8)
    const char* verb;        // korvel-cli's command; null where it offers none
    const char* usage;       // its line of help: "reset --port P", then what it does (UTF-8)
    const char* summary;
    Needs needs;
    Learns learns;
    Placement placement;
    Outcome (*run)(OperationContext& ctx, const OperationInput& input);
};

// Every row, in the order korvel-cli's help lists them.
const std::vector<DeviceOperation>& deviceOperations();
// The row of a button or of a command word; null for none.
const DeviceOperation* operationNamed(const char* objectName);
const DeviceOperation* operationOfVerb(const QString& verb);

}  // namespace korvel
