// The configuration commands of the communicator built from the
// configuration page: the bytes of each command as separate pieces (each is
// written by itself) and the line it leaves in the configuration log.  Pure:
// nothing here touches a port or a window.
#pragma once

#include <QString>

#include "device_link/at_dialogue.h"
#include "configuration/config_form.h"

namespace korvel {

struct ConfigCommand {
    Pieces pieces;    // prefix, each value and separator, "\r\n" last
    QString logLine;  // the command as sent, without its line end
};

// A field value as it may go into a command: control characters (line ends
// above all, which would split the command) are removed.  Everything else,
// blanks included, stays as the field gives it.
QString commandValue(const QString& text);

// Rows of the three tables that carry data.
bool serverRowInUse(const ConfigForm& form, int row);  // telephone neither empty nor ten blanks
bool deviceRowInUse(const ConfigForm& form, int row);  // type not empty
bool alarmRowInUse(const ConfigForm& form, int row);   // telephone neither empty nor ten blanks


// The longest server description the device stores, in bytes.
constexpr int kServerDescriptionBytes = 20;

ConfigCommand pinCommand(const ConfigForm& form);
ConfigCommand telCommand(const ConfigForm& form);
ConfigCommand apnCommand(const ConfigForm& form);
ConfigCommand userCommand(const ConfigForm& form);  // sent only when the login is not empty
ConfigCommand passCommand(const ConfigForm& form);  // sent only when the password is not empty
ConfigCommand serverCommand(const ConfigForm& form, int row);  // row 1..5
ConfigCommand balanceCommand(const ConfigForm& form);
ConfigCommand portCommand(const ConfigForm& form);
ConfigCommand deviceCommand(const ConfigForm& form, int row);  // row 1..32
ConfigCommand smsPassCommand(const ConfigForm& form);
ConfigCommand alarmCommand(const ConfigForm& form, int row);  // row 1..2
ConfigCommand gprs2Command(const ConfigForm& form);
ConfigCommand gprs3Command(const ConfigForm& form);

// The two pieces of configuration query `index` (kConfigQueries): the
// command name, then "?\r\n".
Pieces queryPieces(int index);

}  // namespace korvel
