#include "device_link/serial/serial_port.h"

namespace korvel {

void applyCommunicatorLineSettings(LineSettings& s) {
    s.baudRate = 115200;
    s.byteSize = 8;
    s.parity = kNoParity;
    s.stopBits = kOneStopBit;
    s.outxCtsFlow = true;
    s.outxDsrFlow = false;
    s.dtrControl = kDtrControlDisable;
    s.dsrSensitivity = false;
    s.rtsControl = kRtsControlHandshake;
}

namespace {
constexpr std::size_t kMaxWindowsPathLength = 14;
const char kWindowsPathPrefix[] = "\\\\.\\COM";
}  // namespace

std::string windowsDevicePath(const std::string& portName) {
    if (portName.size() <= 3) return std::string();
    const std::string tail = portName.substr(3);
    // The tail goes behind "\\.\COM" as it stands.  A separator, drive colon
    // or zero byte in it would let a typed name reach another device (for
    // instance "COM\..\C:" is the volume C:), so such names name no port.
    if (tail.find_first_of(std::string("\\/:\0", 4)) != std::string::npos) return std::string();
    std::string path = kWindowsPathPrefix + tail;
    if (path.size() > kMaxWindowsPathLength) return std::string();
    return path;
}

std::string posixDevicePath(const std::string& portName) {
    if (portName.empty() || portName.find('\0') != std::string::npos) return std::string();
    if (portName.front() == '/') return portName;
    return "/dev/" + portName;
}

std::string devicePathForPortName(const std::string& portName) {
#ifdef _WIN32
    return windowsDevicePath(portName);
#else
    return posixDevicePath(portName);
#endif
}

}  // namespace korvel
