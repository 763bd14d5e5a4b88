// The controller reset of the configuration page: restarts the
// communicator's module with AT+CFUN=1 outside configuration mode.
#pragma once

#include "device_link/operation_context.h"
#include "device_link/outcome.h"

namespace korvel {

// Done once AT+CFUN=1 has gone out; the module's restart is not awaited.
Outcome resetController(OperationContext& ctx);

}  // namespace korvel
