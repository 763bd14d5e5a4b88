// korvel-cli: the configurator's operations without a window, for scripts and
// production lines.  Exit codes: 0 done, 1 the device refused or the
// operation failed, 2 usage or input error, 3 port unusable.
#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QSysInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "configuration/config_read.h"
#include "configuration/config_write.h"
#include "device_link/controller_reset.h"
#include "cli/doctor.h"
#include "firmware/firmware_download.h"
#include "configuration/ini_file.h"
#include "cli/json_lines.h"
#include "cli/live_lines.h"
#include "configuration/memory_config_form.h"
#include "production/module_operations.h"
#include "station/port_identity.h"
#include "device_link/port_list.h"
#include "production/production_chain.h"
#include "cli/production_station.h"
#include "cli/settings_check.h"
#include "configuration/settings_store.h"
#include "cli/station_summary.h"
#include "cli/station_view.h"
#include "cli/status_lines.h"
#include "cli/store_commands.h"
#include "station/station_lease.h"
#include "station/station_store.h"
#include "cli/terminal.h"
#include "cli/terminal_host.h"
#include "device_link/serial/wire_log.h"

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
    "  produce, station: --http [АДРЕС:]ПОРТ [--http-token КЛЮЧ]\n"
    "                                         страница станции в браузере: гнёзда, их устройства\n"
    "                                         и итоги, вживую; только чтение; по умолчанию\n"
    "                                         на 127.0.0.1; на другом адресе — с ключом (без\n"
    "                                         --http-token ключ создаётся и выводится)\n"
    "  board --http [АДРЕС:]ПОРТ [--http-token КЛЮЧ] [--store S]\n"
    "                                         страница линии: гнёзда всех станций общей базы,\n"
    "                                         выход по часам, остаток номеров, номера unknown;\n"
    "                                         Ctrl-C — конец\n"
    "  serials add ПЕРВЫЙ ПОСЛЕДНИЙ [--store S]\n"
    "                                         добавить диапазон серийных номеров в базу станции\n"
    "  serials status|list [--store S]        сколько номеров свободно, выдано, записано, неизвестно\n"
    "                                         (list — и номера reserved и unknown поимённо)\n"
    "  serials release N [--store S]          вернуть в свободные номер unknown, которого точно\n"
    "                                         нет ни в одном устройстве\n"
    "  record export --csv|--jsonl [--since ВРЕМЯ] [--store S]\n"
    "                                         записи об устройствах (CSV через \";\" или по строке\n"
    "                                         JSON), с ВРЕМЕНИ ISO 8601 (2024-05-14T09:00)\n"
    "  doctor [--port P ...] [--folder ПАПКА] [--store S]\n"
    "                                         проверить порты, адаптеры, ModemManager, brltty,\n"
    "                                         базу станции и папку ПО; с --port — и ответ на AT;\n"
    "                                         у каждого замечания — как его исправить; код 1 — есть\n"
    "                                         проблема\n"
    "\n"
    "База станции (--store): файл SQLite (по умолчанию korvel/station.sqlite в папке\n"
    "данных пользователя) или postgresql://… для нескольких станций.\n"
    "\n"
    "Общие параметры:\n"
    "  --json       всё строками JSON на stdout, по объекту в строке: события устройств\n"
    "               (звено началось, ход, звено закончилось, устройство готово), затем итог\n"
    "  --log ФАЙЛ   дописывать в ФАЙЛ строки состояния устройств, с датой, временем и портом\n"
    "  --wire-log ФАЙЛ  дописывать в ФАЙЛ журнал обмена с портом: каждый байт, события порта\n"
    "  --help       эта справка\n"
    "  --version    версия программы\n"
    "\n"
    "Коды выхода: 0 — выполнено, 1 — устройство отказало или операция не удалась,\n"
    "2 — ошибка в параметрах или во входном файле, 3 — порт нельзя использовать.\n";

