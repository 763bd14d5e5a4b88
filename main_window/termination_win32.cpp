// On Windows the session's end reaches the window as a close event already.
#include "termination.h"

namespace korvel {

void closeWindowOnTermination(QWidget*) {}

}  // namespace korvel
