// Everything one device operation works with: the sink it reports to, the
// source of serial ports and the clock.
#pragma once

#include "device_link/serial/clock.h"
#include "device_link/operation_sink.h"
#include "device_link/serial/serial_port.h"

namespace korvel {

struct OperationContext {
    OperationSink& sink;
    SerialPortFactory& ports;
    Clock& clock;
};

}  // namespace korvel
