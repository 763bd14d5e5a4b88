#include "device_link/serial/scripted_serial_port.h"

#include <algorithm>
#include <cstring>

namespace korvel {

namespace {
ScriptedSerialPort::Call makeCall(ScriptedSerialPort::Op op) {
    ScriptedSerialPort::Call c;
    c.op = op;
    return c;
}
}  // namespace

bool ScriptedSerialPort::open(const std::string& devicePath) {
    Call c = makeCall(Op::Open);
    c.data = devicePath;
    calls_.push_back(c);
    path_ = devicePath;
    openFailure_ = failOpen_ ? failOpenReason_ : open_ ? OpenFailure::Busy : OpenFailure::None;
    if (openFailure_ != OpenFailure::None) return false;
    open_ = true;
    return true;
}

bool ScriptedSerialPort::readSettings(LineSettings& settings) {
    calls_.push_back(makeCall(Op::ReadSettings));
    if (failReadSettings_) return false;
    settings = LineSettings{};
    settings.baudRate = 9600;
    settings.byteSize = 7;
    settings.native = {0x5a};
    return true;
}

bool ScriptedSerialPort::applySettings(const LineSettings& settings) {
    Call c = makeCall(Op::ApplySettings);
    c.settings = settings;
    calls_.push_back(c);
    return !failApplySettings_;
}

bool ScriptedSerialPort::setTimeouts(const Timeouts& timeouts) {
    Call c = makeCall(Op::SetTimeouts);
    c.timeouts = timeouts;
    calls_.push_back(c);
    return !failSetTimeouts_;
}

bool ScriptedSerialPort::setQueues(std::uint32_t inputSize, std::uint32_t) {
    Call c = makeCall(Op::SetQueues);
    c.size = inputSize;
    calls_.push_back(c);
    return true;
}

bool ScriptedSerialPort::setDtr(bool up) {
    Call c = makeCall(Op::SetDtr);
    c.flag = up;
    calls_.push_back(c);
    dtr_ = up;
    return true;
}

bool ScriptedSerialPort::arrived(const Chunk& chunk) const {
    if (chunk.started) return true;
    if (!chunk.timed) return false;
    if (chunk.trigger.empty()) return true;
    return std::any_of(calls_.begin(), calls_.end(), [&chunk](const Call& c) {
        return c.op == Op::Write && c.data.compare(0, chunk.trigger.size(), chunk.trigger) == 0;
    });
}

bool ScriptedSerialPort::purge() {
    Call c = makeCall(Op::Purge);
    while (!reads_.empty() && arrived(reads_.front())) {
        c.data += reads_.front().bytes;
        reads_.pop_front();
    }
    calls_.push_back(c);
    return true;
}

std::size_t ScriptedSerialPort::write(const char* data, std::size_t size) {
    Call c = makeCall(Op::Write);
    std::size_t taken = size;
    if (!writeLimits_.empty()) {
        taken = std::min(taken, writeLimits_.front());
        writeLimits_.pop_front();
    }
    c.data.assign(data, taken);
    c.size = taken;
    calls_.push_back(c);
    return taken;
}

std::size_t ScriptedSerialPort::read(char* buffer, std::size_t size) {
    Call c = makeCall(Op::Read);
    c.size = size;
    if (!reads_.empty() && (!reads_.front().timed || arrived(reads_.front()))) {
        Chunk& front = reads_.front();
        const std::size_t n = std::min(size, front.bytes.size());
        if (n > 0) std::memcpy(buffer, front.bytes.data(), n);
        c.data = front.bytes.substr(0, n);
        if (n < front.bytes.size()) {
            front.bytes.erase(0, n);
            front.started = true;
        } else {
            reads_.pop_front();
        }
    }
    calls_.push_back(c);
    return c.data.size();
}

void ScriptedSerialPort::close() {
    calls_.push_back(makeCall(Op::Close));
    open_ = false;
}

std::vector<std::string> ScriptedSerialPort::writes() const {
    std::vector<std::string> out;
    for (const Call& c : calls_)
        if (c.op == Op::Write) out.push_back(c.data);
    return out;
}

std::string ScriptedSerialPort::written() const {
    std::string out;
    for (const Call& c : calls_)
        if (c.op == Op::Write) out += c.data;
    return out;
}

std::vector<std::size_t> ScriptedSerialPort::readSizes() const {
    std::vector<std::size_t> out;
    for (const Call& c : calls_)
        if (c.op == Op::Read) out.push_back(c.size);
    return out;
}

std::vector<ScriptedSerialPort::Op> ScriptedSerialPort::ops() const {
    std::vector<Op> out;
    for (const Call& c : calls_) out.push_back(c.op);
    return out;
}

std::size_t ScriptedSerialPort::count(Op op) const {
    return static_cast<std::size_t>(
        std::count_if(calls_.begin(), calls_.end(), [op](const Call& c) { return c.op == op; }));
}

namespace {
class ForwardingPort : public SerialPort {
public:
    explicit ForwardingPort(ScriptedSerialPort& p) : p_(p) {}
    bool open(const std::string& path) override { return p_.open(path); }
    OpenFailure openFailure() const override { return p_.openFailure(); }
    std::string openFailureMessage() const override { return p_.openFailureMessage(); }
    bool isOpen() const override { return p_.isOpen(); }
    bool readSettings(LineSettings& s) override { return p_.readSettings(s); }
    bool applySettings(const LineSettings& s) override { return p_.applySettings(s); }
    bool setTimeouts(const Timeouts& t) override { return p_.setTimeouts(t); }
    bool setQueues(std::uint32_t i, std::uint32_t o) override { return p_.setQueues(i, o); }
    bool setDtr(bool up) override { return p_.setDtr(up); }
    bool purge() override { return p_.purge(); }
    std::size_t write(const char* d, std::size_t n) override { return p_.write(d, n); }
    std::size_t read(char* b, std::size_t n) override { return p_.read(b, n); }
    void close() override { p_.close(); }

private:
    ScriptedSerialPort& p_;
};
}  // namespace

std::unique_ptr<SerialPort> ScriptedPortFactory::create() {
    ++created_;
    return std::make_unique<ForwardingPort>(port_);
}

}  // namespace korvel
