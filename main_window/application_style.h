// The look the window's pixel layout is drawn for: group captions on the
// frame line, the classic control metrics.
#pragma once

namespace korvel {

// Call once the application object exists, before any window is built.
void applyApplicationStyle();

}  // namespace korvel
