// Every AT command the system sends, in one table, and the exchange of one
// command with its reply.
//
// The device's own commands begin with AT+ZQ; the GSM module's standard ones
// (AT, AT+CFUN=1, AT+WDWL, AT+WOPEN=n, AT+CGMR) go the same way.  Each ends
// with "\r\n".  Commands that carry a value (AT+ZQSNUM=, the configuration
// commands of configuration/config_commands.h) are sent as their prefix
// followed by the value's pieces.
#pragma once

#include <QByteArray>

namespace korvel {

enum class AtCommand {
    Attention,         // AT: the echo test, and "are you there" after a restart
    ConfigMode,        // AT+ZQCONFIG
    SaveConfig,        // AT+ZQSAVE
    ExitConfigMode,    // AT+ZQEXIT
    Restart,           // AT+CFUN=1
    DownloadMode,      // AT+WDWL
    Identification,    // AT+CGMR
    StopApplication,   // AT+WOPEN=0
    StartApplication,  // AT+WOPEN=1
    EraseObjects,      // AT+WOPEN=3
    EraseApplication,  // AT+WOPEN=4
    ApplicationVersion,// AT+ZQVER?
    SerialNumber,      // AT+ZQSNUM= (the number and "\r\n" follow)
};

// The command's bytes as sent: "AT+ZQCONFIG\r\n"; for AT+ZQSNUM= the prefix
// alone.
QByteArray atCommand(AtCommand command);

// Reply sizes read after a command.  "\r\nOK\r\n" is six bytes.  The echo
// test reads ten: an echoing device sends "AT\r\n" back before its
// "\r\nOK\r\n".  AT+ZQEXIT's reply is read as nine bytes, the length of
// "\r\nERROR\r\n", so that a refusal is read whole rather than left for the
// next read.  AT+ZQVER? gets 28: room for "\r\n+ZQVER: ", the ten-character
// version and the line ends around it.  AT+WDWL answers "\r\n+WDWL: 0\r\n",
// twelve.
constexpr std::size_t kOkReplySize = 6;
constexpr std::size_t kEchoTestReplySize = 10;
constexpr std::size_t kExitReplySize = 9;
constexpr std::size_t kVersionReplySize = 28;
constexpr std::size_t kDownloadModeReplySize = 12;

}  // namespace korvel
