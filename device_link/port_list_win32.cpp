// The ports Windows lists in its registry, and their friendly names from
// the device manager's records (SetupAPI).
#include <windows.h>
#include <setupapi.h>

#include "device_link/port_list.h"

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

// The device manager keeps, for each present device of the "Ports" class,
// the port name it was given ("PortName" in its device key) and a friendly
// name such as "USB Serial Port (COM5)".
QHash<QString, QString> systemPortDescriptions() {
    QHash<QString, QString> descriptions;
    // GUID_DEVCLASS_PORTS
    static const GUID kPortsClass = {
        0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
    const HDEVINFO devices = SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) return descriptions;
    SP_DEVINFO_DATA device;
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
        QString portName;
        const HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key != INVALID_HANDLE_VALUE) {
            wchar_t name[64] = {};
            DWORD size = sizeof name - sizeof(wchar_t);
            DWORD type = 0;
            if (RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size) ==
                    ERROR_SUCCESS &&
                type == REG_SZ)
                portName = QString::fromWCharArray(name);
            RegCloseKey(key);
        }
        wchar_t friendly[256] = {};
        DWORD type = 0;
        if (portName.isEmpty() ||
            !SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME, &type,
                                               reinterpret_cast<BYTE*>(friendly),
                                               sizeof friendly - sizeof(wchar_t), nullptr))
            continue;
        descriptions.insert(portName, QString::fromWCharArray(friendly));
    }
    SetupDiDestroyDeviceInfoList(devices);
    return descriptions;
}

}  // namespace korvel
