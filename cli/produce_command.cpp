#include "cli/produce_command.h"

#include <QFile>
#include <QSysInfo>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "cli/display.h"
#include "cli/production_station.h"
#include "cli/station_summary.h"
#include "cli/station_view.h"
#include "cli/store_commands.h"
#include "cli/terminal_host.h"
#include "station/port_identity.h"
#include "station/station_lease.h"
#include "station/station_store.h"
#include "texts/store_texts.h"

namespace korvel::cli {

namespace {

// What the words of the command ask the station to do, checked.
struct Plan {
    bool watch = false;
    qsizetype ports = 0;
    std::optional<quint32> first;
    int retries = 0;
};

// The options' own checks and the firmware folder's files; a usage error's
// exit code when one fails.
std::optional<int> checkOptions(const Args& a, Plan& plan) {
    plan.watch = a.command == "station";
    if (plan.watch && (!a.watch || !a.ports.isEmpty() || !a.serial.isEmpty()))
        return usage(QStringLiteral("station: нужен --watch [ПАПКА], без --port и --serial"));
    plan.ports = plan.watch ? 1 : a.ports.size();
    if (!a.serial.isEmpty()) {
        plan.first = store::parseSerial(a.serial);
        if (!plan.first) return usage(QStringLiteral("produce: --serial N — до 8 цифр"));
        if (qulonglong(*plan.first) + qulonglong(plan.ports) - 1 > store::kLastSerial)
            return usage(QStringLiteral("produce: серийные номера выходят за 8 цифр"));
    }
    if (a.folder.isEmpty() || plan.ports == 0)
        return usage(QStringLiteral("produce: нужны --folder и хотя бы один --port"));
    bool retriesOk = true;
    plan.retries = a.retries.isEmpty() ? 0 : a.retries.toInt(&retriesOk);
    if (!retriesOk || plan.retries < 0 || plan.retries > 9)
        return usage(QStringLiteral("produce: --retries N — от 0 до 9"));
    const QString missing = missingFirmwareFiles(a.folder);
    if (!missing.isEmpty()) return usage(QStringLiteral("produce: %1").arg(missing));
    return std::nullopt;
}

int storeRefused(const store::StoreError& error) {
    return usage(QStringLiteral("produce: база станции: %1").arg(storeErrorText(error)));
}

// The store reachable and writable, the station's lease taken, enough free
// numbers where the store draws them; a usage error's exit code when not.
std::optional<int> checkStore(store::StationStore& s, store::StationLease& lease, const QString& station,
                              const Plan& plan) {
    const auto checked = s.check();
    // Numbers chosen by hand need no free ones, only a store that can be written.
    const bool onlyExhausted = !checked && plan.first && s.counts() && s.counts()->free == 0;
    if (!checked && !onlyExhausted) return storeRefused(checked.error);
    // Numbers that killed stations left reserved may have been sent.
    const auto abandoned = lease.take(store::thisProcess(station));
    if (!abandoned) return storeRefused(abandoned.error);
    if (*abandoned > 0)
        tell("notice", {{"notice", "abandoned_serials"}, {"count", double(*abandoned)}},
             QStringLiteral("%1 номер(ов), выданных прерванным станциям, переведены в unknown "
                            "(korvel-cli serials list)").arg(*abandoned));
    if (plan.first) return std::nullopt;
    const auto counts = s.counts();
    if (!counts) return storeRefused(counts.error);
    if (counts->free < plan.ports)
        return usage(QStringLiteral("produce: свободных серийных номеров %1, портов %2 (korvel-cli serials add)")
                         .arg(counts->free).arg(plan.ports));
    return std::nullopt;
}

std::optional<int> checkRecordFile(const Args& a) {
    if (a.record.isEmpty()) return std::nullopt;
    QFile csv(a.record);
    if (!csv.open(QIODevice::Append))
        return usage(QStringLiteral("produce: %1 не открывается: %2").arg(a.record, csv.errorString()));
    return std::nullopt;
}

// Runs the station and shows its summary; the exit code.
int runStation(const Args& a, const Plan& plan, store::StationStore& s, store::StationLease& lease,
               const QString& station) {
    StationOptions options;
    options.folder = a.folder;
    options.ports = a.ports;
    options.station = station;
    options.store = &s;
    options.firstSerial = plan.first;
    options.recordCsv = a.record;
    options.wireLog = a.wireLog;
    options.retries = plan.retries;
    Shown shown = stationShown(a, plan.watch);
    QString viewError;
    const auto view = StationView::start({a.http, a.httpToken, a.store}, station, a.ports, viewError);
    if (!viewError.isEmpty()) return usage(QStringLiteral("%1: %2").arg(a.command, viewError));
    if (view) shown.all.add(view->events());
    options.events = &shown.all;
    installStationInterrupt();
    const QString watched = a.watchFolder.isEmpty() ? store::defaultWatchFolder() : a.watchFolder;
    const StationRun run = plan.watch ? runWatchingStation(options, watched) : runProductionStation(options);

    // Threads of an interrupted run may still tell something: not after the summary.
    shown.all.close();
    bool allOk = run.storeErrors.isEmpty();
    for (const store::ProductionRecord& r : run.records) allOk = allOk && r.failure.isEmpty();
    const int code = allOk && !run.interrupted ? kDone : kFailed;
    if (a.json) {
        writeStationSummary(run, a.argv, plan.watch, code);
    } else {
        printStationTable(run, a.argv, plan.watch);
        for (const QString& e : run.storeErrors) std::fprintf(stderr, "korvel-cli: %s\n", e.toUtf8().constData());
    }
    if (run.interrupted) {
        // Threads may still be sending an image; none holds a number.
        lease.end();
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(kFailed);
    }
    return code;
}

}  // namespace

int produceCommand(const Args& a) {
    Plan plan;
    if (const auto refused = checkOptions(a, plan)) return *refused;
    const auto s = openStore(a.store);
    if (!s) return kUsage;
    const QString station = a.station.isEmpty() ? QSysInfo::machineHostName() : a.station;
    // The station holds a lease while it runs.
    store::StationLease lease(*s);
    if (const auto refused = checkStore(*s, lease, station, plan)) return *refused;
    if (const auto refused = checkRecordFile(a)) return *refused;
    return runStation(a, plan, *s, lease, station);
}

}  // namespace korvel::cli
