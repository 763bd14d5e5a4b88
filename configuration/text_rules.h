// The text rules the device replies and the settings file share: which
// characters are blanks, trimming them, and what a decimal integer is.
// Pure functions.
#pragma once

#include <QString>
#include <optional>

namespace korvel {

// A blank is a space or a tab.
bool isBlank(QChar c);
// The text without its leading and trailing blanks (line ends and other
// characters stay).
QString trimBlanks(const QString& text);

// A decimal integer: an optional sign and decimal digits, nothing else (no
// blanks, no hexadecimal, no trailing text, nothing out of int range).
std::optional<int> decimalInteger(const QString& text);

// An integer by the Windows profile rules the settings file follows:
// blanks around tolerated, decimal with an optional sign, or hexadecimal
// after "0x"/"0X" taking the full 32 bits ("0xFFFFFFFF" is -1).
std::optional<int> profileInteger(const QString& text);

}  // namespace korvel
