// Everything one device operation works with: the sink it reports to, the
// source of serial ports and the clock.
#pragma once

#include "clock.h"
#include "operation_sink.h"
#include "serial_port.h"

namespace korvel {

struct OperationContext {
    OperationSink& sink;
    SerialPortFactory& ports;
    Clock& clock;
};

}  // namespace korvel
