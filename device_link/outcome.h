// What a device operation did, as a value: how it ended, the step it ended
// at, and what it learned from the device on the way.  Every operation
// returns one; the window and the command line decide what to make of it
// (the window has already shown its boxes and status texts while the
// operation ran; the command line picks its exit code and fills its record).
#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

#include "device_link/serial/port_holders.h"
#include "device_link/serial/serial_port.h"

namespace korvel {

enum class Result {
    Done,
    NoPortChosen,     // the port choice is empty
    PortUnusable,     // the port could not be opened or set up (see openFailure)
    PortNotReopened,  // the port did not come back after the module's switch
    DeviceSilent,     // the device answered nothing where an answer was needed
    Refused,          // the device refused `step` (its reply in `reply`)
    FileProblem,      // an image file could not be found, read or held in memory
    InvalidInput,     // something the user gave is missing or malformed
    Incomplete,       // the operation ran but did not get everything through
};

// Named stages of an operation that are not one AT command.
namespace stage {
inline const char kPortChoice[] = "port choice";
inline const char kPortOpen[] = "port open";
inline const char kLineSettings[] = "line settings";
inline const char kReopen[] = "reopen";
inline const char kImageFile[] = "image file";
inline const char kTransfer[] = "transfer";
inline const char kQueries[] = "queries";
inline const char kSerialNumber[] = "serial number";
inline const char kFolder[] = "folder";
}  // namespace stage

struct Outcome {
    Result result = Result::Done;
    // The AT command as sent without its line end ("AT+ZQCONFIG", "AT+ZQPIN="),
    // or a stage of `stage::`, where the operation ended; empty when done.
    QString step;

    // An unusable port: why, the system's own text of it (errno's or
    // GetLastError's message; empty when it gave none), and who holds it
    // when it is busy.
    OpenFailure openFailure = OpenFailure::None;
    QString systemMessage;
    std::vector<PortHolder> holders;
    QString portName;

    // The device's reply to the refused step.
    QByteArray reply;

    // What the device told on the way.
    QString moduleType, coreVersion;    // AT+CGMR
    QString applicationVersion;         // AT+ZQVER?
    QString confirmedSerial;            // AT+ZQSNUM= answered with OK
    bool serialSent = false;            // AT+ZQSNUM= went out at all
    qint64 imageSize = 0;               // bytes of the image to send
    qint64 bytesAcknowledged = 0;       // image bytes the module acknowledged
    int refusedBlock = 0;               // the XMODEM block refused three times
    int answeredQueries = 0;            // configuration queries answered with a value

    bool ok() const { return result == Result::Done; }
    bool portProblem() const {
        return result == Result::NoPortChosen || result == Result::PortUnusable ||
               result == Result::PortNotReopened;
    }

    // Helpers that build the usual endings.
    static Outcome done() { return ended(Result::Done, QString()); }
    static Outcome ended(Result result, QString step, QByteArray reply = {}) {
        Outcome o;
        o.result = result;
        o.step = std::move(step);
        o.reply = std::move(reply);
        return o;
    }
};

}  // namespace korvel

namespace korvel {

// Short English names for records and logs: "done", "device silent",
// "refused", ...
const char* resultName(Result result);
// "absent", "busy", "permission denied", "not serial", "other"; empty for none.
const char* openFailureName(OpenFailure failure);
// "refused AT+ZQSNUM=", "device silent AT+CGMR", "done"; a port's failure
// adds the system's text: "port unusable port open: File name too long".
QString outcomeSummary(const Outcome& outcome);

}  // namespace korvel
