#include "xmodem_receiver.h"

namespace korvel::sim {
namespace {

using std::chrono::milliseconds;

// The module asks for the transfer with a NAK every period (a second unless
// told otherwise), ten times, then gives up.
constexpr int kStartNaks = 10;
// A block that stalls this long is dropped and asked for again.
constexpr milliseconds kBlockTimeout{1000};
// A sender silent this long between blocks has gone; the module leaves download mode.
constexpr milliseconds kIdleTimeout{10000};

}  // namespace

XmodemReceiver::XmodemReceiver(const Behaviour& behaviour) : behaviour_(behaviour) {}

void XmodemReceiver::start(TimePoint now) {
    image_.clear();
    block_.clear();
    expected_ = 1;
    blocksAccepted_ = 0;
    naksSent_ = 0;
    nakBlockRefusals_ = 0;
    startedAt_ = now;
    lastByteAt_ = now;
}

TimePoint XmodemReceiver::deadline() const {
    if (!block_.empty()) return lastByteAt_ + kBlockTimeout;
    if (blocksAccepted_ == 0) return startedAt_ + behaviour_.nakPeriod * (naksSent_ + 1);
    return lastByteAt_ + kIdleTimeout;
}

XmodemReceiver::Step XmodemReceiver::tick(TimePoint now) {
    Step step;
    if (now < deadline()) return step;
    if (!block_.empty()) {
        block_.clear();
        lastByteAt_ = now;
        step.reply = std::string(1, static_cast<char>(kNak));
        return step;
    }
    if (blocksAccepted_ == 0) {
        if (naksSent_ >= kStartNaks) {
            step.status = Status::Abandoned;
            return step;
        }
        ++naksSent_;
        if (!behaviour_.neverNak)
            step.reply = std::string(1, behaviour_.askCrc ? 'C' : static_cast<char>(kNak));
        return step;
    }
    step.status = Status::Abandoned;
    return step;
}

XmodemReceiver::Step XmodemReceiver::feed(std::uint8_t byte, TimePoint now) {
    Step step;
    lastByteAt_ = now;
    if (!block_.empty()) {
        block_.push_back(static_cast<char>(byte));
        if (block_.size() == kBlockSize) return finishBlock();
        return step;
    }
    switch (byte) {
        case kSoh:
            block_.push_back(static_cast<char>(byte));
            break;
        case kEot:
            step.reply = std::string(1, static_cast<char>(kAck));
            step.status = Status::Complete;
            break;
        case kCan:
            step.status = Status::Abandoned;
            break;
        case 'A':
        case 'a':
            // A command line after a transfer the sender broke off (it restarts the
            // module with AT+CFUN=1 without sending EOT).
            step.status = Status::NotXmodem;
            break;
        default:
            break;  // line noise between blocks
    }
    return step;
}

XmodemReceiver::Step XmodemReceiver::finishBlock() {
    Step step;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(block_.data());
    const std::uint8_t number = bytes[1];
    std::uint8_t sum = 0;
    for (std::size_t i = 3; i < 3 + 128; ++i) sum = static_cast<std::uint8_t>(sum + bytes[i]);
    const bool intact = static_cast<std::uint8_t>(number + bytes[2]) == 0xFF && sum == bytes[131];
    const std::string ack(1, static_cast<char>(kAck));
    const std::string nak(1, static_cast<char>(kNak));

    if (!intact) {
        step.reply = nak;
    } else if (number == expected_) {
        if (behaviour_.nakBlock > 0 && blocksAccepted_ + 1 == behaviour_.nakBlock &&
            nakBlockRefusals_ < behaviour_.nakTimes) {
            ++nakBlockRefusals_;
            step.reply = nak;
        } else {
            image_.append(block_, 3, 128);
            ++expected_;
            ++blocksAccepted_;
            step.reply = ack;
        }
    } else if (blocksAccepted_ > 0 && number == static_cast<std::uint8_t>(expected_ - 1)) {
        step.reply = ack;  // the sender missed our ACK and repeated the block
    } else {
        step.reply = nak;
    }
    block_.clear();
    return step;
}

}  // namespace korvel::sim
