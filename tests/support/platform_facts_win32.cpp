#include "platform_facts.h"

namespace korvel::test {

bool permissionBitsApply() { return false; }

}  // namespace korvel::test
