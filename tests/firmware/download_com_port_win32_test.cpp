// The production download sequence through the Windows serial calls, under
// Wine, against the device simulator behind a mapped COM port
// (KORVEL_TEST_COM_FIRMWARE; the simulator stores what it receives in
// KORVEL_TEST_IMAGE_DIR).  Skipped when no such port is given.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "file_bytes.h"
#include "firmware/firmware_download.h"
#include "recording_host.h"

namespace korvel {
namespace {

TEST(ComPortDownload, ImageArrivesIntactThroughTheWindowsPort) {
    const QString port = qEnvironmentVariable("KORVEL_TEST_COM_FIRMWARE");
    const QString images = qEnvironmentVariable("KORVEL_TEST_IMAGE_DIR");
    if (port.isEmpty() || images.isEmpty()) GTEST_SKIP() << "no COM port with a device simulator behind it";

    QTemporaryDir dir;
    QByteArray image(64 * 1024 + 100, 0);  // a last block that needs filling
    QRandomGenerator gen(7);
    for (char& c : image) c = static_cast<char>(gen.generate() & 0xFF);
    const QString path = dir.filePath(QStringLiteral("image.dwl"));
    test::writeFileBytes(path, image);

    test::RecordingHost host;
    host.port = port;
    std::unique_ptr<SerialPortFactory> ports = makeSystemSerialPortFactory();
    SystemClock clock;
    OperationContext ctx{host, *ports, clock};
    downloadProductionImage(ctx, path);

    EXPECT_EQ(host.boxes(), QList<Box>{});
    EXPECT_EQ(host.statuses().last(), status::CommunicatorWorking);
    const QStringList stored = QDir(images).entryList({QStringLiteral("image-*.dwl")}, QDir::Files,
                                                      QDir::Time);
    ASSERT_FALSE(stored.isEmpty());
    QFile received(QDir(images).filePath(stored.first()));
    ASSERT_TRUE(received.open(QIODevice::ReadOnly));
    const QByteArray bytes = received.readAll();
    ASSERT_GE(bytes.size(), image.size());
    EXPECT_EQ(bytes.left(image.size()), image);
    EXPECT_EQ(bytes.size() % 128, 0);
}

}  // namespace
}  // namespace korvel
