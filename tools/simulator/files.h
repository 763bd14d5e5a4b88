// Small file helpers of the device simulator.
#pragma once

#include <string>

namespace korvel::sim {

// Writes `data` to a temporary file beside `path` and renames it over `path`, so a
// reader never sees a half-written file.
bool writeFileAtomically(const std::string& path, const std::string& data);

// Reads the whole file; false when it can't be opened or read.
bool readWholeFile(const std::string& path, std::string& data);

// The first "DIR/image-N.dwl" (N = 1, 2, ...) that does not exist yet.
std::string nextImagePath(const std::string& dir);

}  // namespace korvel::sim
