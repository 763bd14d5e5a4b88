// korvel-cli doctor's checks of the station store and the firmware folder,
// its exit code, and that every warning and problem comes with its mend.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "cli/doctor.h"
#include "cli/doctor_texts.h"
#include "station/station_store.h"

namespace korvel::cli {
namespace {

std::vector<Finding> findings(const std::vector<CheckResult>& results) {
    std::vector<Finding> out;
    for (const CheckResult& r : results) out.push_back(r.finding);
    return out;
}

TEST(Doctor, StoreReachableNumbersLeftAndUnknown) {
    QTemporaryDir dir;
    const QString file = dir.filePath("station.sqlite");
    // Not there yet: told, and not made by looking.
    auto results = checkStore(file);
    EXPECT_EQ(findings(results), std::vector<Finding>{Finding::StoreAbsent});
    EXPECT_EQ(results[0].level, Level::Warning);
    EXPECT_FALSE(QFileInfo::exists(file));

    korvel::store::StoreError error;
    auto store = store::openStationStore(file, error);
    ASSERT_TRUE(store) << korvel::store::storeErrorSummary(error).toStdString();
    results = checkStore(file);
    EXPECT_EQ(findings(results), (std::vector<Finding>{Finding::StoreReachable, Finding::NoFreeNumbers}));
    EXPECT_EQ(doctorExitCode(results), 1);

    ASSERT_TRUE(store->addSerialRange(100, 104));
    const auto taken = store->reserveNextSerial("line1", "ttyUSB0");
    ASSERT_TRUE(taken);
    ASSERT_TRUE(store->markSerial(*taken, store::SerialState::Unknown));
    results = checkStore(file);
    ASSERT_EQ(findings(results),
              (std::vector<Finding>{Finding::StoreReachable, Finding::NumbersLeft, Finding::UnknownNumbers}));
    EXPECT_EQ(results[1].value, 4);
    EXPECT_EQ(results[2].value, 1);
    EXPECT_EQ(results[2].level, Level::Warning);
    EXPECT_EQ(doctorExitCode(results), 0);

    // A folder where the file should be cannot be opened as a store.
    QDir().mkpath(dir.filePath("folder.sqlite"));
    EXPECT_EQ(findings(checkStore(dir.filePath("folder.sqlite"))), std::vector<Finding>{Finding::StoreUnreachable});
}

TEST(Doctor, FirmwareFolderFilesWithSizeAndSha256) {
    QTemporaryDir dir;
    EXPECT_EQ(findings(checkFirmwareFolder(dir.filePath("absent"))), std::vector<Finding>{Finding::FolderAbsent});
    auto put = [&](const char* name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    put("dwl.dwl", "abc");
    put("firmware_Q2687RD.dwl", "");
    auto results = checkFirmwareFolder(dir.path());
    ASSERT_EQ(findings(results),
              (std::vector<Finding>{Finding::ImagePresent, Finding::ImageEmpty, Finding::ImageMissing}));
    EXPECT_EQ(results[0].subject, "dwl.dwl");
    EXPECT_EQ(results[0].value, 3);
    EXPECT_EQ(results[0].sha256, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(results[2].subject, "KORVEL.dwl");
    EXPECT_EQ(doctorExitCode(results), 1);

    put("firmware_Q2687RD.dwl", "x");
    put("firmware_Q2686.dwl", "y");
    put("KORVEL.dwl", "z");
    results = checkFirmwareFolder(dir.path());
    ASSERT_EQ(results.size(), 4u);
    EXPECT_EQ(results[1].subject, "firmware_Q2686.dwl");
    EXPECT_EQ(doctorExitCode(results), 0);
}

// The text layer's own test: each finding has a line and a JSON key, and
// each warning or problem the step that mends it.
TEST(DoctorTexts, EveryWarningAndProblemSaysHowToMendIt) {
    for (int f = 0; f <= int(Finding::ImageUnreadable); ++f) {
        CheckResult r;
        r.finding = Finding(f);
        r.subject = QStringLiteral("ttyUSB0");
        r.holders = {{4242, "minicom"}};
        for (int c = 0; c <= int(Check::FirmwareFolder); ++c) {
            r.check = Check(c);
            if (!findingText(r).isEmpty()) break;
        }
        SCOPED_TRACE(findingKey(r.finding));
        EXPECT_FALSE(findingText(r).isEmpty());
        EXPECT_STRNE(findingKey(r.finding), "");
        for (Level level : {Level::Warning, Level::Problem}) {
            r.level = level;
            const bool okOnly = r.finding == Finding::PortAccessible || r.finding == Finding::PortPresent ||
                                r.finding == Finding::NotHeld || r.finding == Finding::StoreReachable ||
                                r.finding == Finding::NumbersLeft || r.finding == Finding::ImagePresent ||
                                r.finding == Finding::AtAnswered || r.finding == Finding::LatencyLow ||
                                r.finding == Finding::LatencyLowWhileHeld || r.finding == Finding::NoLatencyTimer ||
                                r.finding == Finding::NotUsbAdapter || r.finding == Finding::BrlttyAbsent ||
                                r.finding == Finding::BrlttyWithoutCh34xRule ||
                                r.finding == Finding::ModemManagerNotRunning ||
                                r.finding == Finding::ModemManagerRunning ||
                                r.finding == Finding::ModemManagerIgnoresAdapter;
            if (!okOnly) {
                EXPECT_FALSE(mendText(r).isEmpty());
            }
        }
        r.level = Level::Ok;
        EXPECT_TRUE(mendText(r).isEmpty());
    }
    CheckResult group;
    group.check = Check::PortAccess;
    group.level = Level::Problem;
    group.finding = Finding::NotInGroup;
    group.detail = "dialout";
    group.user = "ivan";
    EXPECT_TRUE(mendText(group).startsWith("sudo usermod -aG dialout ivan")) << mendText(group).toStdString();
}

}  // namespace
}  // namespace korvel::cli
