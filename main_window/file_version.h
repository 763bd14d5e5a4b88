// The version the window's title shows: the executable's own version
// resource where the system has one, else the build's version.
#pragma once

#include <QString>

namespace korvel {

// An empty string when there is none.
QString executableFileVersion();

}  // namespace korvel
