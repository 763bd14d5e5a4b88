// Times the firmware transfer and a whole production preparation.
//
//   build/tools/korvel_firmware_benchmark [--rounds N] [--no-latency] [--line-only] [--wire-log FILE]
//
// 1. Our XMODEM sender and lrzsz's own `sx` each send the same image to
//    lrzsz's `rx` over a pseudo-terminal: unthrottled (1 MiB, rx behind
//    socat), and 128 KiB at 115200 baud, once through a line that hands each
//    chunk on when its last byte would have arrived, once through pv in front
//    of rx (which saves up credit while the line is idle).  The milliseconds
//    a block costs each, a one-block run taken off, best of N rounds (3),
//    and their ratio; the line at 115200 baud also with our sender inside
//    the real window, as its update page runs it.
// 2. A blank device prepared against the simulator (identification, delete,
//    three 64 KiB images, start, serial number) beside the waits the dialogue
//    itself requires and the transfers' own time.
// 3. Unless --no-latency: a 1 MiB image and a whole automatic write against a
//    simulator receiving at 115200 baud whose replies come 0 and 16 ms late,
//    as behind a USB adapter's latency timer.
// --line-only: only the transfers through the 115200-baud line (1.).
// --wire-log FILE: every port of ours writes the wire log meanwhile.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <QDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <deque>
#include <string>
#include <thread>
#include <memory>
#include <utility>

#include "device_link/serial/clock.h"
#include "firmware/firmware_download.h"
#include "main_window/main_window.h"
#include "production/module_operations.h"
#include "device_link/operation_context.h"
#include "quiet_host.h"
#include "device_link/serial/serial_port.h"
#include "device_link/serial/wire_log.h"
#include "firmware/xmodem.h"

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

// Where the senders are measured: rx on a pseudo-terminal, with either a
// shell command in front of it behind socat (`front`, e.g. "pv -q -L 11520 | ")
// or, with `baud` set, behind a line of that speed that saves up no credit:
// each chunk the sender wrote reaches rx once its last byte would have
// arrived (10 bits a byte), never sooner; rx's replies come back at once.
struct Rig {
    QString front;
    int baud = 0;
};

class Receiver {
public:
    Receiver(const Rig& rig, const QString& dir) : baud_(rig.baud) {
        if (rig.baud > 0) {
            startPaced(dir);
            return;
        }
        const QString link = QDir(dir).filePath("pty");
        socat_.start("socat", {"pty,raw,echo=0,link=" + link,
                               QStringLiteral("SYSTEM:%1(cd %2 && exec rx -q -X out.bin)").arg(rig.front, dir)});
        if (!socat_.waitForStarted()) return;
        for (int i = 0; i < 250 && !QFileInfo::exists(link); ++i) QThread::msleep(20);
        if (QFileInfo::exists(link)) path_ = QFileInfo(link).canonicalFilePath();
    }
    ~Receiver() { finish(); }
    const QString& path() const { return path_; }

