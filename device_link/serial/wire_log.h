// The wire log, for support: every byte that crosses the serial line and
// every port event (open, close, line settings, time-outs, queues, DTR,
// purge, reads that end short), one line each with the time of day to the
// millisecond, the port and the direction:
//
//   12:00:01.234 /dev/ttyUSB0 > AT+ZQCONFIG<0D><0A>
//   12:00:01.251 /dev/ttyUSB0 < <0D><0A>OK<0D><0A>
//   12:00:01.252 /dev/ttyUSB0 * read 6 of 1000 bytes, 501 ms
//
// ">" is what the program sent, "<" what it received, "*" an event.
// Printable ASCII stands as it is; every other byte, and "<" itself, is
// written as <HH>.  Each line is written whole and handed to the system at
// once, so the file keeps everything up to a crash.  One log serves any
// number of ports on any number of threads.
//
// The ports are wrapped: WireLogPort passes every call on to the port it
// wraps and only writes down what happened.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "device_link/serial/serial_port.h"

namespace korvel {

class WireLog {
public:
    // Opens `path` for appending; null, with the reason in `error`, when it
    // cannot be opened.
    static std::shared_ptr<WireLog> open(const std::string& path, std::string& error);
    ~WireLog();
    WireLog(const WireLog&) = delete;
    WireLog& operator=(const WireLog&) = delete;

    // Bytes that went out ('>') or came in ('<') on `port`.
    void bytes(const std::string& port, char direction, const char* data, std::size_t size);
    // An event on `port`.
    void event(const std::string& port, const std::string& text);

    // How bytes read in the log (see above).
    static std::string readable(const char* data, std::size_t size);

private:
    explicit WireLog(std::FILE* file) : file_(file) {}
    void line(const std::string& port, char mark, const std::string& text);

    std::mutex mutex_;
    std::FILE* file_;
};

class WireLogPort : public SerialPort {
public:
    WireLogPort(std::unique_ptr<SerialPort> port, std::shared_ptr<WireLog> log);
    ~WireLogPort() override;

    bool open(const std::string& devicePath) override;
    OpenFailure openFailure() const override { return port_->openFailure(); }
    std::string openFailureMessage() const override { return port_->openFailureMessage(); }
    bool isOpen() const override { return port_->isOpen(); }
    bool readSettings(LineSettings& settings) override;
    bool applySettings(const LineSettings& settings) override;
    bool setTimeouts(const Timeouts& timeouts) override;
    bool setQueues(std::uint32_t inputSize, std::uint32_t outputSize) override;
    bool setDtr(bool up) override;
    bool purge() override;
    std::size_t write(const char* data, std::size_t size) override;
    std::size_t read(char* buffer, std::size_t size) override;
    void close() override;
    void setWaitHook(WaitHook hook) override { port_->setWaitHook(std::move(hook)); }

private:
    void event(const std::string& text) { log_->event(name_, text); }

    std::unique_ptr<SerialPort> port_;
    std::shared_ptr<WireLog> log_;
    std::string name_ = "-";  // the device path once open() was asked
};

// Makes the ports of `factory`, each wrapped to write into `log`.
class WireLogPortFactory : public SerialPortFactory {
public:
    WireLogPortFactory(std::shared_ptr<SerialPortFactory> factory, std::shared_ptr<WireLog> log)
        : factory_(std::move(factory)), log_(std::move(log)) {}
    std::unique_ptr<SerialPort> create() override;

private:
    std::shared_ptr<SerialPortFactory> factory_;
    std::shared_ptr<WireLog> log_;
};

// `factory` itself when `log` is null, else its ports wrapped to write into
// `log`.
std::shared_ptr<SerialPortFactory> withWireLog(std::shared_ptr<SerialPortFactory> factory,
                                               std::shared_ptr<WireLog> log);

}  // namespace korvel
