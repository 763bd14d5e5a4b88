#include "cli/production_station.h"

#include "station/device_recorder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "production/firmware_files.h"
#include "device_link/port_list.h"
#include "production/production_chain.h"
#include "station/record_format.h"
#include "texts/report_texts.h"
#include "texts/store_texts.h"
#include "cli/terminal_host.h"

namespace korvel::cli {

namespace {

std::atomic<int> interrupts{0};

extern "C" void onInterrupt(int) {
    interrupts.fetch_add(1);
    // A third Ctrl-C ends the process at once; its reserved numbers become
    // unknown at the station's next start.
    if (interrupts.load() >= 2) std::signal(SIGINT, SIG_DFL);
    else std::signal(SIGINT, onInterrupt);
}

bool stopping() { return interrupts.load() >= 2; }

// One device as its thread and the main thread both see it; every field is
// taken under `mutex`.
struct Device {
    Device(const QString& station, const QString& port) : recorder(station, port) {}
    std::mutex mutex;
    store::DeviceRecorder recorder;
    bool recorded = false;     // its record is kept (by its thread, or as interrupted)
    QString storeError;
};

struct Shared {
    const StationOptions& options;
    std::mutex doneMutex;
    std::condition_variable doneChanged;
    int running = 0;
    // Every device's thread.  A run that ends normally joins them, so that
    // none is still ending when the table is printed and the process exits.
    std::vector<std::thread> threads;
};

std::mutex csvMutex;

// Keeps the device's record in the store and the CSV file; under its mutex.
void keepRecord(const StationOptions& options, Device& d) {
    const auto kept = d.recorder.keep(*options.store);
    const store::ProductionRecord& record = d.recorder.record();
    if (!kept) d.storeError = QStringLiteral("%1: запись в базу станции не сохранена: %2").arg(record.port, storeErrorText(kept.error));
    d.recorded = true;
    if (!options.recordCsv.isEmpty()) {
        const QString why = appendCsvRecord(options.recordCsv, record);
        if (!why.isEmpty()) d.storeError += (d.storeError.isEmpty() ? QString() : QStringLiteral("; ")) + why;
    }
    options.events->deviceEnds(record);
}

// Draws the device's number right before its serial number link, so that a
// device failing earlier takes none; under its mutex.  False when the store
// refuses: the record says why.
bool drawNumber(const StationOptions& options, Device& d, int index, ChainState& state) {
    std::optional<quint32> chosen;
    if (options.firstSerial) chosen = *options.firstSerial + quint32(index);
    const auto number = d.recorder.reserve(*options.store, chosen);
    if (!number) {
        d.recorder.record().failure = QStringLiteral("serial: %1").arg(store::storeErrorSummary(number.error));
        return false;
    }
    state.serialNumber = store::serialText(*number);
    return true;
}

// Keeps the record once the chain has ended, unless it was kept as
// interrupted meanwhile.
void finishRecord(const StationOptions& options, Device& d) {
    std::lock_guard lock(d.mutex);
    if (d.recorded) return;
    store::ProductionRecord& r = d.recorder.record();
    if (stopping() && r.failure.isEmpty() && r.links.size() < std::size_t(kChainLinks))
        r.failure = QStringLiteral("interrupted");
    keepRecord(options, d);
}

// One device's chain as its thread runs it: the hooks around each link.
struct DeviceRun {
    DeviceRun(const StationOptions& options, Device& d, int index, const QString& port)
        : options(options), d(d), index(index), port(port), host(port, *options.events) {
        state.folder = options.folder;
    }

    const StationOptions& options;
    Device& d;
    int index;
    QString port;
    TerminalHost host;
    ChainState state;
    qint64 linkStarted = 0;
    bool skipped = false;
    int attempts = 0;  // of the running link