    // rx has what it needs once the sender is done; a throttle in front of it
    // may keep its pipe open after the pseudo-terminal closed.
    void finish() {
        if (socat_.state() != QProcess::NotRunning) {
            if (!socat_.waitForFinished(1500)) {
                socat_.terminate();
                if (!socat_.waitForFinished(1000)) socat_.kill();
                socat_.waitForFinished(1000);
            }
        }
        if (pid_ > 0) {
            for (int i = 0; i < 300 && waitpid(pid_, nullptr, WNOHANG) == 0; ++i) QThread::msleep(10);
            if (waitpid(pid_, nullptr, WNOHANG) == 0) {
                kill(pid_, SIGTERM);
                waitpid(pid_, nullptr, 0);
            }
            pid_ = -1;
        }
        stop_ = true;
        if (line_.joinable()) line_.join();
        for (int* fd : {&master_, &slave_, &toRx_, &fromRx_})
            if (*fd >= 0) ::close(std::exchange(*fd, -1));
    }

private:
    void startPaced(const QString& dir) {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        char name[128] = {};
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0 ||
            ptsname_r(master_, name, sizeof name) != 0)
            return;
        slave_ = ::open(name, O_RDWR | O_NOCTTY);  // keeps the line up between senders
        termios raw{};
        if (slave_ < 0 || tcgetattr(slave_, &raw) != 0) return;
        cfmakeraw(&raw);
        tcsetattr(slave_, TCSANOW, &raw);
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) return;
        const QByteArray where = dir.toLocal8Bit();
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            const int quiet = ::open("/dev/null", O_WRONLY);
            if (quiet >= 0) dup2(quiet, 2);
            for (int fd : {in[0], in[1], out[0], out[1], master_, slave_}) ::close(fd);
            if (chdir(where.constData()) == 0) execlp("rx", "rx", "-q", "-X", "out.bin", nullptr);
            _exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        toRx_ = in[1];
        fromRx_ = out[0];
        if (pid_ < 0) return;
        line_ = std::thread([this] { carry(); });
        path_ = QString::fromLocal8Bit(name);
    }

    void carry() {
        using Clock = std::chrono::steady_clock;
        struct Chunk {
            Clock::time_point due;
            std::string bytes;
        };
        std::deque<Chunk> chunks;
        Clock::time_point free{};
        char buffer[4096];
        while (!stop_) {
            std::chrono::nanoseconds wait = std::chrono::milliseconds(20);
            if (!chunks.empty()) wait = std::min(wait, std::max<std::chrono::nanoseconds>(
                                                           chunks.front().due - Clock::now(), {}));
            const timespec ts{0, static_cast<long>(wait.count())};
            pollfd fds[2] = {{master_, POLLIN, 0}, {fromRx_, POLLIN, 0}};
            ppoll(fds, 2, &ts, nullptr);
            const Clock::time_point now = Clock::now();
            if (fds[0].revents & POLLIN) {
                const ssize_t n = ::read(master_, buffer, sizeof buffer);
                if (n > 0) {
                    free = std::max(free, now) + std::chrono::nanoseconds(10LL * 1000000000 * n / baud_);
                    chunks.push_back({free, std::string(buffer, std::size_t(n))});
                }
            }
            if (fds[1].revents & (POLLIN | POLLHUP)) {
                const ssize_t n = ::read(fromRx_, buffer, sizeof buffer);
                if (n <= 0) return;  // rx has ended
                (void)!::write(master_, buffer, std::size_t(n));
            }
            while (!chunks.empty() && chunks.front().due <= Clock::now()) {
                (void)!::write(toRx_, chunks.front().bytes.data(), chunks.front().bytes.size());
                chunks.pop_front();
            }
        }
    }

    QProcess socat_;
    QString path_;
    int baud_ = 0;
    int master_ = -1, slave_ = -1, toRx_ = -1, fromRx_ = -1;
    pid_t pid_ = -1;
    std::atomic<bool> stop_{false};
    std::thread line_;
};

// Seconds our sender needs once the receiver has asked; -1 on failure.
// With `page`, the transfer runs as that page's sequence runs it: the
// page's gauge and message pumps around the blocks (the ports then are the
// window's, whose waits let it answer).
double oursSeconds(SerialPortFactory& ports, const QByteArray& image, const Rig& rig,
                   OperationSink* page = nullptr) {
    QTemporaryDir dir;
    Receiver receiver(rig, dir.path());
    auto port = ports.create();
    if (receiver.path().isEmpty() || !port->open(receiver.path().toStdString())) return -1;
    LineSettings settings;
    port->readSettings(settings);
    applyCommunicatorLineSettings(settings);
    port->applySettings(settings);
    port->setTimeouts(Timeouts{500, 0, 3000, 0, 1000});
    QElapsedTimer timer;
    xmodem::SenderHooks hooks;
    if (page) hooks = transferHooks(*page, *port, true);
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
    receiver.finish();
    return result.outcome == xmodem::Outcome::Complete ? seconds : -1;
}

// Seconds from starting sx until it has sent the file and ended; -1 on failure.
double sxSeconds(const QString& file, const Rig& rig) {
    QTemporaryDir dir;
    Receiver receiver(rig, dir.path());
    if (receiver.path().isEmpty()) return -1;
    QProcess sender;
    QElapsedTimer timer;
    timer.start();
    sender.start("socat", {receiver.path() + ",raw,echo=0",
                           "SYSTEM:exec sx -q -X " + file});
    if (!sender.waitForFinished(600000) || sender.exitCode() != 0) return -1;
    const double seconds = timer.nsecsElapsed() / 1e9;
    receiver.finish();
    return seconds;
}

