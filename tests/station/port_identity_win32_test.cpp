// A port's fixture slot on Windows: the COM name, and the instance path of
// the device the device manager gave that name.  The test registers a port
// device of its own and removes it again.
#include <windows.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include "station/port_identity.h"

namespace korvel::store {
namespace {

const GUID kPortsClass = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

// A device of the "Ports" class named COM<number>, as a plugged adapter's.
class RegisteredPort {
public:
    RegisteredPort(const wchar_t* instance, const wchar_t* com) {
        set_ = SetupDiCreateDeviceInfoList(&kPortsClass, nullptr);
        device_.cbSize = sizeof device_;
        ok_ = set_ != INVALID_HANDLE_VALUE &&
              SetupDiCreateDeviceInfoW(set_, instance, &kPortsClass, nullptr, nullptr, 0, &device_) &&
              SetupDiRegisterDeviceInfo(set_, &device_, 0, nullptr, nullptr, nullptr);
        if (!ok_) return;
        const HKEY key = SetupDiCreateDevRegKeyW(set_, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DEV, nullptr, nullptr);
        ok_ = key != INVALID_HANDLE_VALUE &&
              RegSetValueExW(key, L"PortName", 0, REG_SZ, reinterpret_cast<const BYTE*>(com),
                             DWORD((wcslen(com) + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
        if (key != INVALID_HANDLE_VALUE) RegCloseKey(key);
    }
    ~RegisteredPort() {
        if (set_ == INVALID_HANDLE_VALUE) return;
        SetupDiRemoveDevice(set_, &device_);
        SetupDiDestroyDeviceInfoList(set_);
    }
    bool ok() const { return ok_; }

private:
    HDEVINFO set_;
    SP_DEVINFO_DATA device_{};
    bool ok_ = false;
};

TEST(PortIdentityWindows, ComNameAndTheAdapterInstancePathWhereThereIsOne) {
    // A port the device manager knows nothing of (Wine's mapped ports): its name.
    EXPECT_EQ(stablePortName("COM45"), "COM45");
    EXPECT_EQ(stablePortName("\\\\.\\com45"), "COM45");

    const RegisteredPort port(L"KORVELTEST\\VID_0403+PID_6001+A10K3T9A\\0000", L"COM46");
    ASSERT_TRUE(port.ok()) << GetLastError();
    EXPECT_EQ(stablePortName("COM46"), "COM46 KORVELTEST\\VID_0403+PID_6001+A10K3T9A\\0000");
    EXPECT_EQ(stablePortName("\\\\.\\COM46"), "COM46 KORVELTEST\\VID_0403+PID_6001+A10K3T9A\\0000");
    // Another port's device is not this one's.
    EXPECT_EQ(stablePortName("COM4"), "COM4");
}

}  // namespace
}  // namespace korvel::store
