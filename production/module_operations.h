// The production page's dialogues with the GSM module and the device:
// identification, application start and deletion, serial number, and the
// write of one production image.
#pragma once

#include <QString>
#include <optional>

#include "firmware_files.h"
#include "operation_context.h"

namespace korvel {

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

struct ModuleIdentity {
    QString coreVersion;
    QString moduleType;
};
// AT+CGMR.  nullopt when the module said nothing (the fields stay as they are).
std::optional<ModuleIdentity> identifyModule(OperationContext& ctx);

void startApplication(OperationContext& ctx);
void deleteApplication(OperationContext& ctx);

// True for a number the device may take as its identity: eight digits.
bool isCompleteSerialNumber(const QString& number);
void programSerialNumber(OperationContext& ctx, const QString& number);

// One of the three write buttons: port check, file check, gauge CGauge2 set
// up, then the production download sequence.
void writeProductionImage(OperationContext& ctx, const QString& imagePath);

}  // namespace korvel
