// The serial port on Linux and other POSIX systems: termios for the line
// settings, poll for the time-outs, which follow the Windows rules (see
// read_deadline.h) so that every dialogue behaves the same on each platform.
#pragma once

#include <chrono>

#include "device_link/serial/serial_port.h"

namespace korvel {

class PosixSerialPort : public SerialPort {
public:
    PosixSerialPort() = default;
    ~PosixSerialPort() override;
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    // Opens a terminal device exclusively: an advisory lock keeps out every
    // other port connection, of this program or another, and the terminal's
    // exclusive mode keeps out other programs that do not lock.  Anything
    // that is not a terminal is refused.
    bool open(const std::string& devicePath) override;
    bool isOpen() const override { return fd_ >= 0; }
    OpenFailure openFailure() const override { return failure_; }
    std::string openFailureMessage() const override { return failureMessage_; }
    // `native` receives the struct termios as read.
    bool readSettings(LineSettings& settings) override;
    // Raw binary line with the named speed, size, parity, stop bits and
    // RTS/CTS handshake; everything else of `native` is kept.
    bool applySettings(const LineSettings& settings) override;
    bool setTimeouts(const Timeouts& timeouts) override;
    // The kernel sizes its own queues: nothing to do.
    bool setQueues(std::uint32_t inputSize, std::uint32_t outputSize) override;
    // Pseudo-terminals have no modem lines; that is not a failure.
    bool setDtr(bool up) override;
    // Drops unread input and output not yet sent; never bytes already sent.
    bool purge() override;
    std::size_t write(const char* data, std::size_t size) override;
    std::size_t read(char* buffer, std::size_t size) override;
    void close() override;
    void setWaitHook(WaitHook hook) override;
    // True while this connection holds the driver's low-latency mode it
    // switched on itself at open() (USB-serial adapters on Linux).
    bool lowLatencySet() const { return lowLatencySet_; }

private:
    // Calls the wait hook when a slice has passed since its last call, in
    // this read or write or an earlier one: the hook's time is taken from
    // the waits, never added to each of them.
    void serveWait();
    // serveWait, but only while nothing has come yet: before a read waits.
    void serveWaitBeforeInput();
    void askLowLatency();
    void restoreLatency();
    // Records why open() failed, with errno's message.
    void failed(OpenFailure failure, int error);

    int fd_ = -1;
    WaitHook waitHook_;
    std::chrono::nanoseconds lastServed_{};
    OpenFailure failure_ = OpenFailure::None;
    std::string failureMessage_;
    Timeouts timeouts_;
    bool lowLatencySet_ = false;
    // How long one character takes on the line at the speed last applied
    // (until then, 115200 baud 8N1).
    std::chrono::nanoseconds charTime_{86806};
};

}  // namespace korvel
