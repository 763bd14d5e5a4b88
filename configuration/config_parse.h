// Parsing the communicator's answers to the configuration queries into the
// configuration page.  Pure text work: no port, no window.
//
// Every rule walks the reply text T with four small operations.  Positions
// follow the device's line layout "+ZQNAME: value,value\r\n"; a reply that
// is shorter than expected simply yields empty texts or leftovers, never an
// error.
#pragma once

#include <QString>
#include <optional>

#include "config_form.h"

namespace korvel {

// T from the second character after the first ":" (the colon and the blank
// after it are dropped); without ":" T from its second character.
QString skipPastColon(const QString& t);
// k characters of T from the second character after the first ":" (the same
// start as skipPastColon), fewer when T ends first.
QString takeAfterColon(const QString& t, int k);
// T from the character after the first ","; T unchanged without ",".
QString skipPastComma(const QString& t);
// The characters of T before the first `x`; empty when T holds no `x`.
QString fieldUpTo(const QString& t, QChar x);

// A decimal integer as the device writes it: optional sign and decimal
// digits, blanks around tolerated.  Nothing else (no hex, no trailing text,
// nothing out of int range).
std::optional<int> decimalInteger(const QString& text);

// The number of configuration queries and the rule that parses the reply to
// query `index` (0..16) into the form.  A value that should be a decimal
// integer but is not (or a meter type code the selector does not have)
// leaves its own field unchanged; the rest of the rule still runs.  An index
// outside the table does nothing.
constexpr int kQueryCount = 17;
void parseQueryReply(int index, const QString& reply, ConfigForm& form);

}  // namespace korvel
