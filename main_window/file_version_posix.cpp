#include "main_window/file_version.h"

namespace korvel {

// Executables carry no version resource here: the build's own version stands in.
QString executableFileVersion() { return QStringLiteral(KORVEL_VERSION); }

}  // namespace korvel
