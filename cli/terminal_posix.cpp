#include "cli/terminal.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace korvel::cli {

bool isTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

bool takesCursorControl(std::FILE* stream) { return isTerminal(stream); }

TerminalSize terminalSize(std::FILE* stream) {
    winsize size{};
    if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) != 0) return {};
    return {size.ws_col, size.ws_row};
}

}  // namespace korvel::cli
