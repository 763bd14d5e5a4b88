// Our XMODEM sender against a receiver no one here wrote: lrzsz's `rx` in
// checksum mode, behind socat on a pseudo-terminal (rx drops its input after
// every ACK, so it must not read the pty directly).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include "device_link/serial/serial_port.h"
#include "firmware/xmodem.h"

namespace korvel {
namespace {

TEST(LrzszReceiver, ReceivesTheImageIntact) {
    if (QStandardPaths::findExecutable(QStringLiteral("rx")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty())
        GTEST_SKIP() << "lrzsz and socat are not installed";
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("pty"));
    QProcess socat;
    socat.start(QStringLiteral("socat"),
                {QStringLiteral("pty,raw,echo=0,link=") + link,
                 QStringLiteral("SYSTEM:cd %1 && exec rx -q -X out.bin").arg(dir.path())});
    ASSERT_TRUE(socat.waitForStarted());
    for (int i = 0; i < 100 && !QFileInfo::exists(link); ++i) QThread::msleep(20);
    ASSERT_TRUE(QFileInfo::exists(link));

    QByteArray image(64 * 1024 + 5, 0);
    QRandomGenerator gen(42);
    for (char& c : image) c = static_cast<char>(gen.generate() & 0xFF);

    auto port = makeSystemSerialPortFactory()->create();
    ASSERT_TRUE(port->open(QFileInfo(link).canonicalFilePath().toStdString()));
    LineSettings settings;
    ASSERT_TRUE(port->readSettings(settings));
    applyCommunicatorLineSettings(settings);
    port->applySettings(settings);
    // rx answers a bad block or EOT only after a second: every wait is longer.
    port->setTimeouts(Timeouts{500, 0, 3000, 0, 1000});

    xmodem::SenderHooks hooks;
    hooks.readFirstByte = [&] {
        for (int i = 0; i < 10; ++i)
            if (const int b = xmodem::readByte(*port); b >= 0) return b;
        return -1;
    };
    const xmodem::Result result = xmodem::send(*port, image, hooks);
    EXPECT_EQ(result.outcome, xmodem::Outcome::Complete);
    port->close();
    socat.waitForFinished(10000);

    QFile out(dir.filePath(QStringLiteral("out.bin")));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    QByteArray expected = image;
    while (expected.size() % 128) expected.append(char(0x1A));  // rx keeps the fill bytes
    EXPECT_EQ(out.readAll(), expected);
}

}  // namespace
}  // namespace korvel
