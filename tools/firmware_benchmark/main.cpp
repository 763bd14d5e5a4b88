// Times the firmware transfer and a whole production preparation.
//
//   build/tools/korvel_firmware_benchmark
//
// 1. Our XMODEM sender and lrzsz's own `sx` each send the same 1 MiB file to
//    lrzsz's `rx` over a pseudo-terminal (rx behind socat): blocks per second
//    and the ratio ours / sx.
// 2. The same with the line held to 115200 baud (pv in front of rx): the share
//    of the line's XMODEM limit reached.
// 3. A blank device prepared against the simulator (identification, delete,
//    three 64 KiB images, start, serial number) beside the waits the dialogue
//    itself requires and the transfers' own time.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <utility>

#include "clock.h"
#include "module_operations.h"
#include "operation_context.h"
#include "quiet_host.h"
#include "serial_port.h"
#include "xmodem.h"

namespace {

using namespace korvel;

constexpr int kImageBytes = 1024 * 1024;
constexpr double kXmodemLineLimit = 11087.0;  // data bytes/s at 115200 8N1

QByteArray randomImage(int size) {
    QByteArray image(size, 0);
    QRandomGenerator gen(5);
    for (char& c : image) c = static_cast<char>(gen.generate() & 0xFF);
    return image;
}

bool have(const char* tool) { return !QStandardPaths::findExecutable(tool).isEmpty(); }

// rx (after `front`, e.g. a throttle) behind socat on a pty at `link`.
bool startReceiver(QProcess& socat, const QString& dir, const QString& link, const QString& front) {
    socat.start("socat", {"pty,raw,echo=0,link=" + link,
                          QStringLiteral("SYSTEM:%1(cd %2 && exec rx -q -X out.bin)").arg(front, dir)});
    if (!socat.waitForStarted()) return false;
    for (int i = 0; i < 250 && !QFileInfo::exists(link); ++i) QThread::msleep(20);
    return QFileInfo::exists(link);
}

// rx has what it needs once the sender is done; a throttle in front of it may
// keep the pipe open after the pseudo-terminal closed.
void stopReceiver(QProcess& socat) {
    if (socat.waitForFinished(1500)) return;
    socat.terminate();
    if (!socat.waitForFinished(1000)) socat.kill();
    socat.waitForFinished(1000);
}

// Seconds our sender needs once the receiver has asked; -1 on failure.
double oursSeconds(SerialPortFactory& ports, const QByteArray& image, const QString& front) {
    QTemporaryDir dir;
    const QString link = dir.filePath("pty");
    QProcess socat;
    if (!startReceiver(socat, dir.path(), link, front)) return -1;
    auto port = ports.create();
    if (!port->open(QFileInfo(link).canonicalFilePath().toStdString())) return -1;
    LineSettings settings;
    port->readSettings(settings);
    applyCommunicatorLineSettings(settings);
    port->applySettings(settings);
    port->setTimeouts(Timeouts{500, 0, 3000, 0, 1000});
    QElapsedTimer timer;
    xmodem::SenderHooks hooks;
    hooks.readFirstByte = [&] {
        for (int i = 0; i < 10; ++i)
            if (const int b = xmodem::readByte(*port); b >= 0) {
                timer.start();
                return b;
            }
        return -1;
    };
    const auto result = xmodem::send(*port, image, hooks);
    const double seconds = timer.isValid() ? timer.nsecsElapsed() / 1e9 : -1;
    port->close();
    stopReceiver(socat);
    return result.outcome == xmodem::Outcome::Complete ? seconds : -1;
}

// Seconds from starting sx until it has sent the file and ended; -1 on failure.
double sxSeconds(const QString& file, const QString& front) {
    QTemporaryDir dir;
    const QString link = dir.filePath("pty");
    QProcess receiver, sender;
    if (!startReceiver(receiver, dir.path(), link, front)) return -1;
    QElapsedTimer timer;
    timer.start();
    sender.start("socat", {QFileInfo(link).canonicalFilePath() + ",raw,echo=0",
                           "SYSTEM:exec sx -q -X " + file});
    if (!sender.waitForFinished(600000) || sender.exitCode() != 0) return -1;
    const double seconds = timer.nsecsElapsed() / 1e9;
    stopReceiver(receiver);
    return seconds;
}

// Milliseconds a block costs each sender, best of `rounds`: a run of the whole
// image less a run of one block, over the blocks between, so that neither
// sender's start-up (sx: starting two processes) nor its end counts.
struct PerBlock {
    double ours = -1, sx = -1;
};

PerBlock perBlockMs(SerialPortFactory& ports, const QByteArray& image, const QString& front,
                    int rounds) {
    QTemporaryDir dir;
    const QString whole = dir.filePath("image.dwl"), one = dir.filePath("one.dwl");
    const QByteArray oneBlock = image.left(xmodem::kDataSize);
    for (const auto& [path, bytes] : {std::pair{whole, image}, std::pair{one, oneBlock}}) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) return {};
    }
    const double between = image.size() / double(xmodem::kDataSize) - 1;
    PerBlock best;
    auto keep = [&](double& into, double all, double first) {
        if (all <= 0 || first <= 0) return;
        const double ms = 1000.0 * (all - first) / between;
        if (into < 0 || ms < into) into = ms;
    };
    for (int r = 0; r < rounds; ++r) {
        keep(best.ours, oursSeconds(ports, image, front), oursSeconds(ports, oneBlock, front));
        keep(best.sx, sxSeconds(whole, front), sxSeconds(one, front));
    }
    return best;
}

