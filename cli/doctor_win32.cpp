#include "cli/doctor_win32.h"

#include "device_link/port_list.h"

namespace korvel::cli {

const char kFtdiEnumPath[] = "SYSTEM\\CurrentControlSet\\Enum\\FTDIBUS";

namespace {

QStringList subkeys(HKEY key) {
    QStringList names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD size = 256;
        const LONG rc = RegEnumKeyExW(key, index, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc == ERROR_SUCCESS) names << QString::fromWCharArray(name, int(size));
    }
    return names;
}

HKEY openKey(HKEY root, const QString& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, reinterpret_cast<const wchar_t*>(path.utf16()), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

// One adapter instance's parameters: its port and latency timer.
bool readParameters(HKEY root, const QString& path, QString& port, DWORD& latency) {
    HKEY key = openKey(root, path);
    if (!key) return false;
    wchar_t name[64] = {};
    DWORD size = sizeof name - sizeof(wchar_t), type = 0;
    const bool named = RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size) ==
                           ERROR_SUCCESS && type == REG_SZ;
    DWORD value = 0;
    size = sizeof value;
    const bool timed = RegQueryValueExW(key, L"LatencyTimer", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
                           ERROR_SUCCESS && type == REG_DWORD;
    RegCloseKey(key);
    port = QString::fromWCharArray(name);
    latency = value;
    return named && timed;
}

}  // namespace

std::vector<CheckResult> ftdiLatencyChecks(HKEY root, const QString& enumPath, const QStringList& ports) {
    std::vector<CheckResult> out;
    HKEY bus = openKey(root, enumPath);
    if (!bus) return out;
    for (const QString& device : subkeys(bus)) {
        HKEY deviceKey = openKey(bus, device);
        if (!deviceKey) continue;
        for (const QString& instance : subkeys(deviceKey)) {
            const QString path = enumPath + u'\\' + device + u'\\' + instance + QStringLiteral("\\Device Parameters");
            QString port;
            DWORD latency = 0;
            if (!readParameters(root, path, port, latency)) continue;
            if (!ports.isEmpty() && !ports.contains(port, Qt::CaseInsensitive)) continue;
            CheckResult r = result(Check::Adapter, latency <= 1 ? Level::Ok : Level::Warning,
                                   latency <= 1 ? Finding::LatencyLow : Finding::LatencyHighRegistry, port);
            r.value = latency;
            if (latency > 1) r.detail = path;
            out.push_back(r);
        }
        RegCloseKey(deviceKey);
    }
    RegCloseKey(bus);
    return out;
}

std::vector<CheckResult> systemPortChecks(const QStringList& ports, bool) {
    const QStringList present = systemPortNames();
    const QStringList list = ports.isEmpty() ? sortedPortList(present) : ports;
    std::vector<CheckResult> out;
    if (list.isEmpty()) out.push_back(result(Check::PortAccess, Level::Warning, Finding::NoPorts));
    for (const QString& port : list) {
        const bool listed = present.contains(port, Qt::CaseInsensitive);
        out.push_back(result(Check::PortAccess, listed ? Level::Ok : Level::Problem,
                             listed ? Finding::PortPresent : Finding::PortAbsent, port));
    }
    for (const CheckResult& r : ftdiLatencyChecks(HKEY_LOCAL_MACHINE, QString::fromLatin1(kFtdiEnumPath), ports))
        out.push_back(r);
    return out;
}

}  // namespace korvel::cli
