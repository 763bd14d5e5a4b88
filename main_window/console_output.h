// Text for the terminal the program was started from (--version, --help).
#pragma once

namespace korvel {

// Writes UTF-8 text to standard output.  On Windows the configurator is a
// window program without a console of its own: the text goes to the console
// of the command prompt that started it, or to wherever standard output was
// redirected.
void printToConsole(const char* utf8Text);

}  // namespace korvel
