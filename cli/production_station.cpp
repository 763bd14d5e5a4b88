#include "production_station.h"

#include <QRegularExpression>
#include <thread>

#include "firmware_files.h"
#include "module_operations.h"
#include "terminal_host.h"

namespace korvel::cli {

const char* const kLinkNames[8] = {"identify", "files",       "delete", "boot",
                                   "firmware", "application", "start",  "serial"};

namespace {

void prepareDevice(const StationOptions& options, DeviceRecord& record) {
    TerminalHost host(record.port, record.port, options.json);
    const auto ports = withWireLog(makeSystemSerialPortFactory(), options.wireLog);
    SystemClock clock;
    OperationContext ctx{host, *ports, clock};
    QString paths[3];

    // Each link runs whatever the one before did, as on the production page.
    auto link = [&](int index, auto&& run) {
        host.clearOutcome();
        run();
        const bool good = host.worstExit() == kDone;
        record.links << (good ? QStringLiteral("ok") : QStringLiteral("failed"));
        if (!good && record.failure.isEmpty())
            record.failure = QString::fromLatin1(kLinkNames[index]) + QStringLiteral(": ") +
                             host.errors().value(0);
    };
    link(0, [&] {
        if (const auto id = identifyModule(ctx)) {
            record.moduleType = id->moduleType;
            record.coreVersion = id->coreVersion;
        } else {
            host.errorBox(QStringLiteral("модуль не ответил на AT+CGMR"), BoxButtons::Abort);
        }
    });
    link(1, [&] {
        const auto found =
            searchFirmwareFolder(host, systemFileProbe(), options.folder, record.moduleType);
        for (int i = 0; i < 3; ++i)
            if (found[i]) paths[i] = *found[i];
    });
    link(2, [&] { deleteApplication(ctx); });
    for (int i = 0; i < 3; ++i)
        link(3 + i, [&] {
            writeProductionImage(ctx, paths[i]);
            const QStringList s = host.statuses();
            if (!s.isEmpty() && s.last().startsWith(QStringLiteral(" ПО не записано")))
                host.errorBox(s.last().trimmed(), BoxButtons::Abort);
        });
    link(6, [&] {
        startApplication(ctx);
        for (const QString& s : host.statuses())
            if (s.startsWith(QStringLiteral("Версия ПО: ")))
                record.applicationVersion =
                    s.mid(11).split(QRegularExpression(QStringLiteral("[\r\n]"))).first().trimmed();
    });
    link(7, [&] {
        programSerialNumber(ctx, record.serialNumber);
        if (host.worstExit() == kDone &&
            !host.statuses().contains(QStringLiteral("Cерийный номер ") + record.serialNumber +
                                      QStringLiteral(" записан")))
            host.errorBox(QStringLiteral("серийный номер не подтверждён"), BoxButtons::Abort);
    });
}

}  // namespace

std::vector<DeviceRecord> runProductionStation(const StationOptions& options) {
    std::vector<DeviceRecord> records(static_cast<std::size_t>(options.ports.size()));
    std::vector<std::thread> threads;
    for (qsizetype i = 0; i < options.ports.size(); ++i) {
        DeviceRecord& r = records[static_cast<std::size_t>(i)];
        r.port = options.ports[i];
        r.serialNumber = QStringLiteral("%1").arg(options.firstSerial + qulonglong(i), 8, 10, QLatin1Char('0'));
        threads.emplace_back([&options, &r] { prepareDevice(options, r); });
    }
    for (std::thread& t : threads) t.join();
    return records;
}

}  // namespace korvel::cli
