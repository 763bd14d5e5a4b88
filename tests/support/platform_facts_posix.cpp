#include "platform_facts.h"

namespace korvel::test {

bool permissionBitsApply() { return true; }

}  // namespace korvel::test
