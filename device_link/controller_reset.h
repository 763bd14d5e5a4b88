// The controller reset of the configuration page: restarts the
// communicator's module with AT+CFUN=1 outside configuration mode.
#pragma once

#include "operation_context.h"

namespace korvel {

void resetController(OperationContext& ctx);

}  // namespace korvel
