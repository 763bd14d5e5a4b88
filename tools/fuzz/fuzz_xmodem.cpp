// The XMODEM sender against a receiver that answers random bytes: at most
// three attempts per block, never more bytes than the image needs, always ends.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "device_link/serial/scripted_serial_port.h"
#include "firmware/xmodem.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::size_t imageSize = static_cast<std::size_t>(data[0]) * 7 % 1200;
    korvel::ScriptedSerialPort port;
    port.open("fuzz");
    for (std::size_t i = 1; i < size; ++i) port.queueRead(std::string(1, static_cast<char>(data[i])));
    const QByteArray image(static_cast<qsizetype>(imageSize), 'i');
    korvel::xmodem::send(port, image, {});
    const std::size_t blocks = (imageSize + 127) / 128;
    std::size_t blockWrites = 0, eotWrites = 0;
    for (const std::string& w : port.writes()) {
        if (w.size() == 132) ++blockWrites;
        else if (w.size() == 1) ++eotWrites;
        else std::abort();
    }
    if (blockWrites > 3 * blocks || eotWrites > 3) std::abort();
    if (port.count(korvel::ScriptedSerialPort::Op::Read) > 1 + 3 * blocks + 3) std::abort();
    return 0;
}
