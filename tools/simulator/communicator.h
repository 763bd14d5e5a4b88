// The communicator as seen over its serial line: the AT command interpreter of the
// device application and of its GSM module, configuration mode, the device clock, the
// module restart and the module's download mode. It is driven by received bytes and
// by timer ticks and hands everything it sends to an Output.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "configuration.h"
#include "device_clock.h"
#include "options.h"
#include "xmodem_receiver.h"

namespace korvel::sim {

class Output {
public:
    virtual ~Output() = default;
    // Sends `bytes` in one piece once `delay` has passed and everything queued before
    // has gone out.
    virtual void send(std::string bytes, std::chrono::milliseconds delay) = 0;
};

class Communicator {
public:
    Communicator(Options& options, Output& output, TimePoint now);

    void receive(const std::uint8_t* data, std::size_t size, TimePoint now);
    void tick(TimePoint now);
    // When tick() next has something to do; nullopt when it only waits for bytes.
    std::optional<TimePoint> deadline() const;
    // True once the device has dropped off the line (--vanish-after,
    // --vanish-after-lines).
    bool vanished() const {
        return goneAfterLines_ ||
               (options_.vanishAfter > 0 && xmodem_.blocksAccepted() >= options_.vanishAfter);
    }

private:
    enum class Mode { Command, Download, Restarting };

    void processByte(std::uint8_t byte, TimePoint now);
    void flushEcho();
    void completeLine(TimePoint now);
    void execute(const std::string& line, TimePoint now);
    bool refusedByRule(const std::string& upperLine);
    void deviceCommand(const std::string& line, const std::string& upperLine, TimePoint now);
    void query(const std::string& name, TimePoint now);
    void set(const std::string& name, const std::string& args, TimePoint now);
    void restart(TimePoint now);
    void applyDownloadStep(const XmodemReceiver::Step& step);
    bool persist(const Configuration& config);

    void ok();
    void refuse();
    void reply(const std::string& text);
    std::string spoiled(const std::string& text);

    Options& options_;
    Output& output_;
    DeviceClock clock_;
    Configuration stored_;
    Configuration working_;
    bool configMode_ = false;
    bool echo_;
    int wopen_ = 1;
    Mode mode_ = Mode::Command;
    TimePoint restartUntil_;
    std::string line_;
    bool lineOverflow_ = false;
    bool crPending_ = false;  // a "\r" ended the line; is a "\n" following?
    TimePoint crAt_;
    std::string echoBuffer_;
    XmodemReceiver xmodem_;
    int linesSeen_ = 0;
    bool goneAfterLines_ = false;
    std::uint32_t noise_ = 0x4b4f5256;  // state of the garbage generator
};

}  // namespace korvel::sim
