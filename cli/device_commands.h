// korvel-cli's commands on one device: read, write, reset, identify, flash;
// and the port list.
#pragma once

#include "cli/options.h"

namespace korvel::cli {

int portsCommand(const Args& a);
int readCommand(const Args& a);
int writeCommand(const Args& a);
int resetCommand(const Args& a);
int identifyCommand(const Args& a);
int flashCommand(const Args& a);

}  // namespace korvel::cli
