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
#include <cstdio>

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

// Seconds our sender needs once the receiver has asked; -1 on failure.
double oursSeconds(const QByteArray& image, const QString& front) {
    QTemporaryDir dir;
    const QString link = dir.filePath("pty");
    QProcess socat;
    if (!startReceiver(socat, dir.path(), link, front)) return -1;
    auto port = makeSystemSerialPortFactory()->create();
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
    socat.waitForFinished(10000);
    return result.outcome == xmodem::Outcome::Complete ? seconds : -1;
}

double sxSeconds(const QString& file) {
    QTemporaryDir dir;
    const QString link = dir.filePath("pty");
    QProcess receiver, sender;
    if (!startReceiver(receiver, dir.path(), link, QString())) return -1;
    QElapsedTimer timer;
    timer.start();
    sender.start("socat", {QFileInfo(link).canonicalFilePath() + ",raw,echo=0",
                           "SYSTEM:exec sx -q -X " + file});
    if (!sender.waitForFinished(120000)) return -1;
    const double seconds = timer.nsecsElapsed() / 1e9;
    receiver.waitForFinished(10000);
    return seconds;
}

class TimingHost : public QuietHost {
public:
    QElapsedTimer clock;
    double transferMs = 0;
    qint64 transferStarted = -1;
    void status(Status status, const QString& = QString()) override {
        if (status == Status::ImageOpened) transferStarted = clock.elapsed();
        const bool restarted =
            status == Status::ControllerRestarted || status == Status::CommunicatorRestarted;
        if (restarted && transferStarted >= 0) {
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
    if (have("rx") && have("sx") && have("socat")) {
        QTemporaryDir dir;
        const QByteArray image = randomImage(kImageBytes);
        const QString file = dir.filePath("image.dwl");
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.write(image);
        f.close();
        const double blocks = kImageBytes / 128.0;
        const double ours = oursSeconds(image, QString());
        const double sx = sxSeconds(file);
        if (ours > 0 && sx > 0)
            std::printf("xmodem 1 MiB: ours %.0f blocks/s, sx %.0f blocks/s, ratio %.2f %s\n",
                        blocks / ours, blocks / sx, sx / ours,
                        sx / ours >= 1.0 ? "(goal >= 1.0: met)" : "(goal >= 1.0: MISSED)");
        else
            std::printf("xmodem 1 MiB: a transfer failed (ours %.2f s, sx %.2f s)\n", ours, sx);
        if (have("pv")) {
            const QByteArray small = image.left(128 * 1024);
            const double throttled = oursSeconds(small, "pv -q -L 11520 | ");
            if (throttled > 0) {
                const double share = 100.0 * (small.size() / throttled) / kXmodemLineLimit;
                std::printf("xmodem at 115200 baud: %.0f data bytes/s, %.1f %% of the line limit %s\n",
                            small.size() / throttled, share,
                            share >= 97.0 ? "(goal >= 97 %: met)" : "(goal >= 97 %: MISSED)");
            }
        }
    } else {
        std::printf("xmodem: lrzsz (rx, sx) and socat are needed for the comparison\n");
    }
    productionPreparation(QStringLiteral(KORVEL_SIMULATOR_PATH));
    return 0;
}
