// An in-memory port for tests: records every call and serves scripted bytes,
// one scripted chunk per read.  A purge drops what has already arrived in the
// input queue and nothing that the device sends later.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "device_link/serial/serial_port.h"

namespace korvel {

class ScriptedSerialPort : public SerialPort {
public:
    enum class Op { Open, ReadSettings, ApplySettings, SetTimeouts, SetQueues, SetDtr, Purge, Write, Read, Close };

    struct Call {
        Op op;
        std::string data;          // Open: path; Write: bytes offered; Read: bytes returned;
                                   // Purge: bytes dropped
        std::size_t size = 0;      // Write: bytes taken; Read: bytes asked for; SetQueues: input size
        bool flag = false;         // SetDtr: up
        Timeouts timeouts;         // SetTimeouts
        LineSettings settings;     // ApplySettings
    };

    // Script.  Each read takes the front chunk: up to the size asked for; a
    // longer chunk keeps its rest at the front for the next read.  An empty
    // chunk, or an empty script, gives a read of zero bytes.
    //
    // A chunk queued with queueRead is the device's answer to whatever the
    // read follows: it comes when read, so a purge before it leaves it alone.
    // The rest of a chunk that a read has cut short has arrived, though, and
    // a purge drops it.
    void queueRead(const std::string& bytes) { reads_.push_back({bytes, std::string(), false}); }
    // Bytes the device sends by itself once a write beginning with `trigger`
    // has been made (an empty trigger: already waiting when the port opens),
    // such as a module's start-up lines or the NAKs it repeats.  They wait in
    // the input queue: a purge from then on drops them, a read takes them, and
    // a read while they have not come yet gets nothing.
    void queueReadAfterWrite(const std::string& trigger, const std::string& bytes) {
        reads_.push_back({bytes, trigger, true});
    }
    void failOpen(bool fail = true) { failOpen_ = fail; }
    // Open fails, giving this reason and the system's text of it.
    void failOpen(OpenFailure reason, std::string message = std::string()) {
        failOpen_ = true;
        failOpenReason_ = reason;
        failOpenMessage_ = std::move(message);
    }
    void failReadSettings(bool fail = true) { failReadSettings_ = fail; }
    void failApplySettings(bool fail = true) { failApplySettings_ = fail; }
    void failSetTimeouts(bool fail = true) { failSetTimeouts_ = fail; }
    // The next write takes at most this many bytes (a write cut by its time-out).
    void limitNextWrite(std::size_t accepted) { writeLimits_.push_back(accepted); }

    // What happened.
    const std::vector<Call>& calls() const { return calls_; }
    std::vector<std::string> writes() const;   // each write's bytes taken
    std::string written() const;               // all bytes taken, in order
    std::vector<std::size_t> readSizes() const;
    std::vector<Op> ops() const;
    std::size_t count(Op op) const;
    bool dtr() const { return dtr_; }
    bool isOpen() const override { return open_; }
    std::size_t unreadChunks() const { return reads_.size(); }
    std::string lastPath() const { return path_; }

    // SerialPort
    bool open(const std::string& devicePath) override;
    OpenFailure openFailure() const override { return openFailure_; }
    std::string openFailureMessage() const override {
        return openFailure_ == OpenFailure::None ? std::string() : failOpenMessage_;
    }
    bool readSettings(LineSettings& settings) override;
    bool applySettings(const LineSettings& settings) override;
    bool setTimeouts(const Timeouts& timeouts) override;
    bool setQueues(std::uint32_t inputSize, std::uint32_t outputSize) override;
    bool setDtr(bool up) override;
    bool purge() override;
    std::size_t write(const char* data, std::size_t size) override;
    std::size_t read(char* buffer, std::size_t size) override;
    void close() override;

private:
    struct Chunk {
        std::string bytes;
        std::string trigger;     // the write after which it arrives (timed chunks)
        bool timed = false;      // queued with queueReadAfterWrite
        bool started = false;    // a read has taken part of it
    };
    bool arrived(const Chunk& chunk) const;

    std::vector<Call> calls_;
    std::deque<Chunk> reads_;
    std::deque<std::size_t> writeLimits_;
    bool failOpen_ = false, failReadSettings_ = false, failApplySettings_ = false,
         failSetTimeouts_ = false;
    bool open_ = false, dtr_ = false;
    std::string path_;
    OpenFailure failOpenReason_ = OpenFailure::Other;
    std::string failOpenMessage_;
    OpenFailure openFailure_ = OpenFailure::None;
};

// Hands out the one scripted port (as a non-owning forwarder) to every port
// connection, so that a test sees the whole history.
class ScriptedPortFactory : public SerialPortFactory {
public:
    ScriptedSerialPort& port() { return port_; }
    int created() const { return created_; }
    std::unique_ptr<SerialPort> create() override;

private:
    ScriptedSerialPort port_;
    int created_ = 0;
};

}  // namespace korvel
