// The production download sequence over a pseudo-terminal against the device
// simulator: a 1 MiB image arrives intact.
#include <gtest/gtest.h>

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "file_bytes.h"
#include "firmware/firmware_download.h"
#include "recording_host.h"
#include "simulator_process.h"

namespace korvel {
namespace {

struct PtyDownload : ::testing::Test {
    test::RecordingHost host;
    std::unique_ptr<SerialPortFactory> ports = makeSystemSerialPortFactory();
    SystemClock clock;
    OperationContext ctx{host, *ports, clock};
    QTemporaryDir dir;

    QString writeImage(const QByteArray& bytes) {
        const QString path = dir.filePath(QStringLiteral("image.dwl"));
        test::writeFileBytes(path, bytes);
        return path;
    }
    static QByteArray randomImage(int size) {
        QByteArray image(size, 0);
        QRandomGenerator gen(99);
        for (char& c : image) c = static_cast<char>(gen.generate() & 0xFF);
        return image;
    }
};

TEST_F(PtyDownload, ProductionSequenceDeliversOneMebibyte) {
    QTemporaryDir images;
    test::SimulatorProcess sim({"--restart-ms", "100", "--image-dir", images.path()});
    ASSERT_TRUE(sim.ready());
    host.port = sim.port();
    const QByteArray image = randomImage(1024 * 1024);
    downloadProductionImage(ctx, writeImage(image));
    QFile stored(images.filePath(QStringLiteral("image-1.dwl")));
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    EXPECT_EQ(stored.readAll(), image);  // a whole number of blocks: no fill
    EXPECT_TRUE(host.statuses().contains(status::CommunicatorInDownloadMode));
    EXPECT_EQ(host.statuses().last(), status::CommunicatorWorking);
    EXPECT_TRUE(host.boxes().isEmpty());
}

}  // namespace
}  // namespace korvel
