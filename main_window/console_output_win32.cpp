#include <windows.h>

#include <cstring>
#include <vector>

#include "main_window/console_output.h"

namespace korvel {

void printToConsole(const char* utf8Text) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    // Started from a command prompt without redirection: a window program has
    // no standard output, so borrow the prompt's console.
    if ((out == nullptr || out == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS))
        out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return;

    const int length = static_cast<int>(std::strlen(utf8Text));
    DWORD mode = 0;
    if (GetConsoleMode(out, &mode)) {
        // A console shows UTF-16 whatever its code page.
        const int units = MultiByteToWideChar(CP_UTF8, 0, utf8Text, length, nullptr, 0);
        std::vector<wchar_t> wide(static_cast<std::size_t>(units) + 1);
        MultiByteToWideChar(CP_UTF8, 0, utf8Text, length, wide.data(), units);
        DWORD written = 0;
        WriteConsoleW(out, wide.data(), static_cast<DWORD>(units), &written, nullptr);
        return;
    }
    DWORD written = 0;
    WriteFile(out, utf8Text, static_cast<DWORD>(length), &written, nullptr);
}

}  // namespace korvel
