// The port list on Windows: the values of the registry's serial-port map.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "device_link/port_list.h"

namespace korvel {
namespace {

TEST(RegistryPortList, ListsEveryPortTheSerialMapHolds) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_READ | KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const char name[] = "COM47";
    ASSERT_EQ(RegSetValueExA(key, "\\Device\\KorvelTestPort47", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(name), sizeof name),
              ERROR_SUCCESS);
    // A value that is not text names no port.
    const DWORD number = 48;
    RegSetValueExA(key, "\\Device\\KorvelTestNumber", 0, REG_DWORD,
                   reinterpret_cast<const BYTE*>(&number), sizeof number);

    const QStringList ports = systemPortNames();
    RegDeleteValueA(key, "\\Device\\KorvelTestPort47");
    RegDeleteValueA(key, "\\Device\\KorvelTestNumber");
    RegCloseKey(key);

    EXPECT_TRUE(ports.contains(QStringLiteral("COM47"))) << ports.join(' ').toStdString();
    for (const QString& port : ports) EXPECT_FALSE(port.isEmpty());
    // The port mapped to the device simulator is listed as well.
    const QString mapped = qEnvironmentVariable("KORVEL_TEST_COM_CONFIG");
    if (!mapped.isEmpty()) {
        EXPECT_TRUE(ports.contains(mapped)) << ports.join(' ').toStdString();
    }
}

// The device manager's friendly names: each one belongs to a port of the
// list and carries text.  Wine keeps no device records for the ports it
// maps, so there the list of descriptions is empty; the call must still
// answer, and quickly, since it runs at every drop-down.
TEST(RegistryPortList, FriendlyNamesBelongToListedPorts) {
    const QStringList ports = systemPortNames();
    const QHash<QString, QString> names = systemPortDescriptions();
    std::printf("friendly names from the device manager: %d\n", int(names.size()));
    for (auto it = names.cbegin(); it != names.cend(); ++it) {
        std::printf("  %s: %s\n", it.key().toUtf8().constData(), it.value().toUtf8().constData());
        EXPECT_FALSE(it.value().isEmpty());
        EXPECT_TRUE(ports.contains(it.key())) << it.key().toStdString();
    }
}

}  // namespace
}  // namespace korvel
