#include "device_link/at_dialogue.h"

#include <algorithm>
#include <array>

#include "device_link/text_codec.h"

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

bool Verdict::passed() const {
    switch (rule) {
        case ReplyRule::OkRequired:
            return answer == Answer::Ok;
        case ReplyRule::SilenceAllowed:
            return answer != Answer::Other;
        case ReplyRule::AnyAnswer:
            return answer != Answer::Silent;
    }
    return false;
}

Outcome Verdict::failure() const {
    return silent() ? Outcome::ended(Result::DeviceSilent, step)
                    : Outcome::ended(Result::Refused, step, reply);
}

std::size_t AtDialogue::send(const Pieces& pieces) {
    std::size_t sent = 0;
    for (const QByteArray& piece : pieces) sent += writeAll(piece);
    return sent;
}

bool AtDialogue::echoTest() {
    echo_ =
        exchange(AtCall(AtCommand::Attention, kEchoTestReplySize, ReplyRule::AnyAnswer).keepEcho())
            .reply.size() == static_cast<qsizetype>(kEchoTestReplySize);
    return echo_;
}

Verdict AtDialogue::exchange(const AtCall& call) {
    Verdict verdict;
    verdict.rule = call.rule;
    if (!call.pieces.empty()) verdict.step = QString::fromLatin1(call.pieces.front().trimmed());
    if (call.purgeFirst) port_.purge();
    const std::size_t sent = send(call.pieces);
    if (!call.commandLine.isEmpty()) sink_.configLog(call.commandLine);
    if (call.answerWindow) sink_.processMessages();
    if (call.echo == Echo::Swallow) swallowEcho(sent);
    if (call.answerWindow) sink_.processMessages();
    if (call.replySize == 0) return verdict;
    verdict.reply = readReply(call.replySize);
    if (verdict.reply.isEmpty()) return verdict;
    const bool ok = call.goodReply.isEmpty() ? replyCheck(verdict.reply)
                                             : verdict.reply.size() <= call.goodReply.size() &&
                                                   call.goodReply.startsWith(verdict.reply);
    verdict.answer = ok ? Verdict::Answer::Ok : Verdict::Answer::Other;
    if (call.progress) call.progress->addProgress(1);
    if (call.logReply) sink_.configLog(replyText(verdict.reply));
    if (call.drain && !verdict.passed() && !verdict.silent())
        drainRefusal(verdict.reply, call.replySize);
    return verdict;
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
    return QByteArray(buffer.data(), static_cast<qsizetype>(got));
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

Verdict AtDialogue::commandStep(const Pieces& pieces, const QString& logLine, Gauge* progress) {
    const Verdict verdict = exchange(AtCall(pieces, kGoodReplySize, ReplyRule::SilenceAllowed)
                                         .loggingCommand(logLine)
                                         .loggingReply(progress)
                                         .drainingRefusal());
    if (!verdict.passed()) sink_.box(box::ConfigurationError);
    return verdict;
}

Verdict AtDialogue::enterConfigMode(bool showRefusal) {
    port_.purge();
    echoTest();
    port_.purge();
    const Verdict verdict = exchange(
        AtCall(AtCommand::ConfigMode, kGoodReplySize, ReplyRule::SilenceAllowed).drainingRefusal());
    if (!verdict.passed()) {
        if (showRefusal) sink_.box(box::ConfigModeNotStarted);
        return verdict;
    }
    sink_.logNote(LogNote::ConfigModeEntered);
    port_.purge();
    return verdict;
}

Verdict AtDialogue::saveConfig() {
    const Verdict verdict = exchange(
        AtCall(AtCommand::SaveConfig, kGoodReplySize, ReplyRule::OkRequired)
            .loggingCommand(QString::fromLatin1(atCommand(AtCommand::SaveConfig).trimmed()))
            .loggingReply()
            .drainingRefusal());
    if (verdict.passed()) {
        sink_.logNote(LogNote::ConfigSaved);
    } else if (!verdict.silent()) {
        sink_.logNote(LogNote::ConfigSaveRefused);
        sink_.box(box::ConfigurationError);
    }
    return verdict;
}

Verdict AtDialogue::leaveConfigMode() {
    const Verdict verdict =
        exchange(AtCall(AtCommand::ExitConfigMode, kGoodReplySize, ReplyRule::SilenceAllowed));
    sink_.logNote(verdict.passed() ? LogNote::ConfigModeLeft : LogNote::ConfigModeNotLeft);
    port_.purge();
    return verdict;
}

}  // namespace korvel
