// The settings file beside the executable: every field of the configuration
// page and the production page's folder and serial number.
#pragma once

#include <QString>

#include "configuration/config_form.h"

namespace korvel {

// The executable's path with its extension replaced by ".INI" (appended when
// the name has no extension).
QString settingsFilePath(const QString& executablePath);

// Fills the form from the file; a missing file, section or key gives the
// defaults.  Also writes the row numbers and headers of the three tables.
void loadSettings(const QString& path, ConfigForm& form);

struct SaveSettingsResult {
    bool written = true;   // false: the file could not be replaced
    QString path;          // the file
    QString reason;        // the system's words for what went wrong, when it gave any
};

// The file a wire log is to be kept in (section Support, key WIRE_LOG), or
// an empty string: off unless the key names a file.  The window only reads
// this key; it never writes it.
QString wireLogSetting(const QString& path);

// Writes every key in its order; the file is replaced in one step.
SaveSettingsResult saveSettings(const QString& path, const ConfigForm& form);

}  // namespace korvel