struct Args {
    QString command, port, output, folder, record, serial, store, since, station, retries, wireLogPath, logPath;
    QString http, httpToken;  // the view in the browser
    std::shared_ptr<WireLog> wireLog;
    std::shared_ptr<StatusLines> log;  // --log
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
        } else if (s == "--log") {
            if (!value(a.logPath)) return false;
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
        } else if (s == "--http") {
            if (!value(a.http)) return false;
        } else if (s == "--http-token") {
            if (!value(a.httpToken)) return false;
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

// The ways a command shows what its devices tell, all at once: JSON lines,
// or the status lines on stderr and the station's live lines; the log file.
struct Shown {
    std::unique_ptr<JsonEvents> json;
    std::unique_ptr<StatusLines> statusLines;
    std::unique_ptr<LiveLines> live;
    EventFanout all;
};

// One device: its status lines on stderr, the progress as a bar there when
// it is a terminal.
Shown singleShown(const Args& a) {
    Shown shown;
    if (a.json) shown.json = std::make_unique<JsonEvents>();
    else shown.statusLines = std::make_unique<StatusLines>(stderr, StatusLines::Form{false, isTerminal(stderr), false});
    shown.all.add(shown.json.get());
    shown.all.add(shown.statusLines.get());
    shown.all.add(a.log.get());
    return shown;
}

// The station: on a terminal one live line per port in place of the status
// lines (still written on stderr when that is no terminal); a watching
// station has its live lines always and no status lines.
Shown stationShown(const Args& a, bool watch) {
    Shown shown;
    if (a.json) {
        shown.json = std::make_unique<JsonEvents>();
    } else {
        const bool redraw = takesCursorControl(stdout);
        if (redraw || watch) shown.live = std::make_unique<LiveLines>(stdout, redraw);
        if (shown.live) shown.live->setPorts(a.ports);
        if (!watch && !(redraw && isTerminal(stderr)))
            shown.statusLines = std::make_unique<StatusLines>(stderr, StatusLines::Form{true, false, false});
    }
    shown.all.add(shown.json.get());
    shown.all.add(shown.live.get());
    shown.all.add(shown.statusLines.get());
    shown.all.add(a.log.get());
    return shown;
}

// One operation on one port: its host, ports and clock.
struct Single {
    Shown shown;
    TerminalHost host;
    std::shared_ptr<SerialPortFactory> ports;
    SystemClock clock;
    OperationContext ctx;
    Single(const Args& a)
        : shown(singleShown(a)),
          host(a.port, shown.all),
          ports(withWireLog(makeSystemSerialPortFactory(), a.wireLog)),
          ctx{host, *ports, clock} {}
};

// The command's exit code from its outcome; under --json, the outcome as the
// last line (type "result") with `more`.
int finished(const Args& a, const Outcome& outcome, const QJsonObject& more = {}) {
    const int code = exitCode(outcome);
    if (!a.json) return code;
    QJsonObject result = outcomeJson(outcome);
    for (auto it = more.begin(); it != more.end(); ++it) result.insert(it.key(), it.value());
    result.insert("type", "result");
    result.insert("command", a.command);
    result.insert("port", a.port);
    result.insert("exit_code", code);
    writeJsonLine(result);
    return code;
}

// A settings file's sections and keys as JSON: {"Config": {"PIN": "1234", ...}, ...}.
QJsonObject settingsJson(const QByteArray& bytes) {
    const IniFile ini = IniFile::fromBytes(bytes);
    QJsonObject sections;
    for (const QString& section : ini.sectionNames()) {
        QJsonObject keys;
        for (const QString& key : ini.keyNames(section)) keys.insert(key, ini.readString(section, key));
        sections.insert(section, keys);
    }
    return sections;
}

int readCommand(const Args& a) {
    Single s(a);
    MemoryConfigForm form;
    const Outcome read = readConfiguration(s.ctx, form);
    if (!read.ok()) return finished(a, read);
    QTemporaryDir dir;
    const QString target = a.output.isEmpty() ? dir.filePath(QStringLiteral("out.INI")) : a.output;
    const SaveSettingsResult saved = saveSettings(target, form);
    if (!saved.written) return usage(saved.error);
    if (!a.output.isEmpty()) return finished(a, read, {{"file", a.output}});
    QFile f(target);
    f.open(QIODevice::ReadOnly);
    const QByteArray bytes = f.readAll();
    if (a.json) return finished(a, read, {{"settings", settingsJson(bytes)}});
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    return kDone;
}

int writeCommand(const Args& a) {
    if (a.positional.size() != 1) return usage(QStringLiteral("write: нужен один файл настроек"));
    const QString file = a.positional.first();
    const QStringList faults = checkSettingsFile(file);
    if (!faults.isEmpty()) {
        if (a.json)
            writeJsonLine({{"type", "usage"}, {"file", file}, {"faults", QJsonArray::fromStringList(faults)},
                           {"text", faults.join(QStringLiteral("; "))}, {"exit_code", kUsage}});
        else
            for (const QString& f : faults)
                std::fprintf(stderr, "korvel-cli: %s: %s\n", file.toUtf8().constData(), f.toUtf8().constData());
        return kUsage;
    }
    Single s(a);
    MemoryConfigForm form;
    loadSettings(file, form);
    return finished(a, writeConfiguration(s.ctx, form));
}

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
        tell("notice", {{"notice", "abandoned_serials"}, {"count", double(*abandoned)}},
             QStringLiteral("%1 номер(ов), выданных прерванным станциям, переведены в unknown "
                            "(korvel-cli serials list)").arg(*abandoned));
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
    options.station = station;
    options.store = s.get();
    options.firstSerial = first;
    options.recordCsv = a.record;
    options.wireLog = a.wireLog;
    options.retries = retries;
    Shown shown = stationShown(a, watch);
    QString viewError;
    const auto view = StationView::start({a.http, a.httpToken, a.store}, station, a.ports, viewError);
    if (!viewError.isEmpty()) return usage(QStringLiteral("%1: %2").arg(a.command, viewError));
    if (view) shown.all.add(view->events());
    options.events = &shown.all;
    installStationInterrupt();
    const QString watched = a.watchFolder.isEmpty() ? store::defaultWatchFolder() : a.watchFolder;
    const StationRun run = watch ? runWatchingStation(options, watched) : runProductionStation(options);

    // Threads of an interrupted run may still tell something: not after the summary.
    shown.all.close();
    bool allOk = run.storeErrors.isEmpty();
    for (const store::ProductionRecord& r : run.records) allOk = allOk && r.failure.isEmpty();
    const int code = allOk && !run.interrupted ? kDone : kFailed;
    if (a.json) {
        writeStationSummary(run, a.argv, watch, code);
    } else {
        printStationTable(run, a.argv, watch);
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

// The port names, one a line (under --json one object each).
int portsCommand(const Args& a) {
    for (const QString& p : sortedPortList(systemPortNames())) {
        if (a.json) writeJsonLine({{"type", "port"}, {"name", p}});
        else std::printf("%s\n", p.toUtf8().constData());
    }
    return kDone;
}

// reset, identify, flash.
int deviceCommand(const Args& a) {
    Single s(a);
    if (a.command == "reset") return finished(a, resetController(s.ctx));
    if (a.command == "identify") {
        const Outcome id = identifyModule(s.ctx);
        if (id.result == Result::DeviceSilent) s.host.line(LineKind::Error, QStringLiteral("модуль не ответил"));
        if (!id.ok() || a.json) return finished(a, id);
        std::printf("module_type=%s\ncore_version=%s\n", id.moduleType.toUtf8().constData(),
                    id.coreVersion.toUtf8().constData());
        return kDone;
    }
    if (a.positional.size() != 1) return usage(QStringLiteral("flash: нужен один файл образа"));
    if (!QFile::exists(a.positional.first()))
        return usage(QStringLiteral("flash: нет файла %1").arg(a.positional.first()));
    return finished(a, a.updatePage ? updateFirmware(s.ctx, a.positional.first())
                                    : writeProductionImage(s.ctx, a.positional.first()));
}

// The files asked for: the wire log and the status lines' log.
bool openLogs(Args& a) {
    if (!a.wireLogPath.isEmpty()) {
        std::string reason;
        a.wireLog = WireLog::open(a.wireLogPath.toLocal8Bit().toStdString(), reason);
        if (!a.wireLog) {
            usage(QStringLiteral("не открывается журнал обмена %1: %2")
                      .arg(a.wireLogPath, QString::fromLocal8Bit(reason.c_str())));
            return false;
        }
    }
    if (!a.logPath.isEmpty()) {
        QString reason;
        a.log = StatusLines::openLog(a.logPath, reason);
        if (!a.log) {
            usage(QStringLiteral("не открывается журнал %1: %2").arg(a.logPath, reason));
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList argvList = QCoreApplication::arguments();
    if (argvList.contains("--help") || argvList.size() < 2) {
        std::fputs(kHelp, argvList.size() < 2 ? stderr : stdout);
        return argvList.size() < 2 ? kUsage : kDone;
    }
    setJsonOutput(argvList.contains("--json"));
    if (argvList.contains("--version")) {
        if (jsonOutput()) writeJsonLine({{"type", "version"}, {"version", KORVEL_VERSION}});
        else std::printf("korvel-cli %s\n", KORVEL_VERSION);
        return kDone;
    }
    Args a;
    QString error;
    if (!parse(argvList, a, error)) return usage(error);
    if (!openLogs(a)) return kUsage;
    if (a.command == "ports") return portsCommand(a);
    if (a.command == "produce" || a.command == "station") return produceCommand(a);
    if (a.command == "doctor")
        return a.positional.isEmpty() ? doctorCommand({a.ports, a.folder, a.store, a.json})
                                      : usage(QStringLiteral("doctor: лишний параметр %1").arg(a.positional.first()));
    if (a.command == "board") return boardCommand({a.http, a.httpToken, a.store});
    if (a.command == "serials") return serialsCommand(a.store, a.positional);
    if (a.command == "record") return recordCommand(a.store, a.positional, a.since, a.csv, a.jsonl);
    if (a.command != "read" && a.command != "write" && a.command != "reset" &&
        a.command != "identify" && a.command != "flash")
        return usage(QStringLiteral("неизвестная команда %1").arg(a.command));
    if (a.port.isEmpty()) return usage(QStringLiteral("%1: нужен --port").arg(a.command));
    if (a.command == "read") return readCommand(a);
    if (a.command == "write") return writeCommand(a);
    return deviceCommand(a);
}