    void around(ChainLink link, const std::function<void()>& run) {
        const bool repeat = attempts > 0;
        {
            std::lock_guard lock(d.mutex);
            if (d.recorded || stopping()) {
                skipped = !repeat;
                return;
            }
            // A repeated serial number link keeps its number: it was never sent.
            if (link == ChainLink::SerialNumber && !d.recorder.holdsNumber() && !drawNumber(options, d, index, state)) {
                skipped = true;
                return;
            }
        }
        if (repeat)
            host.line(LineKind::Status,
                      linkRepeatText(QString::fromLatin1(chainLinkName(link)), attempts + 1, options.retries + 1));
        else
            linkStarted = QDateTime::currentMSecsSinceEpoch();
        ++attempts;
        host.setLink(link);
        options.events->linkBegins(port, link, attempts);
        run();
    }

    void after(ChainLink link, const Outcome* outcome) {
        std::lock_guard lock(d.mutex);
        if (d.recorded) return;  // recorded as interrupted meanwhile
        d.recorder.linkEnded(link, outcome, state, QDateTime::currentMSecsSinceEpoch() - linkStarted, attempts,
                             skipped);
        host.setLink(std::nullopt);
        options.events->linkEnds(port, link, {d.recorder.record().links.back(), skipped ? nullptr : outcome});
    }

    ChainHooks hooks() {
        ChainHooks h;
        h.retries = options.retries;
        h.before = [this](ChainLink) {
            skipped = false;
            attempts = 0;
        };
        h.around = [this](ChainLink link, const std::function<void()>& run) { around(link, run); };
        h.after = [this](ChainLink link, const Outcome* outcome) { after(link, outcome); };
        return h;
    }
};

// A device's thread.  Nothing it runs may match a QRegularExpression: Qt
// keeps a JIT stack per thread for that, and with mingw-w64's emulated TLS
// its destructor runs at the thread's end on storage already freed, so the
// Windows station faulted after the device's last link.
void prepareDevice(Shared& shared, Device& d, int index) {
    const StationOptions& options = shared.options;
    QString port;
    {
        std::lock_guard lock(d.mutex);
        port = d.recorder.record().port;
    }
    DeviceRun device(options, d, index, port);
    const auto ports = withWireLog(makeSystemSerialPortFactory(), options.wireLog);
    SystemClock clock;
    OperationContext ctx{device.host, *ports, clock};
    runProductionChain(ctx, systemFileProbe(), device.state, device.hooks());
    finishRecord(options, d);
    std::lock_guard lock(shared.doneMutex);
    --shared.running;
    shared.doneChanged.notify_all();
}

}  // namespace

bool firstPass(const store::ProductionRecord& record) {
    if (!record.failure.isEmpty()) return false;
    for (const store::LinkRecord& l : record.links)
        if (l.attempts > 1) return false;
    return true;
}

QString missingFirmwareFiles(const QString& folder) {
    QStringList missing;
    for (ImageKind kind : {ImageKind::BootLoader, ImageKind::Application}) {
        const QString path = imageFileInFolder(folder, kind, QString());
        if (!QFileInfo(path).isFile()) missing << QFileInfo(path).fileName();
    }
    if (QDir(folder).entryList({QStringLiteral("firmware_*.dwl")}, QDir::Files).isEmpty())
        missing << QStringLiteral("firmware_*.dwl");
    if (missing.isEmpty()) return QString();
    return QStringLiteral("в папке %1 нет файлов: %2").arg(folder, missing.join(QStringLiteral(", ")));
}

QString appendCsvRecord(const QString& file, const store::ProductionRecord& record) {
    std::lock_guard lock(csvMutex);
    QFile csv(file);
    const bool fresh = !csv.exists() || csv.size() == 0;
    if (!csv.open(QIODevice::Append))
        return QStringLiteral("%1: не открывается: %2").arg(file, csv.errorString());
    QByteArray rows = store::recordsToCsv({record});
    if (!fresh) rows.remove(0, rows.indexOf("\r\n") + 2);  // the header is there already
    if (csv.write(rows) != rows.size() || !csv.flush())
        return QStringLiteral("%1: не записывается: %2").arg(file, csv.errorString());
    return QString();
}

void installStationInterrupt() { std::signal(SIGINT, onInterrupt); }

namespace {

std::shared_ptr<Device> newDevice(const StationOptions& options, const QString& port) {
    return std::make_shared<Device>(options.station, port);
}

void startDevice(Shared* kept, const std::shared_ptr<Device>& d, int index) {
    std::lock_guard lock(kept->doneMutex);
    ++kept->running;
    kept->threads.emplace_back([kept, d, index] { prepareDevice(*kept, *d, index); });
}

bool recorded(Device& d) {
    std::lock_guard lock(d.mutex);
    return d.recorded;
}

// Waits until every device is recorded, or a second Ctrl-C stops them.
StationRun finishDevices(Shared* kept, const std::vector<std::shared_ptr<Device>>& devices) {
    const StationOptions& options = kept->options;
    StationRun run;
    bool told = false;
    std::unique_lock lock(kept->doneMutex);
    while (kept->running > 0) {
        kept->doneChanged.wait_for(lock, std::chrono::milliseconds(100));
        if (interrupts.load() == 1 && !told) {
            told = true;
            options.events->notice(Notice::FinishingDevices,
                                   QStringLiteral("устройства на портах доделываются; остановить сразу — "
                                                  "ещё раз Ctrl-C"));
        }
        if (!stopping()) continue;
        // Stop now: every device not holding a number is recorded as
        // interrupted; one holding a number is waited for (its serial number
        // link is short) so that no number stays reserved without its record.
        bool holders = false;
        lock.unlock();
        for (auto& d : devices) {
            std::lock_guard dl(d->mutex);
            if (d->recorded) continue;
            if (d->recorder.holdsNumber()) {
                holders = true;
                continue;
            }
            if (d->recorder.record().failure.isEmpty()) d->recorder.record().failure = QStringLiteral("interrupted");
            keepRecord(options, *d);
        }
        lock.lock();
        if (!holders) {
            run.interrupted = true;
            break;
        }
    }
    // Stopped by a second Ctrl-C, threads may still be sending: the caller
    // ends the process without them.  Otherwise each has said it is done and
    // only its last steps are left.
    std::vector<std::thread> threads = std::move(kept->threads);
    kept->threads.clear();
    lock.unlock();
    for (std::thread& t : threads) {
        if (run.interrupted)
            t.detach();
        else
            t.join();
    }
    for (auto& d : devices) {
        std::lock_guard dl(d->mutex);
        run.records.push_back(d->recorder.record());
        if (!d->storeError.isEmpty()) run.storeErrors << d->storeError;
    }
    return run;
}

QStringList watchedPorts(const QString& folder) {
    if (folder.isEmpty()) return systemPortNames();
    QStringList ports;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name))
        ports << dir.absoluteFilePath(name);
    return ports;
}

}  // namespace

