#include "cli/terminal.h"

#include <io.h>
#include <windows.h>

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace korvel::cli {

namespace {

HANDLE consoleOf(std::FILE* stream) {
    const HANDLE h = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    DWORD mode = 0;
    return h != INVALID_HANDLE_VALUE && ::GetConsoleMode(h, &mode) ? h : nullptr;
}

}  // namespace

bool isTerminal(std::FILE* stream) { return consoleOf(stream) != nullptr; }

bool takesCursorControl(std::FILE* stream) {
    const HANDLE h = consoleOf(stream);
    DWORD mode = 0;
    if (!h || !::GetConsoleMode(h, &mode)) return false;
    if (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) return true;
    // Consoles before Windows 10 refuse it; those get a line for each change.
    return ::SetConsoleMode(h, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

TerminalSize terminalSize(std::FILE* stream) {
    const HANDLE h = consoleOf(stream);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!h || !::GetConsoleScreenBufferInfo(h, &info)) return {};
    return {info.srWindow.Right - info.srWindow.Left + 1, info.srWindow.Bottom - info.srWindow.Top + 1};
}

}  // namespace korvel::cli
