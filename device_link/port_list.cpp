#include "port_list.h"

#include <algorithm>

#ifdef _WIN32
#include <windows.h>
#else
#include <QDir>
#include <QFile>
#include <QFileInfo>
#endif

namespace korvel {

#ifdef _WIN32

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

#else

// A tty is a serial port when the kernel ties it to a device.  The legacy
// 8250 driver registers its standard ports whether or not the hardware is
// there; those report the port type 0 (unknown) and are left out.
QStringList systemPortNames() {
    QStringList names;
    const QDir ttys(QStringLiteral("/sys/class/tty"));
    const QStringList entries = ttys.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    for (const QString& entry : entries) {
        const QString base = ttys.filePath(entry);
        if (!QFileInfo::exists(base + QStringLiteral("/device"))) continue;
        const QString driver =
            QFileInfo(base + QStringLiteral("/device/driver")).symLinkTarget();
        if (driver.endsWith(QStringLiteral("/serial8250"))) {
            QFile type(base + QStringLiteral("/type"));
            if (!type.open(QIODevice::ReadOnly) || type.readAll().trimmed() == "0") continue;
        }
        if (!QFileInfo::exists(QStringLiteral("/dev/") + entry)) continue;
        names << entry;
    }
    return names;
}

#endif

QStringList sortedPortList(QStringList names) {
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    return names;
}

}  // namespace korvel