StationRun runProductionStation(const StationOptions& options) {
    // Held by the threads too: an interrupted run returns while some still run.
    std::vector<std::shared_ptr<Device>> devices;
    for (const QString& port : options.ports) devices.push_back(newDevice(options, port));
    // Leaked on purpose: an interrupted run leaves threads that still use it.
    auto* kept = new Shared{options, {}, {}, 0, {}};
    for (int i = 0; i < int(devices.size()); ++i) startDevice(kept, devices[std::size_t(i)], i);
    return finishDevices(kept, devices);
}

StationRun runWatchingStation(const StationOptions& options, const QString& folder) {
    auto* kept = new Shared{options, {}, {}, 0, {}};
    std::vector<std::shared_ptr<Device>> devices;
    // A port held: its device, kept from the port's appearance until the
    // device is recorded and the port has gone (the device unplugged).
    std::map<QString, std::shared_ptr<Device>> held;
    while (interrupts.load() == 0) {
        const QStringList present = watchedPorts(folder);
        for (auto it = held.begin(); it != held.end();) {
            if (!present.contains(it->first) && recorded(*it->second))
                it = held.erase(it);
            else
                ++it;
        }
        for (const QString& port : present) {
            if (held.count(port)) continue;
            auto d = newDevice(options, port);
            held[port] = d;
            devices.push_back(d);
            startDevice(kept, d, 0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    return finishDevices(kept, devices);
}

}  // namespace korvel::cli
