// Runs one row of the fault matrix: the simulator with the row's fault, the
// real serial port on its pseudo-terminal, a recording host, the system
// clock; then every check the row stands for.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <memory>

#include "configuration/config_read.h"
#include "configuration/config_write.h"
#include "device_link/controller_reset.h"
#include "fault_rows.h"
#include "firmware/firmware_download.h"
#include "configuration/memory_config_form.h"
#include "production/module_operations.h"
#include "device_link/port_session.h"
#include "recording_host.h"
#include "sample_configuration.h"
#include "simulator_process.h"

namespace korvel::test {
namespace {

constexpr int kImageBytes = 8 * 128;

const char kSerialNumber[] = "00012345";

// Another process that holds the port the way a serial program does:
// opened, exclusive mode on and locked.  It lets go when destroyed.
class PortHoldingProcess {
public:
    explicit PortHoldingProcess(const QString& path) {
        const QByteArray device = QFile::encodeName(path);
        int ready[2];
        if (pipe(ready) != 0 || pipe(release_) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            // Only async-signal-safe calls in the child of a threaded process.
            const int fd = ::open(device.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            const bool held = fd >= 0 && ioctl(fd, TIOCEXCL) == 0 && flock(fd, LOCK_EX | LOCK_NB) == 0;
            const char answer = held ? '1' : '0';
            [[maybe_unused]] ssize_t n = ::write(ready[1], &answer, 1);
            char release;
            n = ::read(release_[0], &release, 1);
            if (fd >= 0) ioctl(fd, TIOCNXCL);  // the mode belongs to the terminal
            _exit(0);
        }
        char answer = '0';
        held_ = ::read(ready[0], &answer, 1) == 1 && answer == '1';
        ::close(ready[0]);
        ::close(ready[1]);
    }
    ~PortHoldingProcess() {
        if (pid_ <= 0) return;
        const char release = 1;
        [[maybe_unused]] const ssize_t n = ::write(release_[1], &release, 1);
        int status = 0;
        waitpid(pid_, &status, 0);
        ::close(release_[0]);
        ::close(release_[1]);
    }
    bool held() const { return held_; }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int release_[2] = {-1, -1};
    bool held_ = false;
};

long long cpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) {
        return static_cast<long long>(t.tv_sec) * 1000 + t.tv_usec / 1000;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

}  // namespace

bool descriptorOpenOn(const QString& path) {
    const QByteArray target = QFile::encodeName(path);
    const QStringList fds = QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::System | QDir::Files);
    for (const QString& fd : fds) {
        char buffer[4096];
        const QByteArray link = QFile::encodeName(QStringLiteral("/proc/self/fd/") + fd);
        const ssize_t n = readlink(link.constData(), buffer, sizeof buffer);
        if (n > 0 && QByteArray(buffer, static_cast<qsizetype>(n)) == target) return true;
    }
    return false;
}

namespace {

// Every value of the form as one text, to see whether anything changed.
QString formSnapshot(const MemoryConfigForm& form) {
    QStringList parts;
    for (int f = 0; f <= static_cast<int>(FormField::ProductionSerialNumber); ++f)
        parts << form.text(static_cast<FormField>(f));
    parts << QString::number(form.isChecked(FormCheck::Gprs2Enabled))
          << QString::number(form.isChecked(FormCheck::Gprs3Enabled))
          << QString::number(form.gprs2Server());
    for (FormGrid grid : {FormGrid::Servers, FormGrid::Meters, FormGrid::AlarmNumbers})
        for (int row = 0; row < MemoryConfigForm::rowCount(grid); ++row)
            for (int column = 0; column < MemoryConfigForm::columnCount(grid); ++column)
                parts << form.cell(grid, column, row);
    return parts.join(QLatin1Char('\x1f'));
}

Outcome runOperation(Operation operation, OperationContext& ctx, MemoryConfigForm& form,
                     const QString& image) {
    switch (operation) {
        case Operation::WriteConfiguration:
            return writeConfiguration(ctx, form);
        case Operation::ReadConfiguration:
            return readConfiguration(ctx, form);
        case Operation::ResetController:
            return resetController(ctx);
        case Operation::UpdateFirmware:
            return updateFirmware(ctx, image);
        case Operation::WriteProductionImage:
            return writeProductionImage(ctx, image);
        case Operation::StartApplication:
            return startApplication(ctx);
        case Operation::DeleteApplication:
            return deleteApplication(ctx);
        case Operation::ProgramSerialNumber:
            return programSerialNumber(ctx, QString::fromLatin1(kSerialNumber));
    }
    return {};
}

}  // namespace

RowResult runFaultRow(const FaultRow& row) {
    RowResult result;
    QTemporaryDir scratch;
    const QString state = scratch.filePath(QStringLiteral("device.state"));
    const QString image = scratch.filePath(QStringLiteral("image.dwl"));
    {
        QFile file(image);
        file.open(QIODevice::WriteOnly);
        QByteArray bytes(kImageBytes, '\0');
        for (int i = 0; i < kImageBytes; ++i) bytes[i] = static_cast<char>(i * 7 + 3);
        file.write(bytes);
    }

    std::unique_ptr<SimulatorProcess> sim;
    std::unique_ptr<PortHoldingProcess> holder;
    QString port;
    switch (row.port) {
        case PortFault::None:
        case PortFault::HeldElsewhere:
            sim = std::make_unique<SimulatorProcess>(row.simulator +
                                                     QStringList{"--state", state});
            if (!sim->ready()) {
                ADD_FAILURE() << "the simulator did not start";
                return result;
            }
            port = sim->port();
            if (row.port == PortFault::HeldElsewhere) {
                holder = std::make_unique<PortHoldingProcess>(port);
                if (!holder->held()) {
                    ADD_FAILURE() << "the other process could not hold the port";
                    return result;
                }
            }
            break;
        case PortFault::RegularFile:
            port = scratch.filePath(QStringLiteral("plain.txt"));
            QFile(port).open(QIODevice::WriteOnly);
            break;
        case PortFault::Directory:
            port = scratch.filePath(QStringLiteral("folder"));
            QDir().mkpath(port);
            break;
        case PortFault::Missing:
            port = QStringLiteral("ttyKORVEL_MISSING7");
            break;
    }

    RecordingHost host;
    host.port = port;
    MemoryConfigForm form;
    fillSampleConfiguration(form);
    const QString before = formSnapshot(form);
    std::unique_ptr<SerialPortFactory> ports = makeSystemSerialPortFactory();
    SystemClock clock;
    OperationContext ctx{host, *ports, clock};

    const long long cpuBefore = cpuMs();
    const auto start = std::chrono::steady_clock::now();
    runOperation(row.operation, ctx, form, image);
    result.waitedMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - start)
                          .count();
    result.cpuMs = cpuMs() - cpuBefore;

