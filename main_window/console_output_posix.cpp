#include <cstdio>

#include "main_window/console_output.h"

namespace korvel {

void printToConsole(const char* utf8Text) {
    std::fputs(utf8Text, stdout);
    std::fflush(stdout);
}

}  // namespace korvel
