// Writing the configuration page into the communicator (SaveConfig).
#pragma once

#include "config_form.h"
#include "operation_context.h"

namespace korvel {

void writeConfiguration(OperationContext& ctx, ConfigForm& form);

}  // namespace korvel
