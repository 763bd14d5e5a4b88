// The AT dialogue inside one port connection: the one checked AT exchange
// (each call states the reply it needs and gets a verdict naming its step),
// the echo test, the command step of the configuration write, and entering,
// saving and leaving the communicator's configuration mode.
#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

#include "device_link/at_commands.h"
#include "device_link/operation_sink.h"
#include "device_link/outcome.h"
#include "device_link/serial/serial_port.h"

namespace korvel {

// Each operation reads into a reply buffer of this size.
constexpr std::size_t kReplyBufferSize = 1000;

extern const char kGoodReply[];  // "\r\nOK\r\n"

// Good when the bytes equal as many leading bytes of "\r\nOK\r\n"; zero bytes
// pass, a zero byte counts as a difference, more than six bytes fail.
bool replyCheck(const QByteArray& reply);

using Pieces = std::vector<QByteArray>;

// What a step needs from the device for the dialogue to go on.
enum class ReplyRule {
    OkRequired,      // only OK (or the step's own good reply) passes
    SilenceAllowed,  // OK or no reply at all passes; anything else is a refusal
    AnyAnswer,       // any reply passes; only silence fails
};

// How an exchange treats the command's echo.
enum class Echo { Swallow, Keep };

// One AT call: what goes out, how much reply is read and what reply it
// needs.  The rest is optional: set by the named members, each returning the
// call so that they chain.
struct AtCall {
    AtCall(Pieces pieces, std::size_t replySize, ReplyRule rule)
        : pieces(std::move(pieces)), replySize(replySize), rule(rule) {}
    AtCall(AtCommand command, std::size_t replySize, ReplyRule rule)
        : AtCall(Pieces{atCommand(command)}, replySize, rule) {}

    // The echo is left in the reply instead of being swallowed.
    AtCall& keepEcho() {
        echo = Echo::Keep;
        return *this;
    }
    // A good reply other than OK; its leading bytes pass as OK's do.
    AtCall& expecting(QByteArray reply) {
        goodReply = std::move(reply);
        return *this;
    }
    // Both driver queues are emptied before the command goes out.
    AtCall& purgingFirst() {
        purgeFirst = true;
        return *this;
    }
    // The window answers its user once after the command went out and once
    // after its echo was swallowed.
    AtCall& answeringWindow() {
        answerWindow = true;
        return *this;
    }
    // The command goes to the configuration log as `line` once it is sent.
    AtCall& loggingCommand(QString line) {
        commandLine = std::move(line);
        return *this;
    }
    // A reply goes to the configuration log and advances `gauge` (when given).
    AtCall& loggingReply(Gauge* gauge = nullptr) {
        logReply = true;
        progress = gauge;
        return *this;
    }
    // A reply the rule refuses that filled the bytes asked for is read to its
    // end and dropped, so that it is not taken for the next command's reply.
    AtCall& drainingRefusal() {
        drain = true;
        return *this;
    }

    Pieces pieces;
    std::size_t replySize;  // 0: the command is only sent
    ReplyRule rule;
    Echo echo = Echo::Swallow;
    QByteArray goodReply;
    bool purgeFirst = false, answerWindow = false, logReply = false, drain = false;
    QString commandLine;
    Gauge* progress = nullptr;
};

// The device's answer to one step, judged by the step's rule.
struct Verdict {
    enum class Answer { Ok, Silent, Other };
    QString step;      // the command as sent, without line end and value
    QByteArray reply;  // the bytes read
    ReplyRule rule = ReplyRule::OkRequired;
    Answer answer = Answer::Silent;

    bool passed() const;
    bool silent() const { return answer == Answer::Silent; }
    // How a failed step ends its operation: DeviceSilent or Refused, at this
    // step, with the refusal's bytes.
    Outcome failure() const;
};

class AtDialogue {
public:
    // `timeouts` are the ones the port connection applied; the dialogue needs
    // them to restore the port after draining a refusal.
    AtDialogue(SerialPort& port, OperationSink& sink, const Timeouts& timeouts);

    bool echo() const { return echo_; }
    // True once any byte at all (echo, reply, refusal) came from the device
    // in this port connection.
    bool deviceAnswered() const { return received_ > 0; }
    // Writes the pieces one after another; returns the bytes the port took.
    std::size_t send(const Pieces& pieces);
    // "AT\r\n", then up to 10 bytes: exactly 10 means the device echoes.
    bool echoTest();
    // The one AT exchange: purges first when the call says so, sends the
    // pieces, swallows their echo (when the device echoes and the call says
    // so), reads up to `replySize` bytes within the port's time-outs and
    // judges them by the call's rule: zero bytes are silence, bytes that
    // pass the reply check (or equal the leading bytes of the call's good
    // reply) OK, anything else another answer.
    Verdict exchange(const AtCall& call);

    // One command of the configuration write: send, log, swallow the echo,
    // read six bytes; with a reply: log it, advance the gauge and check it
    // (a refusal is drained and raises the configuration error box).  No
    // reply passes.
    Verdict commandStep(const Pieces& pieces, const QString& logLine, Gauge* progress);

    // Purge, echo test, purge, AT+ZQCONFIG (no reply passes).  With
    // `showRefusal` a refusal is shown in a message box (the configuration
    // write does, the read not).
    Verdict enterConfigMode(bool showRefusal);

    // AT+ZQSAVE, logged; only OK passes.  A refusal raises the
    // configuration error box.
    Verdict saveConfig();

    // AT+ZQEXIT (no reply passes); logs its outcome and purges at the end.
    Verdict leaveConfigMode();

private:
    std::size_t writeAll(const QByteArray& piece);
    // With echo on: reads and drops up to `bytesSent` bytes (in parts no
    // larger than the reply buffer).
    void swallowEcho(std::size_t bytesSent);
    // One read of up to n (at most the buffer size) bytes.
    QByteArray readReply(std::size_t n);
    // After a refusal that filled the bytes asked for, the rest of it
    // ("\r\nERROR\r\n" is longer than six bytes) is still coming.
    void drainRefusal(const QByteArray& reply, std::size_t asked);

    SerialPort& port_;
    OperationSink& sink_;
    Timeouts timeouts_;
    std::size_t readCounted(char* buffer, std::size_t size);

    bool echo_ = false;
    std::size_t received_ = 0;
};

}  // namespace korvel
