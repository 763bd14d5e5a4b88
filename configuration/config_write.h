// Writing the configuration page into the communicator (SaveConfig).
#pragma once

#include "configuration/config_form.h"
#include "device_link/operation_context.h"
#include "device_link/outcome.h"
#include "device_link/operation_sink.h"

namespace korvel {

// The configuration write's status reports.
namespace status {
inline constexpr Status ConfigurationWritten{"configuration written"};
inline constexpr Status ConfigurationNotWritten{"configuration not written"};
}  // namespace status

// Done only when every command went through and the device confirmed the
// save; otherwise the first refusal (or the silence) it ended with.
Outcome writeConfiguration(OperationContext& ctx, ConfigForm& form);

}  // namespace korvel
