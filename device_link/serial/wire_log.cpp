#include "device_link/serial/wire_log.h"

#include <cerrno>
#include <cstring>
#include <ctime>

namespace korvel {

namespace {

const char kHex[] = "0123456789ABCDEF";

std::string refusedIf(bool ok) { return ok ? std::string() : std::string(" refused"); }

const char* openFailureText(OpenFailure f) {
    switch (f) {
        case OpenFailure::None:
            return "";
        case OpenFailure::Absent:
            return "no such port";
        case OpenFailure::Busy:
            return "held by another program";
        case OpenFailure::PermissionDenied:
            return "not permitted";
        case OpenFailure::NotSerial:
            return "not a serial port";
        case OpenFailure::Other:
            break;
    }
    return "cannot be used";
}

std::string lineSettingsText(const LineSettings& s) {
    static const char kParity[] = "NOEMS";
    static const char* const kStop[] = {"1", "1.5", "2"};
    std::string text = "settings " + std::to_string(s.baudRate) + ' ' +
                       std::to_string(int(s.byteSize)) + (s.parity < 5 ? kParity[s.parity] : '?') +
                       (s.stopBits < 3 ? kStop[s.stopBits] : "?");
    text += s.outxCtsFlow ? ", CTS flow" : ", no CTS flow";
    if (s.outxDsrFlow) text += ", DSR flow";
    text += ", RTS control " + std::to_string(int(s.rtsControl));
    text += ", DTR control " + std::to_string(int(s.dtrControl));
    return text;
}

}  // namespace

std::shared_ptr<WireLog> WireLog::open(const std::string& path, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (file == nullptr) {
        error = std::strerror(errno);
        return nullptr;
    }
    return std::shared_ptr<WireLog>(new WireLog(file));
}

WireLog::~WireLog() { std::fclose(file_); }

std::string WireLog::readable(const char* data, std::size_t size) {
    std::string text;
    text.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        if (byte >= 0x20 && byte < 0x7F && byte != '<') {
            text.push_back(static_cast<char>(byte));
        } else {
            const char hex[4] = {'<', kHex[byte >> 4], kHex[byte & 0x0F], '>'};
            text.append(hex, 4);
        }
    }
    return text;
}

void WireLog::bytes(const std::string& port, char direction, const char* data, std::size_t size) {
    line(port, direction, readable(data, size));
}

void WireLog::event(const std::string& port, const std::string& text) { line(port, '*', text); }

void WireLog::line(const std::string& port, char mark, const std::string& text) {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::lock_guard<std::mutex> lock(mutex_);
    // localtime's shared result is used under the lock only.
    const std::tm* local = std::localtime(&seconds);
    char stamp[16] = "??:??:??";
    if (local != nullptr) std::strftime(stamp, sizeof stamp, "%H:%M:%S", local);
    std::string out;
    out.reserve(text.size() + port.size() + 20);
    out += stamp;
    out += '.';
    out += char('0' + ms / 100);
    out += char('0' + ms / 10 % 10);
    out += char('0' + ms % 10);
    out += ' ';
    out += port;
    out += ' ';
    out += mark;
    out += ' ';
    out += text;
    out += '\n';
    std::fwrite(out.data(), 1, out.size(), file_);
    std::fflush(file_);
}

WireLogPort::WireLogPort(std::unique_ptr<SerialPort> port, std::shared_ptr<WireLog> log)
    : port_(std::move(port)), log_(std::move(log)) {}

WireLogPort::~WireLogPort() { close(); }

bool WireLogPort::open(const std::string& devicePath) {
    name_ = devicePath.empty() ? std::string("-") : devicePath;
    const bool ok = port_->open(devicePath);
    event(ok ? std::string("open") : std::string("open failed: ") + openFailureText(port_->openFailure()));
    return ok;
}

bool WireLogPort::readSettings(LineSettings& settings) {
    const bool ok = port_->readSettings(settings);
    if (!ok) event("settings not read");
    return ok;
}

bool WireLogPort::applySettings(const LineSettings& settings) {
    const bool ok = port_->applySettings(settings);
    event(lineSettingsText(settings) + refusedIf(ok));
    return ok;
}

bool WireLogPort::setTimeouts(const Timeouts& t) {
    const bool ok = port_->setTimeouts(t);
    event("time-outs read interval " + std::to_string(t.readInterval) + ", multiplier " +
          std::to_string(t.readMultiplier) + ", constant " + std::to_string(t.readConstant) +
          "; write multiplier " + std::to_string(t.writeMultiplier) + ", constant " +
          std::to_string(t.writeConstant) + refusedIf(ok));
    return ok;
}

bool WireLogPort::setQueues(std::uint32_t inputSize, std::uint32_t outputSize) {
    const bool ok = port_->setQueues(inputSize, outputSize);
    event("queues " + std::to_string(inputSize) + " in, " + std::to_string(outputSize) + " out" +
          refusedIf(ok));
    return ok;
}

bool WireLogPort::setDtr(bool up) {
    const bool ok = port_->setDtr(up);
    event(std::string(up ? "DTR up" : "DTR down") + refusedIf(ok));
    return ok;
}

bool WireLogPort::purge() {
    const bool ok = port_->purge();
    event("purge" + refusedIf(ok));
    return ok;
}

std::size_t WireLogPort::write(const char* data, std::size_t size) {
    const std::size_t taken = port_->write(data, size);
    // Written down after the bytes are on their way: the device's answer
    // is still travelling meanwhile, so the log costs the dialogue nothing.
    if (taken > 0) log_->bytes(name_, '>', data, taken);
    if (taken < size)
        event("write took " + std::to_string(taken) + " of " + std::to_string(size) + " bytes");
    return taken;
}

std::size_t WireLogPort::read(char* buffer, std::size_t size) {
    const auto start = std::chrono::steady_clock::now();
    const std::size_t got = port_->read(buffer, size);
    if (got > 0) log_->bytes(name_, '<', buffer, got);
    if (got < size) {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
        event("read " + std::to_string(got) + " of " + std::to_string(size) + " bytes, " +
              std::to_string(ms) + " ms");
    }
    return got;
}

void WireLogPort::close() {
    if (!port_->isOpen()) return;
    port_->close();
    event("close");
}

std::unique_ptr<SerialPort> WireLogPortFactory::create() {
    return std::make_unique<WireLogPort>(factory_->create(), log_);
}

std::shared_ptr<SerialPortFactory> withWireLog(std::shared_ptr<SerialPortFactory> factory,
                                               std::shared_ptr<WireLog> log) {
    if (!log) return factory;
    return std::make_shared<WireLogPortFactory>(std::move(factory), std::move(log));
}

}  // namespace korvel
