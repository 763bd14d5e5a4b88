// The serial devices Linux really has.
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "port_list.h"

namespace korvel {

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

}  // namespace korvel
