// A request to end the program from outside the window (SIGTERM, SIGINT or
// SIGHUP at logout or shutdown on Linux) closes the window as the user would,
// so the settings file is saved.
#pragma once

class QWidget;

namespace korvel {

void closeWindowOnTermination(QWidget* window);

}  // namespace korvel
