// Writing the configuration page into the communicator (SaveConfig).
#pragma once

#include "configuration/config_form.h"
#include "device_link/operation_context.h"
#include "device_link/outcome.h"

namespace korvel {

// Done only when every command went through and the device confirmed the
// save; otherwise the first refusal (or the silence) it ended with.
Outcome writeConfiguration(OperationContext& ctx, ConfigForm& form);

}  // namespace korvel
