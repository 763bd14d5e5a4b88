// The identification and version cuts, and the firmware folder search.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <atomic>
#include <set>
#include <thread>

#include "file_bytes.h"

#include "production/module_operations.h"
#include "recording_host.h"

namespace korvel {
namespace {

TEST(IdentificationCuts, TypicalReplyGivesVersionAndType) {
    const QString r = QStringLiteral("\r\nR7.43.0.201001.Q2687RD 2318092 100110 17:10\r\n\r\nOK\r\n");
    EXPECT_EQ(coreVersionFromIdentification(r), "R7.43.0");
    EXPECT_EQ(moduleTypeFromIdentification(r), "Q2687RD");
}

TEST(IdentificationCuts, EdgeReplies) {
    // No dot and no blank: both empty.
    EXPECT_EQ(coreVersionFromIdentification("\r\nERROR\r\n"), "");
    EXPECT_EQ(moduleTypeFromIdentification("\r\nERROR\r\n"), "");
    // Only three dots: version before the third, type the word after it.
    const QString three = QStringLiteral("\r\nR1.2.3.TYPE rest");
    EXPECT_EQ(coreVersionFromIdentification(three), "R1.2.3");
    EXPECT_EQ(moduleTypeFromIdentification(three), "TYPE");
    // Two dots: the version ends before the last one.
    EXPECT_EQ(coreVersionFromIdentification("\r\nR1.2.3"), "R1.2");
    // No "\r\nR": from the second character.
    EXPECT_EQ(coreVersionFromIdentification("XA.B.C.D"), "A.B.C");
    // No blank after the type: empty type.
    EXPECT_EQ(moduleTypeFromIdentification("\nR1.2.3.4.Q2687RD"), "");
}

TEST(VersionCut, TenCharactersTwoAfterTheColon) {
    EXPECT_EQ(applicationVersionFromReply("\r\n+ZQVER: 1.0.5\r\n"), "1.0.5\r\n");
    EXPECT_EQ(applicationVersionFromReply("+ZQVER: 0123456789ABCDEF"), "0123456789");
    EXPECT_EQ(applicationVersionFromReply("\r\nNOCOLONHERE123"), "\nNOCOLONHE");
}

TEST(SerialNumberCheck, OnlyEightDigits) {
    EXPECT_TRUE(isCompleteSerialNumber("00001234"));
    EXPECT_FALSE(isCompleteSerialNumber("0000123 "));
    EXPECT_FALSE(isCompleteSerialNumber("        "));
    EXPECT_FALSE(isCompleteSerialNumber(""));
    EXPECT_FALSE(isCompleteSerialNumber("1234567a"));
}

struct FakeProbe : FileProbe {
    std::set<QString> present;
    QStringList asked;
    bool canOpen(const QString& path) override {
        asked << path;
        return present.count(path) > 0;
    }
};

TEST(FirmwareFolderSearch, NamesAndSeparators) {
    const QString sep = QDir::separator();
    EXPECT_EQ(imageFileInFolder("", ImageKind::BootLoader, "X"), sep + "dwl.dwl");
    EXPECT_EQ(imageFileInFolder("fw" + sep, ImageKind::Application, ""), "fw" + sep + sep + "KORVEL.dwl");
    EXPECT_EQ(imageFileInFolder("fw", ImageKind::ModuleFirmware, ""), "fw" + sep + "firmware_.dwl");
    EXPECT_EQ(imageFileInFolder("fw", ImageKind::ModuleFirmware, "Q2687RD"),
              "fw" + sep + "firmware_Q2687RD.dwl");
}

TEST(FirmwareFolderSearch, OnlyBootLoaderPresentShowsTwoBoxes) {
    test::RecordingHost host;
    FakeProbe probe;
    const QString boot = imageFileInFolder("fw", ImageKind::BootLoader, "Q");
    probe.present.insert(boot);
    const auto found = searchFirmwareFolder(host, probe, "fw", "Q");
    EXPECT_EQ(found[0], boot);
    EXPECT_FALSE(found[1].has_value());
    EXPECT_FALSE(found[2].has_value());
    EXPECT_EQ(probe.asked.size(), 3);
    EXPECT_EQ(host.boxes(), QList<Box>(2, box::FolderFileMissing));
}

// The station checks the same folder from one thread per port: two checks of
// one file at the same moment must both find it, every time.
TEST(SystemFileProbe, TwoThreadsCheckingOneFileAtOnceBothFindIt) {
    QTemporaryDir dir;
    const QString path = dir.filePath("dwl.dwl");
    test::writeFileBytes(path, QByteArray(3000, 'b'));
    constexpr int kRounds = 1000;
    std::atomic<int> arrivals{0};
    std::atomic<int> missing[2] = {{0}, {0}};
    auto checker = [&](int who) {
        for (int round = 0; round < kRounds; ++round) {
            // Both threads start each round together.
            arrivals.fetch_add(1);
            while (arrivals.load() < 2 * (round + 1)) std::this_thread::yield();
            if (!systemFileProbe().canOpen(path)) missing[who].fetch_add(1);
        }
    };
    std::thread other(checker, 1);
    checker(0);
    other.join();
    EXPECT_EQ(missing[0].load() + missing[1].load(), 0);
    EXPECT_FALSE(systemFileProbe().canOpen(dir.filePath("KORVEL.dwl")));
}

}  // namespace
}  // namespace korvel
