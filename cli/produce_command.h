// korvel-cli produce and station --watch: the production station, after
// every check that could stop it has passed before any device hears a byte.
#pragma once

#include "cli/options.h"

namespace korvel::cli {

// produce (the ports given) and station (the ports as they appear).
int produceCommand(const Args& a);

}  // namespace korvel::cli
