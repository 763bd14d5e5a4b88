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

#include "configuration/config_form.h"
#include "configuration/text_rules.h"

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

// An integer as the device writes it in a reply: a decimal integer with
// blanks around tolerated.
std::optional<int> replyInteger(const QString& text);

// The configuration queries in the order the read asks them: each query's
// command name (sent followed by "?\r\n") and the rule that puts its reply
// into the form.
constexpr int kQueryCount = 17;
struct ConfigQuery {
    const char* command;
    void (*putReply)(const QString& reply, ConfigForm& form);
};
extern const ConfigQuery kConfigQueries[kQueryCount];

// The rule of query `index` (0..16) applied to its reply.  A value that
// should be a decimal integer but is not (or a meter type code the selector
// does not have) leaves its own field unchanged; the rest of the rule still
// runs.  An index outside the table does nothing.
void parseQueryReply(int index, const QString& reply, ConfigForm& form);

}  // namespace korvel
