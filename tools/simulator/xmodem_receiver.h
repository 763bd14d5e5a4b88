// The GSM module's download mode: the receiving side of XMODEM with the 8-bit
// checksum and 128-byte blocks.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "device_clock.h"

namespace korvel::sim {

class XmodemReceiver {
public:
    enum class Status {
        Running,    // still in download mode
        Complete,   // EOT acknowledged; image() holds the received data
        Abandoned,  // the sender gave up or never started; back to command mode
        NotXmodem,  // the byte starts a command line, not a block; back to command mode
    };

    struct Step {
        std::string reply;  // control bytes to send (ACK, NAK)
        Status status = Status::Running;
    };

    struct Behaviour {
        int nakBlock = 0;  // refuse the block with this index (1-based); 0: none
        int nakTimes = 1;  // that many times per run
        std::chrono::milliseconds nakPeriod{1000};
        bool neverNak = false;
        bool askCrc = false;
    };
    explicit XmodemReceiver(const Behaviour& behaviour);
    int blocksAccepted() const { return blocksAccepted_; }

    void start(TimePoint now);
    Step feed(std::uint8_t byte, TimePoint now);
    Step tick(TimePoint now);
    TimePoint deadline() const;
    const std::string& image() const { return image_; }

    static constexpr std::uint8_t kSoh = 0x01;
    static constexpr std::uint8_t kEot = 0x04;
    static constexpr std::uint8_t kAck = 0x06;
    static constexpr std::uint8_t kNak = 0x15;
    static constexpr std::uint8_t kCan = 0x18;
    static constexpr std::size_t kBlockSize = 132;

private:
    Step finishBlock();

    Behaviour behaviour_;
    int nakBlockRefusals_ = 0;
    std::string image_;
    std::string block_;          // bytes of the block being received, SOH included
    std::uint8_t expected_ = 1;  // block number expected next
    int blocksAccepted_ = 0;
    int naksSent_ = 0;  // NAKs sent while waiting for the first block
    TimePoint startedAt_;
    TimePoint lastByteAt_;
};

}  // namespace korvel::sim