// Milliseconds a block costs each sender, best of `rounds`: a run of the whole
// image less a run of one block, over the blocks between, so that neither
// sender's start-up (sx: starting two processes) nor its end counts.
struct PerBlock {
    double ours = -1, sx = -1;
};

PerBlock perBlockMs(SerialPortFactory& ports, const QByteArray& image, const Rig& rig, int rounds,
                    OperationSink* page = nullptr) {
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
        keep(best.ours, oursSeconds(ports, image, rig, page), oursSeconds(ports, oneBlock, rig, page));
        keep(best.sx, sxSeconds(whole, rig), sxSeconds(one, rig));
    }
    return best;
}

void reportPerBlock(const char* what, const PerBlock& b, double lineLimitMs) {
    if (b.ours <= 0 || b.sx <= 0) {
        std::printf("%s: a transfer failed\n", what);
        return;
    }
    // Judged as printed: equal to the microsecond counts as equal.
    const double ratio = std::round(1000.0 * b.sx / b.ours) / 1000.0;
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
    void status(Status status, const QString& = QString()) override {
        if (status == status::ImageOpened) transferStarted = clock.elapsed();
        const bool restarted =
            status == status::ControllerRestarted || status == status::CommunicatorRestarted;
        if (restarted && transferStarted >= 0) {
            transferMs += double(clock.elapsed() - transferStarted) - 1000.0;  // the pause before AT+CFUN=1
            transferStarted = -1;
        }
    }
};

// A simulated blank device for one run; extra simulator options in `options`.
class SimulatedDevice {
public:
    SimulatedDevice(const QString& simulator, const QStringList& options) {
        const QString ready = dir_.filePath("ready");
        sim_.start(simulator, QStringList{"--restart-ms", "50", "--ready-file", ready, "--nak-period",
                                          "100"} + options);
        for (int i = 0; i < 250 && !QFileInfo::exists(ready); ++i) QThread::msleep(20);
        QFile readyFile(ready);
        if (readyFile.open(QIODevice::ReadOnly)) port_ = QString::fromUtf8(readyFile.readAll()).trimmed();
    }
    ~SimulatedDevice() {
        sim_.terminate();
        sim_.waitForFinished();
    }
    const QString& port() const { return port_; }

private:
    QTemporaryDir dir_;
    QProcess sim_;
    QString port_;
};

QString writeImages(const QTemporaryDir& dir, const QStringList& names, int size) {
    for (const QString& name : names) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(randomImage(size)) != size) return QString();
    }
    return dir.path();
}

// The production page's automatic write on a blank device: identification,
// delete, three 64 KiB images, start, serial number.  Milliseconds in all.
double automaticWrite(const QString& simulator, SerialPortFactory& ports, const QStringList& options,
                      TimingHost& host) {
    QTemporaryDir dir;
    const QStringList names{"boot.dwl", "fw.dwl", "app.dwl"};
    SimulatedDevice device(simulator, options);
    if (device.port().isEmpty() || writeImages(dir, names, 64 * 1024).isEmpty()) return -1;
    host.port = device.port();
    SystemClock clock;
    OperationContext ctx{host, ports, clock};
    host.clock.start();
    identifyModule(ctx);
    deleteApplication(ctx);
    for (const QString& name : names) writeProductionImage(ctx, dir.filePath(name));
    startApplication(ctx);
    programSerialNumber(ctx, "00000042");
    return host.boxes.isEmpty() ? double(host.clock.elapsed()) : -1;
}

void productionPreparation(const QString& simulator, SerialPortFactory& ports) {
    TimingHost host;
    const double total = automaticWrite(simulator, ports, {}, host);
    if (total < 0) {
        std::printf("preparation: failed\n");
        return;
    }
    // The pauses around each image's restart, the wait after the start, and
    // four reads that ask for more bytes than the reply holds (AT+CGMR's 1000,
    // AT+ZQVER?'s 28, both AT+ZQEXIT's 9) and so end only after the 500 ms
    // byte interval.
    const double waits = 3 * 2000.0 + 3000.0 + 4 * 500.0;
    const double overhead = 100.0 * (total - waits - host.transferMs) / (waits + host.transferMs);
    std::printf("preparation: %.0f ms in all; required waits %.0f ms, transfers %.0f ms; "
                "overhead %.1f %% %s\n",
                total, waits, host.transferMs, overhead,
                overhead < 10.0 ? "(goal < 10 %: met)" : "(goal < 10 %: MISSED)");
}

