// The images on the window's buttons.  They are built into the program, so
// start-up never searches the system's icon theme for them.
#pragma once

#include <QIcon>

namespace korvel {

enum class ButtonImage { Write, Read, Reset, Start };

QIcon buttonImage(ButtonImage image);

}  // namespace korvel
