// korvel-cli: the configurator's operations without a window, for scripts and
// production lines.  Exit codes: 0 done, 1 the device refused or the
// operation failed, 2 usage or input error, 3 port unusable.
#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <unistd.h>

#include "config_read.h"
#include "config_write.h"
#include "controller_reset.h"
#include "firmware_download.h"
#include "memory_config_form.h"
#include "module_operations.h"
#include "port_identity.h"
#include "port_list.h"
#include "production_chain.h"
#include "production_station.h"
#include "settings_check.h"
#include "settings_store.h"
#include "store_commands.h"
#include "station_lease.h"
#include "station_store.h"
#include "terminal_host.h"
#include "wire_log.h"

using namespace korvel;
using namespace korvel::cli;

namespace {

const char kHelp[] =
    "Использование: korvel-cli КОМАНДА [параметры]\n"
    "\n"
    "Команды:\n"
    "  ports                                  список COM-портов\n"
    "  read --port P [-o ФАЙЛ]                считать конфигурацию; вывести её (или записать в ФАЙЛ)\n"
    "                                         в формате файла настроек окна\n"
    "  write --port P ФАЙЛ                    записать конфигурацию из файла настроек\n"
    "  reset --port P                         сброс контроллера\n"
    "  identify --port P                      тип модуля и версия ПО ядра\n"
    "  flash --port P ОБРАЗ [--update-page]   записать образ .dwl (по умолчанию — как на странице\n"
    "                                         \"Производство\"; --update-page — как на странице\n"
    "                                         \"Обновление ПО\")\n"
    "  produce --folder ПАПКА --port P1 [--port P2 ...] [--store S] [--station ИМЯ]\n"
    "          [--serial N] [--record CSV] [--retries N]\n"
    "                                         подготовить устройства на всех портах одновременно:\n"
    "                                         идентификация, поиск файлов в папке, удаление\n"
    "                                         приложения, три образа, старт, серийный номер\n"
    "                                         (следующий свободный из базы; с --serial — N, N+1, ...\n"
    "                                         в порядке портов); запись о каждом устройстве — в базу\n"
    "                                         (и в CSV); ИМЯ станции — по умолчанию имя компьютера;\n"
    "                                         --retries N — повторить неудавшееся звено до N раз,\n"
    "                                         где повтор безопасен\n"
    "  station --watch [ПАПКА] --folder ПАПКА [--store S] [--station ИМЯ] [--record CSV]\n"
    "          [--retries N]\n"
    "                                         то же для каждого порта, появившегося в ПАПКЕ\n"
    "                                         (по умолчанию /dev/serial/by-id; в Windows — список\n"
    "                                         COM-портов): следующее устройство в том же гнезде —\n"
    "                                         после того, как готовое отключено; Ctrl-C — конец\n"
    "  serials add ПЕРВЫЙ ПОСЛЕДНИЙ [--store S]\n"
    "                                         добавить диапазон серийных номеров в базу станции\n"
    "  serials status|list [--store S]        сколько номеров свободно, выдано, записано, неизвестно\n"
    "                                         (list — и номера reserved и unknown поимённо)\n"
    "  serials release N [--store S]          вернуть в свободные номер unknown, которого точно\n"
    "                                         нет ни в одном устройстве\n"
    "  record export --csv|--jsonl [--since ВРЕМЯ] [--store S]\n"
    "                                         записи об устройствах (CSV через \";\" или по строке\n"
    "                                         JSON), с ВРЕМЕНИ ISO 8601 (2024-05-14T09:00)\n"
    "\n"
    "База станции (--store): файл SQLite (по умолчанию korvel/station.sqlite в папке\n"
    "данных пользователя) или postgresql://… для нескольких станций.\n"
    "\n"
    "Общие параметры:\n"
    "  --json       сообщения строками JSON\n"
    "  --wire-log ФАЙЛ  дописывать в ФАЙЛ журнал обмена с портом: каждый байт, события порта\n"
    "  --help       эта справка\n"
    "  --version    версия программы\n"
    "\n"
    "Коды выхода: 0 — выполнено, 1 — устройство отказало или операция не удалась,\n"
    "2 — ошибка в параметрах или во входном файле, 3 — порт нельзя использовать.\n";

struct Args {
    QString command, port, output, folder, record, serial, store, since, station, retries, wireLogPath;
    std::shared_ptr<WireLog> wireLog;
    QStringList ports, positional;
    QStringList argv;  // as given
    bool watch = false;
    QString watchFolder;
    bool json = false, updatePage = false, csv = false, jsonl = false;
};

bool parse(const QStringList& argv, Args& a, QString& error) {
    a.argv = argv;
    for (int i = 1; i < argv.size(); ++i) {
        const QString& s = argv[i];
        auto value = [&](QString& into) {
            if (i + 1 >= argv.size()) {
                error = QStringLiteral("нет значения у %1").arg(s);
                return false;
            }
            into = argv[++i];
            return true;
        };
        if (s == "--json") a.json = true;
        else if (s == "--update-page") a.updatePage = true;
        else if (s == "--port") {
            QString p;
            if (!value(p)) return false;
            a.ports << p;
            a.port = a.ports.first();
        } else if (s == "-o" || s == "--output") {
            if (!value(a.output)) return false;
        } else if (s == "--folder") {
            if (!value(a.folder)) return false;
        } else if (s == "--serial") {
            if (!value(a.serial)) return false;
        } else if (s == "--record") {
            if (!value(a.record)) return false;
        } else if (s == "--wire-log") {
            if (!value(a.wireLogPath)) return false;
        } else if (s == "--store") {
            if (!value(a.store)) return false;
        } else if (s == "--station") {
            if (!value(a.station)) return false;
        } else if (s == "--watch") {
            a.watch = true;
            // The folder is optional.
            if (i + 1 < argv.size() && !argv[i + 1].startsWith(u'-')) a.watchFolder = argv[++i];
        } else if (s == "--retries") {
            if (!value(a.retries)) return false;
        } else if (s == "--since") {
            if (!value(a.since)) return false;
        } else if (s == "--csv") {
            a.csv = true;
        } else if (s == "--jsonl") {
            a.jsonl = true;
        } else if (s.startsWith(u'-') && s.size() > 1) {
            error = QStringLiteral("неизвестный параметр %1").arg(s);
            return false;
        } else if (a.command.isEmpty()) a.command = s;
        else a.positional << s;
    }
    return true;
}

// One operation on one port: its host, ports and clock.
struct Single {
    TerminalHost host;
    std::shared_ptr<SerialPortFactory> ports;
    SystemClock clock;
    OperationContext ctx;
    Single(const Args& a)
        : host(a.port, QString(), a.json),
          ports(withWireLog(makeSystemSerialPortFactory(), a.wireLog)),
          ctx{host, *ports, clock} {}
};

int readCommand(const Args& a) {
    Single s(a);
    MemoryConfigForm form;
    const Outcome read = readConfiguration(s.ctx, form);
    if (!read.ok()) return exitCode(read);
    QTemporaryDir dir;
    const QString target = a.output.isEmpty() ? dir.filePath(QStringLiteral("out.INI")) : a.output;
    const SaveSettingsResult saved = saveSettings(target, form);
    if (!saved.written) return usage(saved.error);
    if (a.output.isEmpty()) {
        QFile f(target);
        f.open(QIODevice::ReadOnly);
        const QByteArray bytes = f.readAll();
        std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    }
    return kDone;
}

int writeCommand(const Args& a) {
    if (a.positional.size() != 1) return usage(QStringLiteral("write: нужен один файл настроек"));
    const QStringList faults = checkSettingsFile(a.positional.first());
    if (!faults.isEmpty()) {
        for (const QString& f : faults)
            std::fprintf(stderr, "korvel-cli: %s: %s\n", a.positional.first().toUtf8().constData(),
                         f.toUtf8().constData());
        return kUsage;
    }
    Single s(a);
    MemoryConfigForm form;
    loadSettings(a.positional.first(), form);
    return exitCode(writeConfiguration(s.ctx, form));
}

// A word as a POSIX shell reads it back.
QString shellWord(const QString& word) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./:=,+@%-]+$"));
    if (plain.match(word).hasMatch()) return word;
    QString quoted = word;
    quoted.replace(QLatin1String("'"), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// The command line that runs the same station again on `ports` alone.
// Numbers given by hand (--serial) are not given again: they went, in the
// order of the first run's ports, to devices that may hold them now.
QString redoCommand(const QStringList& argv, const QStringList& ports) {
    QStringList words{shellWord(argv.value(0))};
    for (int i = 1; i < argv.size(); ++i) {
        if (argv[i] == "--port" || argv[i] == "--serial") {
            ++i;
            continue;
        }
        words << shellWord(argv[i]);
    }
    for (const QString& p : ports) words << QStringLiteral("--port") << shellWord(p);
    return words.join(u' ');
}

// One line per port of the watching station, each showing what its device
// is doing: redrawn in place on a terminal, else a line for each change.
class LiveLines {
public:
    void show(const QString& port, const QString& text) {
        std::lock_guard lock(mutex_);
        if (!isatty(fileno(stdout))) {
            std::printf("%s  %s\n", port.toUtf8().constData(), text.toUtf8().constData());
            std::fflush(stdout);
            return;
        }
        if (!lines_.contains(port)) order_ << port;
        lines_[port] = text;
        if (drawn_ > 0) std::printf("\033[%dA", drawn_);
        for (const QString& p : order_)
            std::printf("\r%s  %s\033[K\n", p.toUtf8().constData(), lines_[p].toUtf8().constData());
        drawn_ = int(order_.size());
        std::fflush(stdout);
    }

private:
    std::mutex mutex_;
    QStringList order_;
    QHash<QString, QString> lines_;
    int drawn_ = 0;
};

// Everything that can stop the station is checked before any device hears a
// byte: the firmware files, the store (reachable, writable, enough numbers)
// and the CSV file.  Each refusal is a usage error (2).
int produceCommand(const Args& a) {
    // The watching station prepares one device per port as they come.
    const bool watch = a.command == "station";
    if (watch && (!a.watch || !a.ports.isEmpty() || !a.serial.isEmpty()))
        return usage(QStringLiteral("station: нужен --watch [ПАПКА], без --port и --serial"));
    const qsizetype ports = watch ? 1 : a.ports.size();
    std::optional<quint32> first;
    if (!a.serial.isEmpty()) {
        first = store::parseSerial(a.serial);
        if (!first) return usage(QStringLiteral("produce: --serial N — до 8 цифр"));
        if (qulonglong(*first) + qulonglong(ports) - 1 > store::kLastSerial)
            return usage(QStringLiteral("produce: серийные номера выходят за 8 цифр"));
    }
    if (a.folder.isEmpty() || ports == 0)
        return usage(QStringLiteral("produce: нужны --folder и хотя бы один --port"));
    bool retriesOk = true;
    const int retries = a.retries.isEmpty() ? 0 : a.retries.toInt(&retriesOk);
    if (!retriesOk || retries < 0 || retries > 9) return usage(QStringLiteral("produce: --retries N — от 0 до 9"));
    const QString missing = missingFirmwareFiles(a.folder);
    if (!missing.isEmpty()) return usage(QStringLiteral("produce: %1").arg(missing));

    const auto s = openStore(a.store);
    if (!s) return kUsage;
    const QString station = a.station.isEmpty() ? QSysInfo::machineHostName() : a.station;
    const auto checked = s->check();
    // Numbers chosen by hand need no free ones, only a store that can be written.
    const bool onlyExhausted = !checked && first && s->counts() && s->counts()->free == 0;
    if (!checked && !onlyExhausted) return usage(QStringLiteral("produce: база станции: %1").arg(checked.error));
    // The station holds a lease while it runs; numbers that killed stations
    // left reserved may have been sent.
    store::StationLease lease(*s);
    const auto abandoned = lease.take(store::thisProcess(station));
    if (!abandoned) return usage(QStringLiteral("produce: база станции: %1").arg(abandoned.error));
    if (*abandoned > 0)
        std::fprintf(stderr, "korvel-cli: %lld номер(ов), выданных прерванным станциям, переведены в unknown "
                             "(korvel-cli serials list)\n",
                     static_cast<long long>(*abandoned));
    if (!first) {
        const auto counts = s->counts();
        if (!counts) return usage(QStringLiteral("produce: база станции: %1").arg(counts.error));
        if (counts->free < ports)
            return usage(QStringLiteral("produce: свободных серийных номеров %1, портов %2 (korvel-cli serials add)")
                             .arg(counts->free).arg(ports));
    }
    if (!a.record.isEmpty()) {
        QFile csv(a.record);
        if (!csv.open(QIODevice::Append))
            return usage(QStringLiteral("produce: %1 не открывается: %2").arg(a.record, csv.errorString()));
    }

    StationOptions options;
    options.folder = a.folder;
    options.ports = a.ports;
    options.json = a.json;
    options.station = station;
    options.store = s.get();
    options.firstSerial = first;
    options.recordCsv = a.record;
    options.wireLog = a.wireLog;
    options.retries = retries;
    installStationInterrupt();
    LiveLines live;
    if (watch) {
        options.quiet = true;
        options.progress = [&live](const QString& port, const QString& text) { live.show(port, text); };
    }
    const QString watched = a.watchFolder.isEmpty() ? store::defaultWatchFolder() : a.watchFolder;
    const StationRun run = watch ? runWatchingStation(options, watched) : runProductionStation(options);

    QTextStream out(stdout);
    out << QStringLiteral("%1  %2  %3  %4  %5  %6  %7\n")
               .arg("порт", -14).arg("модуль", -9).arg("ядро", -9).arg("приложение", -11)
               .arg("серийный", -9).arg("номер", -8).arg("звенья");
    bool allOk = run.storeErrors.isEmpty();
    for (const store::ProductionRecord& r : run.records) {
        allOk = allOk && r.failure.isEmpty();
        QStringList links;
        for (const store::LinkRecord& l : r.links)
            links << l.name + u'=' + l.outcome + (l.attempts > 1 ? QStringLiteral("x%1").arg(l.attempts) : QString());
        out << QStringLiteral("%1  %2  %3  %4  %5  %6  %7\n")
                   .arg(r.port, -14).arg(r.moduleType, -9).arg(r.coreVersion, -9)
                   .arg(r.applicationVersion, -11)
                   .arg(r.serialNumber ? store::serialText(*r.serialNumber) : QString(), -9)
                   .arg(r.serialNumber ? store::serialStateName(r.serialState) : QString(), -8)
                   .arg(links.join(' '));
    }
    // First-pass yield: devices done without any link run again, of all.
    int firstPassed = 0;
    QStringList redo;
    for (const store::ProductionRecord& r : run.records) {
        if (firstPass(r)) ++firstPassed;
        if (!r.failure.isEmpty()) redo << r.port;
    }
    out << QStringLiteral("с первого раза: %1 из %2\n").arg(firstPassed).arg(run.records.size());
    if (!redo.isEmpty() && !watch)
        out << QStringLiteral("переделать: %1\n  %2\n").arg(redo.join(QStringLiteral(", ")), redoCommand(a.argv, redo));
    out.flush();
    for (const QString& e : run.storeErrors) std::fprintf(stderr, "korvel-cli: %s\n", e.toUtf8().constData());
    const int code = allOk ? kDone : kFailed;
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

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList argvList = QCoreApplication::arguments();
    if (argvList.contains("--help") || argvList.size() < 2) {
        std::fputs(kHelp, argvList.size() < 2 ? stderr : stdout);
        return argvList.size() < 2 ? kUsage : kDone;
    }
    if (argvList.contains("--version")) {
        std::printf("korvel-cli %s\n", KORVEL_VERSION);
        return kDone;
    }
    Args a;
    QString error;
    if (!parse(argvList, a, error)) return usage(error);
    if (!a.wireLogPath.isEmpty()) {
        std::string reason;
        a.wireLog = WireLog::open(a.wireLogPath.toLocal8Bit().toStdString(), reason);
        if (!a.wireLog)
            return usage(QStringLiteral("не открывается журнал обмена %1: %2")
                             .arg(a.wireLogPath, QString::fromLocal8Bit(reason.c_str())));
    }
    if (a.command == "ports") {
        for (const QString& p : sortedPortList(systemPortNames())) std::printf("%s\n", p.toUtf8().constData());
        return kDone;
    }
    if (a.command == "produce" || a.command == "station") return produceCommand(a);
    if (a.command == "serials") return serialsCommand(a.store, a.positional);
    if (a.command == "record") return recordCommand(a.store, a.positional, a.since, a.csv, a.jsonl);
    if (a.command != "read" && a.command != "write" && a.command != "reset" &&
        a.command != "identify" && a.command != "flash")
        return usage(QStringLiteral("неизвестная команда %1").arg(a.command));
    if (a.port.isEmpty()) return usage(QStringLiteral("%1: нужен --port").arg(a.command));
    if (a.command == "read") return readCommand(a);
    if (a.command == "write") return writeCommand(a);

    Single s(a);
    if (a.command == "reset") return exitCode(resetController(s.ctx));
    if (a.command == "identify") {
        const Outcome id = identifyModule(s.ctx);
        if (id.result == Result::DeviceSilent) s.host.line("error", QStringLiteral("модуль не ответил"));
        if (!id.ok()) return exitCode(id);
        std::printf("module_type=%s\ncore_version=%s\n", id.moduleType.toUtf8().constData(),
                    id.coreVersion.toUtf8().constData());
        return kDone;
    }
    if (a.positional.size() != 1) return usage(QStringLiteral("flash: нужен один файл образа"));
    if (!QFile::exists(a.positional.first()))
        return usage(QStringLiteral("flash: нет файла %1").arg(a.positional.first()));
    return exitCode(a.updatePage ? updateFirmware(s.ctx, a.positional.first())
                                 : writeProductionImage(s.ctx, a.positional.first()));
}
