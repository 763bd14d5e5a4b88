// korvel-cli doctor's Linux checks on fake sysfs, /dev, /proc, udev and /etc
// trees: what each check finds, as typed results.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "cli/doctor_posix.h"
#include "fake_system.h"

namespace korvel::cli {
namespace {

using test::FakeSystem;

const QString kFtdi = "pci0000:00/usb1/1-1";

PosixSystem system(const FakeSystem& s, unsigned uid = 4321, std::vector<unsigned> groups = {}) {
    PosixSystem p;
    p.root = s.root.path();
    p.user = {uid, QStringLiteral("ivan"), std::move(groups)};
    return p;
}

const CheckResult* find(const std::vector<CheckResult>& results, Check check, const QString& subject = QString()) {
    for (const CheckResult& r : results)
        if (r.check == check && (subject.isEmpty() || r.subject == subject)) return &r;
    return nullptr;
}

// An FTDI adapter on ttyUSB0 with the given latency timer.
void ftdiPort(FakeSystem& s, const QByteArray& latency) {
    s.usbDevice(kFtdi, "0403", "6001");
    s.tty("ttyUSB0", kFtdi + "/1-1:1.0/ttyUSB0", "ftdi_sio");
    s.file(s.sys + "/devices/" + kFtdi + "/1-1:1.0/ttyUSB0/latency_timer", latency);
    s.file(s.sys + "/class/tty/ttyUSB0/dev", "188:0");
}

TEST(DoctorPosix, PortAccessFollowsTheNodeAndTheUsersGroups) {
    const unsigned gid = getegid();
    struct Row {
        const char* what;
        mode_t mode;
        unsigned uid;
        std::vector<unsigned> session;
        QByteArray members;  // of the node's group in /etc/group
        Level level;
        Finding finding;
    } rows[] = {
        {"group may, user in it", 0660, 4321, {gid}, "", Level::Ok, Finding::PortAccessible},
        {"group may, user outside", 0660, 4321, {}, "", Level::Problem, Finding::NotInGroup},
        {"added, session older", 0660, 4321, {}, "petr,ivan", Level::Problem, Finding::GroupNotYetActive},
        {"only the owner may", 0600, 4321, {gid}, "", Level::Problem, Finding::NoPermission},
        {"root", 0600, 0, {}, "", Level::Ok, Finding::PortAccessible},
    };
    for (const Row& row : rows) {
        FakeSystem s;
        s.file(s.path("etc/group"), "root:x:0:\ndialout:x:" + QByteArray::number(gid) + ":" + row.members);
        s.file(s.dev + "/ttyS4", "");
        ASSERT_EQ(chmod(QFile::encodeName(s.dev + "/ttyS4").constData(), row.mode), 0);
        const auto results = posixPortChecks({"ttyS4"}, true, system(s, row.uid, row.session));
        const CheckResult* access = find(results, Check::PortAccess);
        ASSERT_TRUE(access) << row.what;
        EXPECT_EQ(access->level, row.level) << row.what;
        EXPECT_EQ(access->finding, row.finding) << row.what;
        if (row.finding == Finding::NotInGroup) {
            EXPECT_EQ(access->detail, "dialout");
        }
    }
    FakeSystem none;
    const auto absent = posixPortChecks({"ttyUSB7"}, true, system(none));
    EXPECT_EQ(find(absent, Check::PortAccess)->finding, Finding::PortAbsent);
    EXPECT_FALSE(find(absent, Check::PortHolders));
    // No port named and none present.
    EXPECT_EQ(find(posixPortChecks({}, false, system(none)), Check::PortAccess)->finding, Finding::NoPorts);
}

// The holders are the processes in /proc with a descriptor on the port's
// device; ModemManager among them says how to keep it off the adapter.
TEST(DoctorPosix, HoldersAndModemManager) {
    FakeSystem s;
    ftdiPort(s, "1");
    QFile::remove(s.dev + "/ttyUSB0");
    s.link("/dev/null", s.dev + "/ttyUSB0");  // a character device both sides can reach
    s.file(s.path("proc/812/comm"), "ModemManager");
    s.link("/dev/null", s.path("proc/812/fd/7"));
    s.file(s.path("proc/900/comm"), "bash");
    s.link("/dev/zero", s.path("proc/900/fd/0"));
    auto results = posixPortChecks({"ttyUSB0"}, true, system(s));
    const CheckResult* held = find(results, Check::PortHolders);
    ASSERT_TRUE(held);
    EXPECT_EQ(held->finding, Finding::HeldByModemManager);
    ASSERT_EQ(held->holders.size(), 1u);
    EXPECT_EQ(held->holders[0].pid, 812);
    EXPECT_EQ(find(results, Check::ModemManager)->finding, Finding::ModemManagerMayProbe);

    // Told by udev to keep off this adapter.
    s.file(s.path("run/udev/data/c188:0"), "I:1234\nE:ID_MM_DEVICE_IGNORE=1\nE:ID_VENDOR_ID=0403");
    results = posixPortChecks({"ttyUSB0"}, true, system(s));
    EXPECT_EQ(find(results, Check::ModemManager)->finding, Finding::ModemManagerIgnoresAdapter);

    // Another program holding it; ModemManager gone.
    s.file(s.path("proc/812/comm"), "minicom");
    results = posixPortChecks({"ttyUSB0"}, true, system(s));
    EXPECT_EQ(find(results, Check::PortHolders)->finding, Finding::HeldByOther);
    EXPECT_EQ(find(results, Check::PortHolders)->level, Level::Problem);
    EXPECT_EQ(find(results, Check::ModemManager)->finding, Finding::ModemManagerNotRunning);
}

TEST(DoctorPosix, AdapterDriverAndLatencyTimer) {
    struct Row {
        const char* what;
        QByteArray latency;
        bool named;
        std::optional<qint64> whileHeld;
        Level level;
        Finding finding;
    } rows[] = {
        {"timer at 1 ms", "1", false, std::nullopt, Level::Ok, Finding::LatencyLow},
        {"16 ms, port not opened", "16", false, 1, Level::Warning, Finding::LatencyHigh},
        {"16 ms, low latency granted", "16", true, 1, Level::Ok, Finding::LatencyLowWhileHeld},
        {"16 ms, low latency refused", "16", true, 16, Level::Warning, Finding::LatencyHigh},
        {"16 ms, port would not open", "16", true, std::nullopt, Level::Warning, Finding::LatencyHigh},
    };
    for (const Row& row : rows) {
        FakeSystem s;
        ftdiPort(s, row.latency);
        PosixSystem p = system(s, 0);
        bool probed = false;
        p.latencyWhileHeld = [&](const QString& device, const QString& file) {
            probed = true;
            EXPECT_EQ(device, s.dev + "/ttyUSB0");
            EXPECT_TRUE(file.endsWith("/ttyUSB0/device/latency_timer")) << file.toStdString();
            return row.whileHeld;
        };
        const auto results = posixPortChecks({"ttyUSB0"}, row.named, p);
        const CheckResult* adapter = find(results, Check::Adapter);
        ASSERT_TRUE(adapter) << row.what;
        EXPECT_EQ(adapter->finding, row.finding) << row.what;
        EXPECT_EQ(adapter->level, row.level) << row.what;
        EXPECT_EQ(adapter->value, row.latency.toInt()) << row.what;
        EXPECT_EQ(probed, row.named && row.latency != "1") << row.what;
    }
    // Other drivers have no timer; a built-in port is no USB adapter.
    FakeSystem s;
    s.usbDevice("pci0000:00/usb1/1-2", "10c4", "ea60");
    s.tty("ttyUSB1", "pci0000:00/usb1/1-2/1-2:1.0/ttyUSB1", "cp210x");
    s.tty("ttyS0", "platform/serial8250/tty/ttyS0", "serial8250");
    s.file(s.sys + "/class/tty/ttyS0/type", "4");
    const auto results = posixPortChecks({}, false, system(s, 0));
    EXPECT_EQ(find(results, Check::Adapter, "ttyUSB1")->finding, Finding::NoLatencyTimer);
    EXPECT_EQ(find(results, Check::Adapter, "ttyUSB1")->detail, "cp210x");
    EXPECT_EQ(find(results, Check::Adapter, "ttyS0")->finding, Finding::NotUsbAdapter);
}

// brltty's udev rule takes CH340/CH341 adapters (1a86:7523) for Braille
// displays: a problem when one is plugged in, a warning before.
TEST(DoctorPosix, BrlttyAndCh34xAdapters) {
    FakeSystem s;
    const PosixSystem p = system(s);
    EXPECT_EQ(brlttyCheck(p).finding, Finding::BrlttyAbsent);
    s.file(s.path("usr/bin/brltty"), "");
    s.file(s.path("usr/lib/udev/rules.d/85-brltty.rules"),
           "# 1a86 7523 in a comment\nENV{PRODUCT}==\"10c4/ea60/*\", GOTO=\"brltty_usb_run\"");
    EXPECT_EQ(brlttyCheck(p).finding, Finding::BrlttyWithoutCh34xRule);
    s.file(s.path("usr/lib/udev/rules.d/85-brltty.rules"),
           "ENV{PRODUCT}==\"1a86/7523/*\", ENV{BRLTTY_BRAILLE_DRIVER}=\"bm\", GOTO=\"brltty_usb_run\"");
    EXPECT_EQ(brlttyCheck(p).level, Level::Warning);
    EXPECT_EQ(brlttyCheck(p).finding, Finding::BrlttyRuleForCh34x);
    EXPECT_EQ(brlttyCheck(p).detail, "/usr/lib/udev/rules.d/85-brltty.rules");
    // The adapter is on the bus; brltty took it, so it has no tty.
    s.usbDevice("pci0000:00/usb1/1-3", "1a86", "7523");
    s.link(s.sys + "/devices/pci0000:00/usb1/1-3", s.sys + "/bus/usb/devices/1-3");
    EXPECT_EQ(brlttyCheck(p).level, Level::Problem);
    EXPECT_EQ(brlttyCheck(p).finding, Finding::BrlttyClaimsCh34x);
    EXPECT_EQ(brlttyCheck(p).subject, "1-3");
    // A rule of the same name in /etc stands in for the packaged one.
    s.file(s.path("etc/udev/rules.d/85-brltty.rules"), "# switched off");
    EXPECT_EQ(brlttyCheck(p).finding, Finding::BrlttyWithoutCh34xRule);
}

}  // namespace
}  // namespace korvel::cli
