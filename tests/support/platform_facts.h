// Facts about the platform the tests run on, for the few expectations that
// differ between Windows and POSIX systems.
#pragma once

namespace korvel::test {

// Whether owner/group/other permission bits restrict who may read a file
// (POSIX); on Windows access is governed by the folder's ACLs instead.
bool permissionBitsApply();

}  // namespace korvel::test
