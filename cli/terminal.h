// Whether a standard stream is a terminal, and what the live display may do
// with it: move the cursor and clear lines, within how many columns.  One
// file per platform.
#pragma once

#include <cstdio>

namespace korvel::cli {

bool isTerminal(std::FILE* stream);

// A terminal that takes the cursor movements and line clearing of the live
// display (ANSI sequences); a Windows console is asked to take them first.
bool takesCursorControl(std::FILE* stream);

// The terminal's window in columns and rows; 0 when unknown.
struct TerminalSize {
    int columns = 0, rows = 0;
};
TerminalSize terminalSize(std::FILE* stream);

}  // namespace korvel::cli
