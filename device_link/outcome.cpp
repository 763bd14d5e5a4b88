#include "device_link/outcome.h"

namespace korvel {

const char* resultName(Result result) {
    switch (result) {
        case Result::Done: return "done";
        case Result::NoPortChosen: return "no port chosen";
        case Result::PortUnusable: return "port unusable";
        case Result::PortNotReopened: return "port not reopened";
        case Result::DeviceSilent: return "device silent";
        case Result::Refused: return "refused";
        case Result::FileProblem: return "file problem";
        case Result::InvalidInput: return "invalid input";
        case Result::Incomplete: return "incomplete";
    }
    return "";
}

const char* openFailureName(OpenFailure failure) {
    switch (failure) {
        case OpenFailure::None: return "";
        case OpenFailure::Absent: return "absent";
        case OpenFailure::Busy: return "busy";
        case OpenFailure::PermissionDenied: return "permission denied";
        case OpenFailure::NotSerial: return "not serial";
        case OpenFailure::Other: return "other";
    }
    return "";
}

QString outcomeSummary(const Outcome& outcome) {
    QString text = QString::fromLatin1(resultName(outcome.result));
    if (!outcome.step.isEmpty()) text += QLatin1Char(' ') + outcome.step;
    if (outcome.refusedBlock > 0) text += QStringLiteral(" block %1").arg(outcome.refusedBlock);
    if (!outcome.systemMessage.isEmpty()) text += QStringLiteral(": ") + outcome.systemMessage;
    return text;
}

}  // namespace korvel
