// A fake Linux system tree in a temporary folder (sys, dev, proc, run, etc,
// usr under one root) for code that reads the system from a root it is given.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace korvel::test {

class FakeSystem {
public:
    FakeSystem() : sys(root.filePath("sys")), dev(root.filePath("dev")) { QDir().mkpath(dev + "/serial/by-id"); }
    void file(const QString& path, const QByteArray& text) {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text + "\n");
    }
    void link(const QString& target, const QString& path) {
        QDir().mkpath(QFileInfo(path).path());
        ASSERT_TRUE(QFile::link(target, path));
    }
    // A tty whose device lies at `devicePath` (under sys/devices) with the
    // given driver; its node in /dev.
    void tty(const QString& name, const QString& devicePath, const QString& driver) {
        QDir().mkpath(sys + "/devices/" + devicePath);
        link(sys + "/devices/" + devicePath, sys + "/class/tty/" + name + "/device");
        link(sys + "/bus/drivers/" + driver, sys + "/devices/" + devicePath + "/driver");
        file(dev + "/" + name, "");
    }
    // A USB device under sys/devices with its vendor and product ids.
    void usbDevice(const QString& devicePath, const QByteArray& vendor, const QByteArray& product) {
        file(sys + "/devices/" + devicePath + "/idVendor", vendor);
        file(sys + "/devices/" + devicePath + "/idProduct", product);
    }
    QString path(const QString& relative) const { return root.filePath(relative); }
    QTemporaryDir root;
    QString sys, dev;
};

}  // namespace korvel::test
