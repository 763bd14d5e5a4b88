// Where the settings file lives: beside the executable wherever that folder
// can be written (a portable copy, and the files users already keep there);
// otherwise in the user's own configuration folder, as an installed program
// in /usr/bin or C:\Program Files needs.  A folder the Windows installer made
// always sends the file to the user's folder: an administrator, a per-user
// installation or Wine can write there, but the uninstaller empties it and
// every user of the PC would share one file.
#pragma once

#include <QString>

namespace korvel {

// The user's configuration folder for the settings file:
// $XDG_CONFIG_HOME/korvel (~/.config/korvel) on Linux, %APPDATA%\KORVEL on
// Windows.
QString userSettingsFolder();

// The file the Windows installer puts beside the programs it installs.
inline constexpr char kInstalledMarkName[] = "korvel-installed.txt";

// The settings file for an executable.  `userFolder` empty: the platform's
// userSettingsFolder().  The user folder is taken when the executable's folder
// cannot be written, holds the installer's mark or is one of the system's
// program folders (/usr/bin, /usr/local/bin, /bin ...).  When the file goes to the
// user folder and has no copy there yet, an existing file beside the
// executable is taken over as the starting content.
QString resolveSettingsPath(const QString& executablePath, const QString& userFolder = QString());

}  // namespace korvel
