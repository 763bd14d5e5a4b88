#include "production_station.h"

#include <thread>

#include "firmware_files.h"
#include "production_chain.h"
#include "terminal_host.h"

namespace korvel::cli {

namespace {

void prepareDevice(const StationOptions& options, DeviceRecord& record) {
    TerminalHost host(record.port, record.port, options.json);
    auto ports = makeSystemSerialPortFactory();
    SystemClock clock;
    OperationContext ctx{host, *ports, clock};
    ChainState state;
    state.folder = options.folder;
    state.serialNumber = record.serialNumber;

    ChainHooks hooks;
    hooks.after = [&](ChainLink link, const Outcome* outcome) {
        const bool good = outcome && outcome->ok();
        record.links << (good ? QStringLiteral("ok") : QStringLiteral("failed"));
        if (!good && record.failure.isEmpty())
            record.failure = QString::fromLatin1(chainLinkName(link)) + QStringLiteral(": ") +
                             (outcome ? outcomeSummary(*outcome) : QStringLiteral("error"));
        if (!outcome) return;
        if (link == ChainLink::Identify && outcome->ok()) {
            record.moduleType = outcome->moduleType;
            record.coreVersion = outcome->coreVersion;
        }
        if (link == ChainLink::Start) record.applicationVersion = outcome->applicationVersion;
    };
    runProductionChain(ctx, systemFileProbe(), state, hooks);
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
