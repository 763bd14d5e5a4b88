// The serial devices Linux really has, and what each of them is.
#include "device_link/port_list_posix.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "device_link/port_list.h"

namespace korvel {

namespace {

QString firstLine(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(file.readLine(256)).trimmed();
}

// The USB device a tty belongs to: the nearest directory above the tty's
// device that carries a vendor id (an adapter's port, its interface, then
// the device itself).
QString usbDeviceOf(const QString& ttyDevice) {
    QString dir = QFileInfo(ttyDevice).canonicalFilePath();
    for (int level = 0; level < 4 && !dir.isEmpty(); ++level) {
        if (QFileInfo::exists(dir + QStringLiteral("/idVendor"))) return dir;
        const QString up = QFileInfo(dir).path();
        if (up == dir) break;
        dir = up;
    }
    return QString();
}

}  // namespace

// A tty is a serial port when the kernel ties it to a device.  The legacy
// 8250 driver registers its standard ports whether or not the hardware is
// there; those report the port type 0 (unknown) and are left out.
QStringList serialPortNames(const QString& sysRoot, const QString& devRoot) {
    QStringList names;
    const QDir ttys(sysRoot + QStringLiteral("/class/tty"));
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
        if (!QFileInfo::exists(devRoot + QLatin1Char('/') + entry)) continue;
        names << entry;
    }
    return names;
}

QString usbDeviceOfTty(const QString& sysRoot, const QString& name) {
    return usbDeviceOf(sysRoot + QStringLiteral("/class/tty/") + name + QStringLiteral("/device"));
}

QHash<QString, QString> serialPortDescriptions(const QString& sysRoot, const QString& devRoot) {
    // The stable names udev gives each port, by the port they lead to.
    QHash<QString, QString> stableName;
    const QDir byId(devRoot + QStringLiteral("/serial/by-id"));
    for (const QFileInfo& link : byId.entryInfoList(QDir::Files | QDir::System)) {
        if (!link.isSymLink()) continue;
        stableName.insert(QFileInfo(link.symLinkTarget()).fileName(), link.fileName());
    }

    QHash<QString, QString> descriptions;
    for (const QString& name : serialPortNames(sysRoot, devRoot)) {
        const QString device = sysRoot + QStringLiteral("/class/tty/") + name + QStringLiteral("/device");
        QStringList parts;
        const QString usb = usbDeviceOf(device);
        if (!usb.isEmpty()) {
            const QString maker = firstLine(usb + QStringLiteral("/manufacturer"));
            const QString product = firstLine(usb + QStringLiteral("/product"));
            QString adapter = product.startsWith(maker) ? product : (maker + QLatin1Char(' ') + product);
            adapter = adapter.trimmed();
            if (adapter.isEmpty())
                adapter = QStringLiteral("USB %1:%2").arg(firstLine(usb + QStringLiteral("/idVendor")),
                                                          firstLine(usb + QStringLiteral("/idProduct")));
            parts << adapter;
            const QString serial = firstLine(usb + QStringLiteral("/serial"));
            if (!serial.isEmpty()) parts << QStringLiteral("s/n ") + serial;
        }
        const QString driver = QFileInfo(QFileInfo(device + QStringLiteral("/driver")).symLinkTarget()).fileName();
        if (!driver.isEmpty()) parts << driver;
        if (stableName.contains(name)) parts << stableName.value(name);
        if (!parts.isEmpty()) descriptions.insert(name, parts.join(QStringLiteral(" · ")));
    }
    return descriptions;
}

QStringList systemPortNames() { return serialPortNames(QStringLiteral("/sys"), QStringLiteral("/dev")); }

QHash<QString, QString> systemPortDescriptions() {
    return serialPortDescriptions(QStringLiteral("/sys"), QStringLiteral("/dev"));
}

}  // namespace korvel