void reportPerBlock(const char* what, const PerBlock& b, double lineLimitMs) {
    if (b.ours <= 0 || b.sx <= 0) {
        std::printf("%s: a transfer failed\n", what);
        return;
    }
    const double ratio = b.sx / b.ours;
    std::printf("%s: ours %.3f ms a block, sx %.3f ms a block, ratio sx/ours %.3f %s", what, b.ours,
                b.sx, ratio, ratio >= 1.0 ? "(goal >= 1.0: met)" : "(goal >= 1.0: MISSED)");
    if (lineLimitMs > 0)
        std::printf("; line limit %.3f ms: ours %.1f %%, sx %.1f %%", lineLimitMs,
                    100.0 * lineLimitMs / b.ours, 100.0 * lineLimitMs / b.sx);
    std::printf("\n");
}

class TimingHost : public QuietHost {
public:
    QElapsedTimer clock;
    double transferMs = 0;
    qint64 transferStarted = -1;
    void statusReport(const QString& text) override {
        if (text.startsWith(QStringLiteral(" Файл ПО открыт"))) transferStarted = clock.elapsed();
        if (text.startsWith(QStringLiteral(" Сброс")) && transferStarted >= 0) {
            transferMs += double(clock.elapsed() - transferStarted) - 1000.0;  // the pause before AT+CFUN=1
            transferStarted = -1;
        }
    }
};

void productionPreparation(const QString& simulator) {
    QTemporaryDir dir;
    for (const char* name : {"boot.dwl", "fw.dwl", "app.dwl"}) {
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(randomImage(64 * 1024));
    }
    QProcess sim;
    const QString ready = dir.filePath("ready");
    sim.start(simulator, {"--restart-ms", "50", "--ready-file", ready, "--nak-period", "100"});
    for (int i = 0; i < 250 && !QFileInfo::exists(ready); ++i) QThread::msleep(20);
    QFile readyFile(ready);
    if (!readyFile.open(QIODevice::ReadOnly)) {
        std::printf("preparation: simulator did not start\n");
        return;
    }
    TimingHost host;
    host.port = QString::fromUtf8(readyFile.readAll()).trimmed();
    auto ports = makeSystemSerialPortFactory();
    SystemClock clock;
    OperationContext ctx{host, *ports, clock};
    host.clock.start();
    identifyModule(ctx);
    deleteApplication(ctx);
    for (const char* name : {"boot.dwl", "fw.dwl", "app.dwl"})
        writeProductionImage(ctx, dir.filePath(name));
    startApplication(ctx);
    programSerialNumber(ctx, "00000042");
    const double total = host.clock.elapsed();
    // The pauses around each image's restart, the wait after the start, and
    // four reads that ask for more bytes than the reply holds (AT+CGMR's 1000,
    // AT+ZQVER?'s 28, both AT+ZQEXIT's 9) and so end only after the 500 ms
    // byte interval.
    const double waits = 3 * 2000.0 + 3000.0 + 4 * 500.0;
    const double overhead = 100.0 * (total - waits - host.transferMs) / (waits + host.transferMs);
    std::printf("preparation: %.0f ms in all; required waits %.0f ms, transfers %.0f ms; "
                "overhead %.1f %% %s%s\n",
                total, waits, host.transferMs, overhead,
                overhead < 10.0 ? "(goal < 10 %: met)" : "(goal < 10 %: MISSED)",
                host.boxes.isEmpty() ? "" : " — with error boxes!");
    sim.terminate();
    sim.waitForFinished();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int rounds = 3;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--rounds" && i + 1 < args.size()) rounds = std::max(1, args[++i].toInt());
    }
    std::unique_ptr<SerialPortFactory> ports = makeSystemSerialPortFactory();
    if (have("rx") && have("sx") && have("socat")) {
        const QByteArray image = randomImage(kImageBytes);
        reportPerBlock("xmodem 1 MiB, unthrottled", perBlockMs(*ports, image, QString(), rounds), 0);
        if (have("pv"))
            reportPerBlock("xmodem 128 KiB at 115200 baud (pv -L 11520)",
                           perBlockMs(*ports, image.left(128 * 1024), "pv -q -L 11520 | ", rounds),
                           1000.0 * xmodem::kDataSize / kXmodemLineLimit);
    } else {
        std::printf("xmodem: lrzsz (rx, sx) and socat are needed for the comparison\n");
    }
    productionPreparation(QStringLiteral(KORVEL_SIMULATOR_PATH));
    return 0;
}
