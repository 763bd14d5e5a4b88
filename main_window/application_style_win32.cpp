#include "main_window/application_style.h"

namespace korvel {

// The system's own style is the look the layout is drawn for.
void applyApplicationStyle() {}

}  // namespace korvel