// What the adapter's latency timer costs: every reply held back 0 and 16 ms
// by a device that receives at 115200 baud.  A 1 MiB image written as the
// production page writes one (the transfer alone), and a whole automatic write.
void replyLatency(const QString& simulator, SerialPortFactory& ports) {
    QTemporaryDir dir;
    if (writeImages(dir, {"big.dwl"}, kImageBytes).isEmpty()) return;
    for (const int latency : {0, 16}) {
        const QStringList options{"--baud", "115200", "--reply-latency-ms", QString::number(latency)};
        TimingHost image;
        {
            SimulatedDevice device(simulator, options);
            image.port = device.port();
            SystemClock clock;
            OperationContext ctx{image, ports, clock};
            image.clock.start();
            writeProductionImage(ctx, dir.filePath("big.dwl"));
        }
        TimingHost whole;
        const double total = automaticWrite(simulator, ports, options, whole);
        std::printf("reply latency %2d ms, 115200 baud: 1 MiB transfer %.1f s (%.3f ms a block); "
                    "automatic write %.1f s, its transfers %.1f s%s\n",
                    latency, image.transferMs / 1000.0, image.transferMs / (kImageBytes / 128.0),
                    total / 1000.0, whole.transferMs / 1000.0,
                    image.boxes.isEmpty() && total > 0 ? "" : " — failed!");
    }
}

}  // namespace

int main(int argc, char** argv) {
    // The window's part needs no display of its own.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    signal(SIGPIPE, SIG_IGN);  // a receiver that has ended is noticed by its exit
    int rounds = 3;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--rounds" && i + 1 < args.size()) rounds = std::max(1, args[++i].toInt());
    }
    std::shared_ptr<SerialPortFactory> ports = makeSystemSerialPortFactory();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] != "--wire-log" || i + 1 >= args.size()) continue;
        std::string reason;
        auto log = WireLog::open(args[i + 1].toLocal8Bit().toStdString(), reason);
        if (!log) {
            std::printf("wire log %s: %s\n", qPrintable(args[i + 1]), reason.c_str());
            return 2;
        }
        ports = withWireLog(ports, std::move(log));
        std::printf("every port writes the wire log %s\n", qPrintable(args[i + 1]));
    }
    const bool latency = !args.contains("--no-latency");
    const bool lineOnly = args.contains("--line-only");
    if (have("rx") && have("sx") && have("socat")) {
        const QByteArray image = randomImage(kImageBytes);
        const double lineMs = 1000.0 * xmodem::kDataSize / kXmodemLineLimit;
        if (!lineOnly)
            reportPerBlock("xmodem 1 MiB, unthrottled", perBlockMs(*ports, image, Rig{}, rounds), 0);
        reportPerBlock("xmodem 128 KiB, line at 115200 baud without credit",
                       perBlockMs(*ports, image.left(128 * 1024), Rig{QString(), 115200}, rounds), lineMs);
        {
            // The update page's transfer inside the real window, shown.
            MainWindowServices services;
            services.portSource = [] { return QStringList{}; };
            QTemporaryDir settings;
            services.settingsPath = settings.filePath("korvel.INI");
            MainWindow window({}, services);
            window.show();
            OperationContext page = window.context(ProgressRole::FirmwareUpdate);
            reportPerBlock("xmodem 128 KiB, line at 115200 baud without credit, through the window's update page",
                           perBlockMs(page.ports, image.left(128 * 1024), Rig{QString(), 115200}, rounds,
                                      &page.sink),
                           lineMs);
        }
        if (have("pv") && !lineOnly)
            reportPerBlock("xmodem 128 KiB at 115200 baud (pv -L 11520)",
                           perBlockMs(*ports, image.left(128 * 1024), Rig{"pv -q -L 11520 | "}, rounds),
                           lineMs);
    } else {
        std::printf("xmodem: lrzsz (rx, sx) and socat are needed for the comparison\n");
    }
    if (lineOnly) return 0;
    productionPreparation(QStringLiteral(KORVEL_SIMULATOR_PATH), *ports);
    if (latency) replyLatency(QStringLiteral(KORVEL_SIMULATOR_PATH), *ports);
    return 0;
}
