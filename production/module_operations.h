// The production page's dialogues with the GSM module and the device:
// identification, application start and deletion, serial number, and the
// write of one production image.
#pragma once

#include <QString>
#include <optional>

#include "production/firmware_files.h"
#include "device_link/operation_context.h"
#include "device_link/outcome.h"
#include "device_link/operation_sink.h"

namespace korvel {

// What the module operations report.
namespace status {
inline constexpr Status CoreVersion{"core version"};  // detail: the version
inline constexpr Status ModuleType{"module type"};    // detail: the type
inline constexpr Status ApplicationStarted{"application started"};
inline constexpr Status ApplicationVersion{"application version"};  // detail: the version
inline constexpr Status ApplicationStopped{"application stopped"};
inline constexpr Status FlashObjectsErased{"flash objects erased"};
inline constexpr Status ApplicationErased{"application erased"};
inline constexpr Status SerialNumberWritten{"serial number written"};  // detail: the number
}  // namespace status

namespace box {
inline constexpr Box SerialNumberMalformed{"serial number malformed"};
inline constexpr Box StartRefused{"start refused"};
inline constexpr Box ConfigModeRefused{"configuration mode refused"};  // AT+ZQCONFIG refused on the production page
inline constexpr Box VersionUnread{"version unread"};
inline constexpr Box ExitRefused{"exit refused"};
inline constexpr Box StopRefused{"stop refused"};
inline constexpr Box ObjectsNotErased{"objects not erased"};
inline constexpr Box ApplicationNotErased{"application not erased"};
inline constexpr Box SerialNumberNotWritten{"serial number not written"};
}  // namespace box

// Core firmware version out of an AT+CGMR reply: from the "R" after the first
// "\r\nR" (else from the second character) up to the third dot (fewer dots:
// up to the last one found; none: empty).
QString coreVersionFromIdentification(const QString& reply);
// Module type: after the first "\n", past the fourth dot (or the last dot
// found), up to the first blank; empty when no blank follows.
QString moduleTypeFromIdentification(const QString& reply);
// Application version out of an AT+ZQVER? reply: ten characters starting two
// after the first colon; without a colon, from the second character.
QString applicationVersionFromReply(const QString& reply);

// AT+CGMR.  Done with the module type and core version; DeviceSilent when
// the module said nothing (the fields then stay as they are).
Outcome identifyModule(OperationContext& ctx);

// AT+WOPEN=1, AT+ZQCONFIG, AT+ZQVER? (the application version learned),
// AT+ZQEXIT.
Outcome startApplication(OperationContext& ctx);
// AT+WOPEN=0, AT+WOPEN=3, AT+WOPEN=4.
Outcome deleteApplication(OperationContext& ctx);

// True for a number the device may take as its identity: eight digits.
bool isCompleteSerialNumber(const QString& number);
// AT+ZQCONFIG, AT+ZQSNUM=number, AT+ZQEXIT.  confirmedSerial is set once the
// device answered the number with OK; serialSent once it went out at all.
Outcome programSerialNumber(OperationContext& ctx, const QString& number);

// One of the three write buttons: the production page's download of the
// image (firmware_download.h).
Outcome writeProductionImage(OperationContext& ctx, const QString& imagePath);

}  // namespace korvel
