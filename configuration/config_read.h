// Reading the communicator's configuration into the configuration page
// (ReadConfig).
#pragma once

#include "config_form.h"
#include "operation_context.h"

namespace korvel {

void readConfiguration(OperationContext& ctx, ConfigForm& form);

}  // namespace korvel
