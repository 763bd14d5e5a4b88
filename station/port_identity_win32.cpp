// A port's fixture slot on Windows: its COM name, which Windows keeps for one
// adapter, and the adapter's device instance path from the device manager
// (such as FTDIBUS\VID_0403+PID_6001+A10K3T9A\0000), where it has one.
#include <windows.h>
#include <cfgmgr32.h>
#include <setupapi.h>

#include "station/port_identity.h"

namespace korvel::store {

namespace {

// "\\.\COM12" and "com12" are the port COM12.
QString comName(const QString& port) {
    QString name = port;
    if (name.startsWith(QLatin1String("\\\\.\\"))) name = name.mid(4);
    return name.toUpper();
}

QString portNameOf(HDEVINFO devices, SP_DEVINFO_DATA& device) {
    const HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) return QString();
    wchar_t name[64] = {};
    DWORD size = sizeof name - sizeof(wchar_t);
    DWORD type = 0;
    const bool ok = RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size) ==
                        ERROR_SUCCESS &&
                    type == REG_SZ;
    RegCloseKey(key);
    return ok ? QString::fromWCharArray(name).toUpper() : QString();
}

// The instance path of the present device of the "Ports" class that was
// given this COM name, or empty.
QString instancePathOf(const QString& com) {
    // GUID_DEVCLASS_PORTS
    static const GUID kPortsClass = {
        0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
    const HDEVINFO devices = SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) return QString();
    QString path;
    SP_DEVINFO_DATA device;
    device.cbSize = sizeof device;
    for (DWORD index = 0; path.isEmpty() && SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
        if (portNameOf(devices, device) != com) continue;
        wchar_t id[MAX_DEVICE_ID_LEN + 1] = {};
        if (SetupDiGetDeviceInstanceIdW(devices, &device, id, MAX_DEVICE_ID_LEN, nullptr))
            path = QString::fromWCharArray(id);
    }
    SetupDiDestroyDeviceInfoList(devices);
    return path;
}

}  // namespace

QString stablePortName(const QString& port) {
    const QString com = comName(port);
    const QString path = instancePathOf(com);
    return path.isEmpty() ? com : com + QLatin1Char(' ') + path;
}

QString defaultWatchFolder() { return QString(); }

}  // namespace korvel::store
