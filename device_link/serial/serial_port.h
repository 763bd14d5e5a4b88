// The serial port as a port connection uses it: open, line settings,
// time-outs, driver queues, DTR, purge, write, read, close.
//
// This header and the port implementations have no Qt dependency, so the
// same code builds for Windows with a plain cross compiler.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace korvel {

// Values of the device control block fields the configurator sets.
enum : std::uint8_t {
    kNoParity = 0,
    kOneStopBit = 0,
    kDtrControlDisable = 0,
    kRtsControlHandshake = 2,
};

// The line settings of a port.  The named fields are the ones the
// configurator changes; `native` carries the platform's own settings record
// (DCB on Windows, termios on POSIX) exactly as read, so that every other
// field keeps the value the port reported.  An empty `native` means "not read
// first": the implementation then starts from the port's current state.
struct LineSettings {
    std::uint32_t baudRate = 0;
    std::uint8_t byteSize = 0;
    std::uint8_t parity = 0;
    std::uint8_t stopBits = 0;
    bool outxCtsFlow = false;
    bool outxDsrFlow = false;
    std::uint8_t dtrControl = 0;
    bool dsrSensitivity = false;
    std::uint8_t rtsControl = 0;
    std::vector<unsigned char> native;
};

// The communicator's line: 115200 8N1, output waits for CTS, RTS handshake,
// DTR driven by hand.
void applyCommunicatorLineSettings(LineSettings& s);

// Read and write time-outs in milliseconds, with the Windows meaning.
struct Timeouts {
    std::uint32_t readInterval = 0;
    std::uint32_t readMultiplier = 0;
    std::uint32_t readConstant = 0;
    std::uint32_t writeMultiplier = 0;
    std::uint32_t writeConstant = 0;
    bool operator==(const Timeouts& o) const {
        return readInterval == o.readInterval && readMultiplier == o.readMultiplier &&
               readConstant == o.readConstant && writeMultiplier == o.writeMultiplier &&
               writeConstant == o.writeConstant;
    }
};

// Where a read's total constant is 0 the Windows driver waits for the first
// byte for ever.  A communicator answers an AT command within a few hundred
// milliseconds even while it writes its flash, so a device that has said
// nothing for two seconds is taken as silent: the read then returns with
// zero bytes, which the dialogues treat as "no answer".  Every platform's
// port applies this same bound.
constexpr std::uint32_t kFirstByteBoundMs = 2000;

constexpr std::uint32_t kDriverQueueSize = 1024;

// A write whose time-outs give it no total bound (never set on this
// connection, for instance after the port refused its settings, or a write
// multiplier and constant of 0) is bounded by this instead: the write
// constant every dialogue sets.  A device that holds CTS low then costs a
// second, never a hung program.
constexpr std::uint32_t kWriteBoundMs = 1000;

// While a read or a write waits on the device, the port calls its wait hook
// at least this often, so that a window can go on answering its user.  The
// hook never changes what the port sends or when a read ends.
constexpr std::uint32_t kWaitSliceMs = 50;
using WaitHook = std::function<void()>;

// Why a port could not be opened.
enum class OpenFailure {
    None,
    Absent,            // no such device
    Busy,              // held by another program
    PermissionDenied,  // the user may not use the device
    NotSerial,         // the name is a file or device that is no serial port
    Other,
};

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Opens the device path exclusively.  False when the port is absent or
    // held by anyone else.
    virtual bool open(const std::string& devicePath) = 0;
    // Why the last open() failed; None after a successful one.
    virtual OpenFailure openFailure() const { return OpenFailure::None; }
    // The system's own text of that failure (errno's message on POSIX,
    // GetLastError's on Windows, UTF-8); empty when the system gave none.
    virtual std::string openFailureMessage() const { return std::string(); }
    virtual bool isOpen() const = 0;
    virtual bool readSettings(LineSettings& settings) = 0;
    virtual bool applySettings(const LineSettings& settings) = 0;
    virtual bool setTimeouts(const Timeouts& timeouts) = 0;
    virtual bool setQueues(std::uint32_t inputSize, std::uint32_t outputSize) = 0;
    virtual bool setDtr(bool up) = 0;
    // Empties both driver queues.
    virtual bool purge() = 0;
    // Returns the number of bytes the port took before the write time-out.
    virtual std::size_t write(const char* data, std::size_t size) = 0;
    // Reads up to `size` bytes under the current time-outs; returns the count.
    virtual std::size_t read(char* buffer, std::size_t size) = 0;
    // Closes the handle (the port connection drops DTR before).  Safe to call
    // on a closed port.
    virtual void close() = 0;
    // Sets the hook called during long waits (see kWaitSliceMs); ports that
    // never wait (the scripted one) ignore it.
    virtual void setWaitHook(WaitHook hook) { (void)hook; }
};

// Makes a fresh, unopened port for one port connection.
class SerialPortFactory {
public:
    virtual ~SerialPortFactory() = default;
    virtual std::unique_ptr<SerialPort> create() = 0;
};

// The platform's real ports.
std::unique_ptr<SerialPortFactory> makeSystemSerialPortFactory();

// The device path for a port name, or an empty string when the name cannot
// name a port (on Windows: 3 characters or fewer, or a path longer than 14).
std::string devicePathForPortName(const std::string& portName);
std::string windowsDevicePath(const std::string& portName);
std::string posixDevicePath(const std::string& portName);

}  // namespace korvel
