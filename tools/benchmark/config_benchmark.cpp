// Times a full configuration write and a full configuration read against the
// device simulator on a pseudo-terminal, with the real pauses, and sets them
// beside the pauses the dialogue itself requires.
//
//   build/tools/korvel_benchmark [--runs N] [--no-echo]
//
// The simulator answers at once, so whatever a run takes beyond the required
// pauses is the program's own overhead (the goal is under 10 %).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "device_link/serial/clock.h"
#include "configuration/config_read.h"
#include "configuration/config_write.h"
#include "configuration/memory_config_form.h"
#include "device_link/operation_context.h"
#include "quiet_host.h"
#include "sample_configuration.h"

namespace {

using namespace korvel;

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void report(const char* what, const std::vector<double>& times, double pauses, const char* how) {
    const double m = median(times);
    const double best = *std::min_element(times.begin(), times.end());
    const double overhead = 100.0 * (m - pauses) / pauses;
    std::printf(
        "%-5s median %7.1f ms, best %7.1f ms; required pauses %6.0f ms (%s); "
        "overhead %5.1f %% %s\n",
        what, m, best, pauses, how, overhead,
        overhead < 10.0 ? "(goal < 10 %: met)" : "(goal < 10 %: MISSED)");
}

}  // namespace

int main(int argc, char** argv) {
    // The device takes its date as day.month.year: run under the Russian
    // regional settings the configurator is used with.
    qputenv("LC_ALL", "ru_RU.UTF-8");
    QCoreApplication app(argc, argv);

    int runs = 3;
    bool echo = true;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--no-echo")) {
            echo = false;
        } else if (args[i] == QStringLiteral("--runs") && i + 1 < args.size()) {
            runs = std::max(1, args[++i].toInt());
        } else {
            std::fprintf(stderr, "usage: korvel_benchmark [--runs N] [--no-echo]\n");
            return 2;
        }
    }

    QTemporaryDir dir;
    const QString ready = dir.filePath(QStringLiteral("ready"));
    QStringList simArgs{QStringLiteral("--ready-file"), ready};
    if (!echo) simArgs << QStringLiteral("--no-echo");
    QProcess simulator;
    simulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    simulator.start(QStringLiteral(KORVEL_SIMULATOR_PATH), simArgs);
    QString path;
    for (int i = 0; i < 400 && path.isEmpty() && simulator.waitForStarted(5000); ++i) {
        QFile file(ready);
        if (file.open(QIODevice::ReadOnly)) path = QString::fromLocal8Bit(file.readAll()).trimmed();
        if (path.isEmpty()) QThread::msleep(25);
    }
    if (path.isEmpty()) {
        std::fprintf(stderr, "korvel_benchmark: the simulator %s did not come up\n",
                     KORVEL_SIMULATOR_PATH);
        return 1;
    }

    QuietHost host;
    host.port = path;
    SystemClock clock;
    auto ports = makeSystemSerialPortFactory();
    OperationContext ctx{host, *ports, clock};

    std::printf("Configuration write and read against the simulator on %s (echo %s), %d runs\n",
                qPrintable(path), echo ? "on" : "off", runs);
    std::vector<double> writes, reads;
    bool failed = false;
    for (int run = 0; run < runs; ++run) {
        MemoryConfigForm form;
        test::fillSampleConfiguration(form);
        QElapsedTimer timer;
        timer.start();
        writeConfiguration(ctx, form);
        writes.push_back(timer.nsecsElapsed() / 1e6);

        MemoryConfigForm back;
        timer.restart();
        readConfiguration(ctx, back);
        reads.push_back(timer.nsecsElapsed() / 1e6);
        std::printf("  run %d: write %7.1f ms, read %7.1f ms\n", run + 1, writes.back(),
                    reads.back());
        if (!host.boxes.isEmpty() || back.text(FormField::SimTelephone) != form.text(FormField::SimTelephone))
            failed = true;
    }

    report("write", writes, echo ? 500.0 : 1000.0,
           echo ? "500 gauge pause" : "500 gauge pause + 500 interval ending the echo test");
    report("read", reads, echo ? 4900.0 : 5100.0,
           echo ? "500 + 17 x 200 read intervals + 1000"
                : "500 + 17 x 200 + 1000 + 200 interval ending the echo test");
    simulator.terminate();
    if (!simulator.waitForFinished(3000)) {
        simulator.kill();
        simulator.waitForFinished(3000);
    }
    if (failed) {
        std::fprintf(stderr, "korvel_benchmark: a run did not complete: %s\n",
                     qPrintable(host.boxes.join(QStringLiteral("; "))));
        return 1;
    }
    return 0;
}
