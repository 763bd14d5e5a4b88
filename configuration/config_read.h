// Reading the communicator's configuration into the configuration page
// (ReadConfig).
#pragma once

#include "configuration/config_form.h"
#include "device_link/operation_context.h"
#include "device_link/outcome.h"
#include "device_link/operation_sink.h"

namespace korvel {

// The configuration read's status reports.
namespace status {
inline constexpr Status ReadingConfiguration{"reading configuration"};
inline constexpr Status ConfigurationRead{"configuration read"};
inline constexpr Status ConfigurationReadPartly{"configuration read partly"};
inline constexpr Status ConfigurationNotRead{"configuration not read"};
}  // namespace status

// Done only when every query came back with a value; Incomplete when some
// did (answeredQueries says how many).
Outcome readConfiguration(OperationContext& ctx, ConfigForm& form);

}  // namespace korvel
