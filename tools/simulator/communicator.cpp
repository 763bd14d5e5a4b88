#include "communicator.h"

#include <cctype>
#include <cstdio>

#include "files.h"

namespace korvel::sim {
namespace {

using std::chrono::milliseconds;

// A "\r" not followed by "\n" within this time ends its line by itself.
constexpr milliseconds kLoneCrWait{50};
// Longer command lines are dropped and refused.
constexpr std::size_t kMaxLine = 2048;

const std::string kOk = "\r\nOK\r\n";
const std::string kError = "\r\nERROR\r\n";
const std::string kShortError = "\r\nNO\r\n";

std::string upper(const std::string& text) {
    std::string result = text;
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return result;
}

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

Communicator::Communicator(Options& options, Output& output, TimePoint now)
    : options_(options),
      output_(output),
      clock_(now),
      echo_(options.echo),
      xmodem_(XmodemReceiver::Behaviour{options.nakBlock, options.nakTimes,
                                        std::chrono::milliseconds(options.nakPeriodMs),
                                        options.neverNak, options.askCrc}) {
    stored_.serial = options.serial.substr(0, 8);
    if (!options_.statePath.empty()) {
        std::string text;
        if (readWholeFile(options_.statePath, text)) {
            const int skipped = deserialize(stored_, text);
            if (skipped > 0) {
                std::fprintf(stderr, "korvel_simulator: %d bad lines in %s skipped\n", skipped,
                             options_.statePath.c_str());
            }
        }
    }
    working_ = stored_;
}

void Communicator::receive(const std::uint8_t* data, std::size_t size, TimePoint now) {
    if (options_.silent) return;
    for (std::size_t i = 0; i < size; ++i) processByte(data[i], now);
    flushEcho();
}

void Communicator::processByte(std::uint8_t byte, TimePoint now) {
    if (mode_ == Mode::Restarting) {
        if (now < restartUntil_) return;  // the module is booting and hears nothing
        mode_ = Mode::Command;
    }
    if (mode_ == Mode::Download) {
        const XmodemReceiver::Step step = xmodem_.feed(byte, now);
        applyDownloadStep(step);
        if (step.status != XmodemReceiver::Status::NotXmodem) return;
    }
    if (crPending_) {
        crPending_ = false;
        if (byte == '\n') {
            if (echo_) echoBuffer_.push_back('\n');
            completeLine(now);
            return;
        }
        completeLine(now);
        processByte(byte, now);  // the line may have changed the mode
        return;
    }
    if (echo_) echoBuffer_.push_back(static_cast<char>(byte));
    if (byte == '\r') {
        crPending_ = true;
        crAt_ = now;
    } else if (byte == '\n') {
        completeLine(now);
    } else if (line_.size() < kMaxLine) {
        line_.push_back(static_cast<char>(byte));
    } else {
        lineOverflow_ = true;
    }
}

void Communicator::tick(TimePoint now) {
    if (options_.silent) return;
    if (crPending_ && now >= crAt_ + kLoneCrWait) {
        crPending_ = false;
        completeLine(now);
    }
    if (mode_ == Mode::Download) applyDownloadStep(xmodem_.tick(now));
    if (mode_ == Mode::Restarting && now >= restartUntil_) mode_ = Mode::Command;
    flushEcho();
}

std::optional<TimePoint> Communicator::deadline() const {
    if (options_.silent) return std::nullopt;
    if (crPending_) return crAt_ + kLoneCrWait;
    if (mode_ == Mode::Download) return xmodem_.deadline();
    if (mode_ == Mode::Restarting) return restartUntil_;
    return std::nullopt;
}

void Communicator::flushEcho() {
    if (echoBuffer_.empty()) return;
    output_.send(std::move(echoBuffer_), milliseconds(0));
    echoBuffer_.clear();
}

void Communicator::completeLine(TimePoint now) {
    flushEcho();
    const std::string line = std::move(line_);
    line_.clear();
    const bool overflow = lineOverflow_;
    lineOverflow_ = false;
    if (goneAfterLines_) return;
    if (options_.vanishAfterLines > 0 && (overflow || !line.empty()) &&
        ++linesSeen_ > options_.vanishAfterLines) {
        // The device drops off the line in the middle of the dialogue.
        goneAfterLines_ = true;
        return;
    }
    if (overflow) {
        refuse();
    } else if (!line.empty()) {
        execute(line, now);
    }
}

bool Communicator::refusedByRule(const std::string& upperLine) {
    bool refused = false;
    for (RefuseRule& rule : options_.refuse) {
        const std::string& name = rule.name;
        bool matches = upperLine == name;
        if (!matches && startsWith(upperLine, name) && upperLine.size() > name.size()) {
            const char last = name.back();
            const char next = upperLine[name.size()];
            matches = last == '=' || last == '?' || next == '=' || next == '?';
        }
        if (!matches) continue;
        ++rule.seen;
        if (rule.occurrence == 0 || rule.occurrence == rule.seen) refused = true;
    }
    return refused;
}

void Communicator::execute(const std::string& line, TimePoint now) {
    const std::string upperLine = upper(line);
    if (refusedByRule(upperLine)) {
        refuse();
        return;
    }
    if (upperLine == "AT") {
        ok();
    } else if (upperLine == "ATE" || upperLine == "ATE0" || upperLine == "ATE1") {
        echo_ = upperLine == "ATE1";
        ok();
    } else if (startsWith(upperLine, "AT+ZQ")) {
        deviceCommand(line, upperLine, now);
    } else if (upperLine == "AT+CFUN=1") {
        restart(now);
    } else if (upperLine == "AT+CGMR") {
        reply("\r\n" + options_.cgmr + "\r\n" + kOk);
    } else if (upperLine == "AT+WOPEN?") {
        reply("\r\n+WOPEN: " + std::to_string(wopen_) + "\r\n" + kOk);
    } else if (startsWith(upperLine, "AT+WOPEN=") && upperLine.size() == 10 &&
               std::string("0134").find(upperLine[9]) != std::string::npos) {
        // 0 stops and 1 starts the on-module application; 3 erases its flash objects
        // and 4 the application itself, which also leaves it stopped.
        const int value = upperLine[9] - '0';
        wopen_ = value == 1 ? 1 : 0;
        ok();
    } else if (upperLine == "AT+WDWL") {
        configMode_ = false;
        reply("\r\n+WDWL: 0\r\n");
        mode_ = Mode::Download;
        xmodem_.start(now);
    } else {
        refuse();
    }
}

void Communicator::deviceCommand(const std::string& line, const std::string& upperLine,
                                 TimePoint now) {
    const std::size_t mark = upperLine.find_first_of("=?", 5);
    const std::string name = upperLine.substr(5, mark == std::string::npos ? mark : mark - 5);
    if (mark == std::string::npos) {
        if (name == "CONFIG") {
            configMode_ = true;
            working_ = stored_;
            ok();
        } else if (name == "SAVE") {
            if (!configMode_ || !persist(working_)) {
                refuse();
                return;
            }
            stored_ = working_;
            ok();
        } else if (name == "EXIT") {
            configMode_ = false;
            working_ = stored_;
            ok();
        } else {
            refuse();
        }
    } else if (upperLine[mark] == '?' && mark + 1 == upperLine.size()) {
        query(name, now);
    } else if (upperLine[mark] == '=') {
        set(name, line.substr(mark + 1), now);
    } else {
        refuse();
    }
}

void Communicator::query(const std::string& name, TimePoint now) {
    std::string lines;
    if (name == "VER") {
        lines = "+ZQVER: " + options_.version + "\r\n";
    } else if (name == "TIME") {
        lines = "+ZQTIME: " + clock_.timeText(now) + "\r\n";
    } else if (name == "DATE") {
        lines = "+ZQDATE: " + clock_.dateText(now) + "\r\n";
    } else {
        lines = queryLines(configMode_ ? working_ : stored_, name);
    }
    if (lines.empty()) {
        refuse();
        return;
    }
    reply("\r\n" + lines + kOk);
}

void Communicator::set(const std::string& name, const std::string& args, TimePoint now) {
    if (!configMode_) {
        refuse();
        return;
    }
    bool accepted = false;
    if (name == "TIME") {
        accepted = clock_.setTime(args, now);
    } else if (name == "DATE") {
        accepted = clock_.setDate(args, now);
    } else if (name == "SNUM") {
        // The serial number is written to the device's memory at once: production
        // programs it with AT+ZQSNUM= and leaves with AT+ZQEXIT, without AT+ZQSAVE.
        Configuration updated = stored_;
        accepted = applySetting(updated, name, args) && persist(updated);
        if (accepted) {
            stored_.serial = updated.serial;
            working_.serial = updated.serial;
        }
    } else {
        accepted = applySetting(working_, name, args);
    }
    if (accepted) {
        ok();
    } else {
        refuse();
    }
}

void Communicator::restart(TimePoint now) {
    configMode_ = false;
    working_ = stored_;
    echo_ = options_.echo;
    line_.clear();
    lineOverflow_ = false;
    crPending_ = false;
    echoBuffer_.clear();
    if (options_.restartMs > 0) {
        mode_ = Mode::Restarting;
        restartUntil_ = now + milliseconds(options_.restartMs);
    }
}

void Communicator::applyDownloadStep(const XmodemReceiver::Step& step) {
    if (!step.reply.empty()) output_.send(step.reply, milliseconds(0));
    switch (step.status) {
        case XmodemReceiver::Status::Running:
            return;
        case XmodemReceiver::Status::Complete:
            if (!options_.imageDir.empty()) {
                const std::string path = nextImagePath(options_.imageDir);
                if (writeFileAtomically(path, xmodem_.image())) {
                    std::fprintf(stderr, "korvel_simulator: image of %zu bytes stored in %s\n",
                                 xmodem_.image().size(), path.c_str());
                } else {
                    std::fprintf(stderr, "korvel_simulator: can't write %s\n", path.c_str());
                }
            }
            break;
        case XmodemReceiver::Status::Abandoned:
            std::fprintf(stderr, "korvel_simulator: download abandoned\n");
            break;
        case XmodemReceiver::Status::NotXmodem:
            std::fprintf(stderr, "korvel_simulator: download left for a command line\n");
            break;
    }
    mode_ = Mode::Command;
    crPending_ = false;
    line_.clear();
}

bool Communicator::persist(const Configuration& config) {
    if (options_.statePath.empty()) return true;
    if (writeFileAtomically(options_.statePath, serialize(config))) return true;
    std::fprintf(stderr, "korvel_simulator: can't write %s\n", options_.statePath.c_str());
    return false;
}

void Communicator::ok() { reply(kOk); }

void Communicator::refuse() { reply(options_.shortError ? kShortError : kError); }

void Communicator::reply(const std::string& text) {
    output_.send(spoiled(text), milliseconds(options_.slowMs));
}

// A reply as a faulty line delivers it: replaced by noise, zero bytes or a
// flood (--garbage), or cut short (--cut-replies).
std::string Communicator::spoiled(const std::string& text) {
    auto noise = [this](std::size_t size) {
        std::string bytes(size, '\0');
        for (char& c : bytes) {
            noise_ = noise_ * 1664525u + 1013904223u;
            c = static_cast<char>(noise_ >> 24);
        }
        // Noise never starts like a good reply, so that it can't pass for a
        // short "OK" by chance.
        if (bytes[0] == '\r') bytes[0] = '#';
        return bytes;
    };
    std::string result = text;
    switch (options_.garbage) {
        case Garbage::None:
            break;
        case Garbage::Random:
            noise_ = noise_ * 1664525u + 1013904223u;
            result = noise(1 + (noise_ >> 27));
            break;
        case Garbage::Nul:
            result.assign(text.size(), '\0');
            break;
        case Garbage::Flood:
            result = noise(5000);
            break;
    }
    if (options_.cutReplies > 0 && result.size() > static_cast<std::size_t>(options_.cutReplies))
        result.resize(static_cast<std::size_t>(options_.cutReplies));
    return result;
}

}  // namespace korvel::sim