    // Ends within its bound, and waits instead of spinning.
    EXPECT_LE(result.waitedMs, row.boundMs) << "waited longer than the row allows";
    EXPECT_LE(result.cpuMs, result.waitedMs / 2 + 300) << "busy while waiting";

    // What the user is told.
    const QList<Box> shown = host.boxes();
    const std::vector<Box> boxes(shown.begin(), shown.end());
    EXPECT_EQ(boxes, row.boxes);
    if (row.portFailure != OpenFailure::None && host.boxOutcomes.size() == 1) {
        const Outcome& about = host.boxOutcomes.first();
        EXPECT_EQ(about.portName, port);
        EXPECT_EQ(about.openFailure, row.portFailure);
        if (holder) {
            // The simulator keeps its end's terminal open too: the box names
            // both holders, in process id order, as the kernel names them.
            std::vector<long> pids;
            for (const PortHolder& h : about.holders) pids.push_back(h.pid);
            std::vector<long> expected{long(sim->pid()), long(holder->pid())};
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(pids, expected);
        }
    }
    const Report last = host.reports.isEmpty() ? Report{}
                                               : Report{host.reports.last().first, host.reports.last().second};
    EXPECT_EQ(last.status, row.lastStatus.status);
    EXPECT_EQ(last.detail, row.lastStatus.detail);

    // The port is let go: no descriptor left on it, and it opens again.
    EXPECT_FALSE(descriptorOpenOn(port)) << "the port was left open";
    holder.reset();
    if (sim && !row.simulator.contains(QStringLiteral("--vanish-after-lines")) &&
        !row.simulator.contains(QStringLiteral("--vanish-after"))) {
        std::unique_ptr<SerialPort> again = ports->create();
        EXPECT_TRUE(again->open(QFile::encodeName(port).toStdString())) << "second open refused";
        again->close();
    }

    // The port is reported free again and the configuration gauge hidden.
    EXPECT_FALSE(host.portBusy) << "port left in use";
    EXPECT_FALSE(host.gauge.isVisible());

    // No data lost: the form, and what the device stored.
    const QString after = formSnapshot(form);
    switch (row.form) {
        case FormOutcome::Kept:
            EXPECT_EQ(after, before) << "the form changed";
            break;
        case FormOutcome::Replaced:
            EXPECT_NE(after, before) << "the device's values did not arrive";
            break;
        case FormOutcome::Any:
            break;
    }
    if (row.fieldKept) {
        MemoryConfigForm sample;
        fillSampleConfiguration(sample);
        EXPECT_EQ(form.text(*row.fieldKept), sample.text(*row.fieldKept)) << "a refused query changed its field";
    }
    if (row.succeeds && sim) {
        QFile stored(state);
        const QByteArray bytes = stored.open(QIODevice::ReadOnly) ? stored.readAll() : QByteArray();
        if (row.operation == Operation::WriteConfiguration) {
            EXPECT_TRUE(bytes.contains("internet.mts.ru")) << "the device did not store the write";
        }
        if (row.operation == Operation::ProgramSerialNumber) {
            EXPECT_TRUE(bytes.contains(kSerialNumber)) << "the device did not store the number";
        }
    }
    return result;
}

}  // namespace korvel::test
