// The texts of korvel-cli doctor: each result's line, Russian as the user
// reads it, with the exact command or step that mends a warning or a
// problem; and the fixed English keys of its JSON lines.
#pragma once

#include <QString>

#include "cli/doctor.h"

namespace korvel::cli {

QString levelText(Level level);          // "ок", "внимание", "проблема"
QString findingText(const CheckResult& result);
// Empty for a result that needs nothing done.
QString mendText(const CheckResult& result);
QString mendPrefix();                     // "исправить: "

const char* levelKey(Level level);        // "ok", "warning", "problem"
const char* checkKey(Check check);        // "port-access", ...
const char* findingKey(Finding finding);  // "not-in-group", ...

}  // namespace korvel::cli
