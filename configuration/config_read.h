// Reading the communicator's configuration into the configuration page
// (ReadConfig).
#pragma once

#include "configuration/config_form.h"
#include "device_link/operation_context.h"
#include "device_link/outcome.h"

namespace korvel {

// Done only when every query came back with a value; Incomplete when some
// did (answeredQueries says how many).
Outcome readConfiguration(OperationContext& ctx, ConfigForm& form);

}  // namespace korvel
