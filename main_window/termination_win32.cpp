// On Windows the session's end reaches the window as a close event already.
#include "main_window/termination.h"

namespace korvel {

void closeWindowOnTermination(QWidget*) {}

}  // namespace korvel
