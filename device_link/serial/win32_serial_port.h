// The serial port on Windows: the communications functions of the kernel on
// a handle opened without sharing, no overlapped I/O.
#pragma once

#include <chrono>

#include "device_link/serial/serial_port.h"

namespace korvel {

class Win32SerialPort : public SerialPort {
public:
    Win32SerialPort() = default;
    ~Win32SerialPort() override;
    Win32SerialPort(const Win32SerialPort&) = delete;
    Win32SerialPort& operator=(const Win32SerialPort&) = delete;

    // Refuses anything that is not a character device, so that a path can
    // never lead the dialogue to a file or a volume.
    bool open(const std::string& devicePath) override;
    bool isOpen() const override;
    OpenFailure openFailure() const override { return failure_; }
    std::string openFailureMessage() const override { return failureMessage_; }
    // `native` receives the DCB as read.
    bool readSettings(LineSettings& settings) override;
    bool applySettings(const LineSettings& settings) override;
    bool setTimeouts(const Timeouts& timeouts) override;
    bool setQueues(std::uint32_t inputSize, std::uint32_t outputSize) override;
    bool setDtr(bool up) override;
    bool purge() override;
    std::size_t write(const char* data, std::size_t size) override;
    // The driver's own rules, except that where they would wait for the
    // first byte without limit the wait is bounded by kFirstByteBoundMs.
    std::size_t read(char* buffer, std::size_t size) override;
    void close() override;

    // The hook is called at most once a slice, counted across reads, so its
    // time comes out of the waits rather than being added to each read.
    void setWaitHook(WaitHook hook) override {
        waitHook_ = std::move(hook);
        lastServed_ = std::chrono::steady_clock::now();
    }

private:
    void* handle_ = nullptr;  // HANDLE; nullptr when closed
    WaitHook waitHook_;
    std::chrono::steady_clock::time_point lastServed_{};
    OpenFailure failure_ = OpenFailure::None;
    std::string failureMessage_;
};

}  // namespace korvel
