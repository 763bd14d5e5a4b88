// Everything one device operation works with: the window it reports to, the
// source of serial ports and the clock.
#pragma once

#include "clock.h"
#include "operation_host.h"
#include "serial_port.h"

namespace korvel {

struct OperationContext {
    OperationHost& host;
    SerialPortFactory& ports;
    Clock& clock;
};

}  // namespace korvel
