// Links every entry point of the serial layer into a program, so that the
// Windows cross-build also proves the layer links.
#include <cstdio>

#include "device_link/serial/clock.h"
#include "device_link/serial/read_deadline.h"
#include "device_link/serial/serial_port.h"

int main(int argc, char** argv) {
    const std::string path = korvel::devicePathForPortName(argc > 1 ? argv[1] : "COM1");
    std::unique_ptr<korvel::SerialPort> port = korvel::makeSystemSerialPortFactory()->create();
    korvel::LineSettings settings;
    korvel::applyCommunicatorLineSettings(settings);
    korvel::SystemClock clock;
    const bool bounded = korvel::readNeedsFirstByteBound(korvel::Timeouts{});
    std::printf("%s %u %d %lld\n", path.c_str(), settings.baudRate, bounded ? 1 : 0,
                static_cast<long long>(clock.now().time_since_epoch().count() != 0));
    if (argc > 2 && port->open(path)) port->close();
    return 0;
}
