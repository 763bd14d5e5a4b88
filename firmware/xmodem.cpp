#include "firmware/xmodem.h"

namespace korvel::xmodem {

QByteArray buildBlock(const QByteArray& image, qsizetype offset, std::uint8_t number) {
    QByteArray block(kBlockSize, kFill);
    block[0] = kSoh;
    block[1] = static_cast<char>(number);
    block[2] = static_cast<char>(0xFF - number);
    std::uint8_t sum = 0;
    for (int i = 0; i < kDataSize; ++i) {
        const qsizetype at = offset + i;
        const char byte = (at >= 0 && at < image.size()) ? image[at] : kFill;
        block[3 + i] = byte;
        sum = static_cast<std::uint8_t>(sum + static_cast<std::uint8_t>(byte));
    }
    block[kBlockSize - 1] = static_cast<char>(sum);
    return block;
}

int readByte(SerialPort& port) {
    char byte = 0;
    return port.read(&byte, 1) == 1 ? static_cast<unsigned char>(byte) : -1;
}

namespace {

void writeAll(SerialPort& port, const QByteArray& bytes) {
    port.write(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace

Result send(SerialPort& port, const QByteArray& image, const SenderHooks& hooks) {
    Result result;
    if (image.isEmpty()) return result;

    const int first = hooks.readFirstByte ? hooks.readFirstByte() : readByte(port);
    if (first != static_cast<unsigned char>(kNak)) {
        result.outcome = Outcome::NotRequested;
        return result;
    }
    // The module keeps asking while it waits; those NAKs are stale now.
    port.purge();

    const QByteArray eot(1, kEot);
    qsizetype position = 0;
    std::uint8_t number = 1;
    int blockIndex = 0;
    while (position < image.size()) {
        if (hooks.beforeBlock) hooks.beforeBlock();
        const QByteArray block = buildBlock(image, position, number);
        position += kDataSize;
        ++blockIndex;

        int attempts = kAttemptsPerBlock;
        writeAll(port, block);
        int reply = readByte(port);
        while (reply != static_cast<unsigned char>(kAck)) {
            if (--attempts <= 0) break;
            writeAll(port, block);
            reply = readByte(port);
        }
        if (attempts <= 0) {
            result.outcome = Outcome::BlockRefused;
            result.refusedBlock = blockIndex;
            return result;
        }
        ++result.blocksAccepted;
        ++number;  // 8-bit: wraps from 255 to 0

        if (position >= image.size()) {
            writeAll(port, eot);
            reply = readByte(port);
            while (reply != static_cast<unsigned char>(kAck)) {
                if (--attempts <= 0) break;
                writeAll(port, eot);
                reply = readByte(port);
            }
        }
        if (hooks.afterBlock) hooks.afterBlock(position);
    }
    result.outcome = Outcome::Complete;
    return result;
}

}  // namespace korvel::xmodem
