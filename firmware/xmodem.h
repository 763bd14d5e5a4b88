// XMODEM, checksum variant with 128-byte blocks, as the GSM module's download
// mode receives it: stop-and-wait, one reply byte per block, no CRC.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <functional>

#include "device_link/serial/serial_port.h"

namespace korvel::xmodem {

constexpr char kSoh = 0x01;
constexpr char kEot = 0x04;
constexpr char kAck = 0x06;
constexpr char kNak = 0x15;
constexpr char kFill = 0x1A;
constexpr int kDataSize = 128;
constexpr int kBlockSize = kDataSize + 4;
// Attempts per block; what the last block leaves of them is all the end of
// transmission gets.
constexpr int kAttemptsPerBlock = 3;

// One block: SOH, number, its complement, the 128 image bytes from `offset`
// (fill bytes past the end), the 8-bit sum of those 128 bytes.
QByteArray buildBlock(const QByteArray& image, qsizetype offset, std::uint8_t number);

// How a transfer ended.
enum class Outcome {
    Complete,        // every block acknowledged, EOT sent
    NoImage,         // nothing to send
    NotRequested,    // the first byte from the module was not NAK (or none came)
    BlockRefused,    // a block was refused three times
};

struct Result {
    Outcome outcome = Outcome::NoImage;
    int blocksAccepted = 0;
    int refusedBlock = 0;  // 1-based index of the block refused three times
};

struct SenderHooks {
    // Waits for the module's first byte and returns it, or -1 for none; lets
    // the caller give that wait its own bound.  Unset: one plain read.
    std::function<int()> readFirstByte;
    // Around each block: gauge and message pump.
    std::function<void(qsizetype imagePosition)> afterBlock;
    std::function<void()> beforeBlock;
};

// Sends `image` over `port`.  Reads one byte for the start: only NAK starts
// the transfer, after which both queues are purged.
Result send(SerialPort& port, const QByteArray& image, const SenderHooks& hooks);

// One byte from the port, or -1 when the read ended without one.
int readByte(SerialPort& port);

}  // namespace korvel::xmodem
