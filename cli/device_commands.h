// korvel-cli's commands on one device: read, write, reset, identify, flash;
// and the port list.
#pragma once

#include "cli/options.h"
#include "operations/device_operations.h"

namespace korvel::cli {

int portsCommand(const Args& a);
int readCommand(const Args& a);
int writeCommand(const Args& a);
int identifyCommand(const Args& a);
int flashCommand(const Args& a);
// A device operation of the operations' table that the command line offers
// under its word and shows no more than its outcome.
int operationCommand(const Args& a, const DeviceOperation& op);

}  // namespace korvel::cli
