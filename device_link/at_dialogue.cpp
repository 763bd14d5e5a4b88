#include "at_dialogue.h"

#include <algorithm>
#include <array>

#include "text_codec.h"

namespace korvel {

const char kGoodReply[] = "\r\nOK\r\n";

namespace {
constexpr std::size_t kGoodReplySize = kOkReplySize;
// A refusal longer than this is not a reply any more but a flood; the drain
// stops there.
constexpr std::size_t kDrainLimit = 4 * kReplyBufferSize;
}  // namespace

bool replyCheck(const QByteArray& reply) {
    if (static_cast<std::size_t>(reply.size()) > kGoodReplySize) return false;
    return std::equal(reply.begin(), reply.end(), kGoodReply);
}

AtDialogue::AtDialogue(SerialPort& port, OperationSink& sink, const Timeouts& timeouts)
    : port_(port), sink_(sink), timeouts_(timeouts) {}

std::size_t AtDialogue::writeAll(const QByteArray& piece) {
    if (piece.isEmpty()) return 0;
    return port_.write(piece.constData(), static_cast<std::size_t>(piece.size()));
}

std::size_t AtDialogue::readCounted(char* buffer, std::size_t size) {
    const std::size_t got = std::min(port_.read(buffer, size), size);
    received_ += got;
    return got;
}

std::size_t AtDialogue::send(const Pieces& pieces) {
    std::size_t sent = 0;
    if (!pieces.empty()) lastCommand_ = QString::fromLatin1(pieces.front().trimmed());
    for (const QByteArray& piece : pieces) sent += writeAll(piece);
    return sent;
}

bool AtDialogue::echoTest() {
    echo_ = exchange(AtCommand::Attention, kEchoTestReplySize, Echo::Keep).bytes.size() ==
            static_cast<qsizetype>(kEchoTestReplySize);
    return echo_;
}

Reply AtDialogue::exchange(const Pieces& pieces, std::size_t replySize, Echo echo,
                           const QByteArray& expected) {
    const std::size_t sent = send(pieces);
    if (echo == Echo::Swallow) swallowEcho(sent);
    Reply reply;
    if (replySize == 0) return reply;
    reply.bytes = readReply(replySize);
    const bool good =
        expected.isEmpty()
            ? replyCheck(reply.bytes)
            : reply.bytes.size() <= expected.size() && expected.startsWith(reply.bytes);
    reply.verdict = reply.bytes.isEmpty() ? Reply::Verdict::Silent
                    : good                ? Reply::Verdict::Good
                                          : Reply::Verdict::Refused;
    return reply;
}

void AtDialogue::swallowEcho(std::size_t bytesSent) {
    if (!echo_) return;
    std::array<char, kReplyBufferSize> buffer{};
    std::size_t left = bytesSent;
    while (left > 0) {
        const std::size_t part = std::min(left, buffer.size());
        const std::size_t got = readCounted(buffer.data(), part);
        if (got < part) break;  // the echo stopped short; nothing more is coming
        left -= got;
    }
}

QByteArray AtDialogue::readReply(std::size_t n) {
    std::array<char, kReplyBufferSize> buffer{};
    const std::size_t got = readCounted(buffer.data(), std::min(n, buffer.size()));
    lastReply_ = QByteArray(buffer.data(), static_cast<qsizetype>(got));
    return lastReply_;
}

void AtDialogue::drainRefusal(const QByteArray& reply, std::size_t asked) {
    // A read that ended short already waited out the byte interval: the
    // device has finished.
    if (static_cast<std::size_t>(reply.size()) < asked) return;
    Timeouts quick = timeouts_;
    quick.readMultiplier = 0;
    quick.readConstant = std::max<std::uint32_t>(timeouts_.readInterval, 1);
    port_.setTimeouts(quick);
    std::array<char, 256> buffer{};
    std::size_t drained = 0;
    while (drained < kDrainLimit) {
        const std::size_t got = readCounted(buffer.data(), buffer.size());
        if (got == 0) break;
        drained += got;
    }
    port_.setTimeouts(timeouts_);
}

bool AtDialogue::commandStep(const Pieces& pieces, const QString& logLine, Gauge* progress) {
    const std::size_t sent = send(pieces);
    sink_.configLog(logLine);
    swallowEcho(sent);
    const QByteArray reply = readReply(kGoodReplySize);
    if (reply.isEmpty()) return true;
    sink_.configLog(replyText(reply));
    if (progress) progress->addProgress(1);
    if (replyCheck(reply)) return true;
    drainRefusal(reply, kGoodReplySize);
    sink_.box(Box::ConfigurationError);
    return false;
}

AtDialogue::EnterResult AtDialogue::enterConfigMode(bool showRefusal) {
    port_.purge();
    echoTest();
    port_.purge();
    const QByteArray reply = exchange(AtCommand::ConfigMode, kGoodReplySize).bytes;
    if (!replyCheck(reply)) {
        drainRefusal(reply, kGoodReplySize);
        if (showRefusal) sink_.box(Box::ConfigModeNotStarted);
        return EnterResult::Refused;
    }
    sink_.logNote(LogNote::ConfigModeEntered);
    port_.purge();
    return EnterResult::Entered;
}

AtDialogue::SaveResult AtDialogue::saveConfig() {
    const std::size_t sent = send({atCommand(AtCommand::SaveConfig)});
    sink_.configLog(QString::fromLatin1(atCommand(AtCommand::SaveConfig).trimmed()));
    swallowEcho(sent);
    const QByteArray reply = readReply(kGoodReplySize);
    if (reply.isEmpty()) return SaveResult::NoAnswer;
    sink_.configLog(replyText(reply));
    if (replyCheck(reply)) {
        sink_.logNote(LogNote::ConfigSaved);
        return SaveResult::Saved;
    }
    drainRefusal(reply, kGoodReplySize);
    sink_.logNote(LogNote::ConfigSaveRefused);
    sink_.box(Box::ConfigurationError);
    return SaveResult::Refused;
}

bool AtDialogue::leaveConfigMode() {
    const bool left = replyCheck(exchange(AtCommand::ExitConfigMode, kGoodReplySize).bytes);
    sink_.logNote(left ? LogNote::ConfigModeLeft : LogNote::ConfigModeNotLeft);
    port_.purge();
    return left;
}

}  // namespace korvel
