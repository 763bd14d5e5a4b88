// The ports Windows lists in its registry.
#include <windows.h>

#include "port_list.h"

namespace korvel {

QStringList systemPortNames() {
    QStringList names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "hardware\\devicemap\\serialcomm", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return names;
    for (DWORD index = 0;; ++index) {
        char valueName[256];
        DWORD nameSize = sizeof valueName;
        BYTE data[256];
        DWORD dataSize = sizeof data - 1;
        DWORD type = 0;
        const LONG rc =
            RegEnumValueA(key, index, valueName, &nameSize, nullptr, &type, data, &dataSize);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS || type != REG_SZ) continue;
        data[dataSize] = 0;
        names << QString::fromLocal8Bit(reinterpret_cast<const char*>(data));
    }
    RegCloseKey(key);
    return names;
}

}  // namespace korvel
