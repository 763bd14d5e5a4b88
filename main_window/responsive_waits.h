// The clock and the serial ports as the window's operations get them: every
// pause and every wait on the device lets the window process its messages
// at least every kWaitSliceMs, so that it repaints and answers its user
// through the 30 s wait for a module's first request, the 10 s reads of the
// application commands and the 3 s and 5 s pauses alike.  What goes over the
// wire and when each wait ends are those of the ports and the clock beneath.
#pragma once

#include <functional>

#include "device_link/serial/clock.h"
#include "device_link/serial/serial_port.h"

namespace korvel {

class ResponsiveClock : public Clock {
public:
    ResponsiveClock(Clock& inner, std::function<void()> pump)
        : inner_(inner), pump_(std::move(pump)) {}
    void sleepMs(std::uint32_t ms) override { inner_.pauseMs(ms, pump_, kWaitSliceMs); }
    std::chrono::system_clock::time_point now() override { return inner_.now(); }

private:
    Clock& inner_;
    std::function<void()> pump_;
};

class ResponsivePortFactory : public SerialPortFactory {
public:
    ResponsivePortFactory(SerialPortFactory& inner, std::function<void()> pump)
        : inner_(inner), pump_(std::move(pump)) {}
    std::unique_ptr<SerialPort> create() override {
        std::unique_ptr<SerialPort> port = inner_.create();
        if (port) port->setWaitHook(pump_);
        return port;
    }

private:
    SerialPortFactory& inner_;
    std::function<void()> pump_;
};

}  // namespace korvel
