// The AT dialogue inside one port connection: sending a command in pieces,
// the echo test and echo swallow, reading and checking a reply, the command
// step of the configuration write, and entering, saving and leaving the
// communicator's configuration mode.
#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

#include "at_commands.h"
#include "operation_sink.h"
#include "serial_port.h"

namespace korvel {

// Each operation reads into a reply buffer of this size.
constexpr std::size_t kReplyBufferSize = 1000;

extern const char kGoodReply[];  // "\r\nOK\r\n"

// Good when the bytes equal as many leading bytes of "\r\nOK\r\n"; zero bytes
// pass, a zero byte counts as a difference, more than six bytes fail.
bool replyCheck(const QByteArray& reply);

using Pieces = std::vector<QByteArray>;

// A reply and the verdict on it.
struct Reply {
    enum class Verdict { Good, Silent, Refused };
    QByteArray bytes;
    Verdict verdict = Verdict::Silent;
    bool good() const { return verdict == Verdict::Good; }
    bool silent() const { return verdict == Verdict::Silent; }
};

// How an exchange treats the command's echo.
enum class Echo { Swallow, Keep };

class AtDialogue {
public:
    // `timeouts` are the ones the port connection applied; the dialogue needs
    // them to restore the port after draining a refusal.
    AtDialogue(SerialPort& port, OperationSink& sink, const Timeouts& timeouts);

    bool echo() const { return echo_; }
    // True once any byte at all (echo, reply, refusal) came from the device
    // in this port connection.
    bool deviceAnswered() const { return received_ > 0; }
    // The last command sent, without its line end and value ("AT+ZQPIN="),
    // and the last reply read: what an outcome names when a step fails.
    QString lastCommand() const { return lastCommand_; }
    QByteArray lastReply() const { return lastReply_; }

    // Writes the pieces one after another; returns the bytes the port took.
    std::size_t send(const Pieces& pieces);
    // "AT\r\n", then up to 10 bytes: exactly 10 means the device echoes.
    bool echoTest();
    // The one AT exchange: sends the pieces, swallows their echo (when the
    // device echoes and `echo` says so), reads up to `replySize` bytes within
    // the port's time-outs and judges them: zero bytes are Silent, bytes
    // that pass the reply check (or equal the leading bytes of `expected`,
    // when given) Good, anything else Refused.  A replySize of 0 only sends.
    Reply exchange(const Pieces& pieces, std::size_t replySize, Echo echo = Echo::Swallow,
                   const QByteArray& expected = QByteArray());
    Reply exchange(AtCommand command, std::size_t replySize, Echo echo = Echo::Swallow) {
        return exchange(Pieces{atCommand(command)}, replySize, echo);
    }

    // With echo on: reads and drops up to `bytesSent` bytes (in parts no
    // larger than the reply buffer).
    void swallowEcho(std::size_t bytesSent);
    // One read of up to n (at most the buffer size) bytes.
    QByteArray readReply(std::size_t n);
    // After a failed check of a reply that filled the bytes asked for, the
    // rest of the refusal ("\r\nERROR\r\n" is longer than six bytes) is still
    // coming; it is read and dropped so that it is not taken for the next
    // command's reply.
    void drainRefusal(const QByteArray& reply, std::size_t asked);

    // One command of the configuration write: send, log, swallow the echo,
    // read six bytes; with a reply: log it, advance the gauge and check it
    // (a refusal raises the configuration error box).  No reply counts as good.
    bool commandStep(const Pieces& pieces, const QString& logLine, Gauge* progress);

    enum class EnterResult { Entered, Refused };
    // Purge, echo test, purge, AT+ZQCONFIG.  With `showRefusal` a refusal is
    // shown in a message box (the configuration write does, the read not).
    EnterResult enterConfigMode(bool showRefusal);

    enum class SaveResult { Saved, Refused, NoAnswer };
    SaveResult saveConfig();

    // AT+ZQEXIT; logs its outcome and purges at the end.  False when the
    // device refused to leave configuration mode.
    bool leaveConfigMode();

private:
    std::size_t writeAll(const QByteArray& piece);

    SerialPort& port_;
    OperationSink& sink_;
    Timeouts timeouts_;
    std::size_t readCounted(char* buffer, std::size_t size);

    bool echo_ = false;
    std::size_t received_ = 0;
    QString lastCommand_;
    QByteArray lastReply_;
};

}  // namespace korvel
