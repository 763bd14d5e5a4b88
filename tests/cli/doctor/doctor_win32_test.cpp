// korvel-cli doctor's Windows check of the FTDI driver's latency timer, on a
// registry tree of the test's own laid out as the driver keeps its adapters.
#include <windows.h>

#include <gtest/gtest.h>

#include "cli/doctor_win32.h"

namespace korvel::cli {
namespace {

const char kTree[] = "Software\\KorvelDoctorTest\\FTDIBUS";

void adapter(const char* device, const char* port, DWORD latency) {
    const std::string path = std::string(kTree) + "\\" + device + "\\0000\\Device Parameters";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_READ | KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "PortName", 0, REG_SZ, reinterpret_cast<const BYTE*>(port), DWORD(strlen(port) + 1));
    RegSetValueExA(key, "LatencyTimer", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&latency), sizeof latency);
    RegCloseKey(key);
}

TEST(DoctorWin32, FtdiLatencyTimerFromTheRegistry) {
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KorvelDoctorTest");
    adapter("VID_0403+PID_6001+A10K3T9A", "COM5", 16);
    adapter("VID_0403+PID_6015+DN04ABCDA", "COM7", 1);
    auto results = ftdiLatencyChecks(HKEY_CURRENT_USER, kTree, {});
    ASSERT_EQ(results.size(), 2u);
    const CheckResult& slow = results[0].subject == "COM5" ? results[0] : results[1];
    const CheckResult& fast = results[0].subject == "COM5" ? results[1] : results[0];
    EXPECT_EQ(slow.finding, Finding::LatencyHighRegistry);
    EXPECT_EQ(slow.level, Level::Warning);
    EXPECT_EQ(slow.value, 16);
    EXPECT_EQ(slow.detail, QString(kTree) + "\\VID_0403+PID_6001+A10K3T9A\\0000\\Device Parameters");
    EXPECT_EQ(fast.finding, Finding::LatencyLow);
    EXPECT_EQ(fast.level, Level::Ok);
    // A port named: only its adapter.
    results = ftdiLatencyChecks(HKEY_CURRENT_USER, kTree, {"com7"});
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].subject, "COM7");
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KorvelDoctorTest");
}

}  // namespace
}  // namespace korvel::cli
