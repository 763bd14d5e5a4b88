// korvel-cli: the configurator's operations without a window, for scripts and
// production lines.  Exit codes: 0 done, 1 the device refused or the
// operation failed, 2 usage or input error, 3 port unusable.
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>

#include "config_read.h"
#include "config_write.h"
#include "controller_reset.h"
#include "firmware_download.h"
#include "memory_config_form.h"
#include "module_operations.h"
#include "port_list.h"
#include "production_station.h"
#include "settings_check.h"
#include "settings_store.h"
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
    "  produce --folder ПАПКА --serial N --port P1 [--port P2 ...] [--record CSV] [--reuse-failed]\n"
    "                                         подготовить устройства на всех портах одновременно:\n"
    "                                         идентификация, поиск файлов в папке, удаление\n"
    "                                         приложения, три образа, старт, серийный номер\n"
    "                                         (N, N+1, ... в порядке портов)\n"
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
    QString command, port, output, folder, record, serial, wireLogPath;
    std::shared_ptr<WireLog> wireLog;
    QStringList ports, positional;
    bool json = false, updatePage = false, reuseFailed = false;
};

int usage(const QString& message) {
    std::fprintf(stderr, "korvel-cli: %s\n(korvel-cli --help — справка)\n", message.toUtf8().constData());
    return kUsage;
}

bool parse(const QStringList& argv, Args& a, QString& error) {
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
        else if (s == "--reuse-failed") a.reuseFailed = true;
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
    readConfiguration(s.ctx, form);
    if (s.host.worstExit() != kDone) return s.host.worstExit();
    if (!s.host.statuses().contains(QStringLiteral(" Конфигурация прочитана"))) return kFailed;
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
    writeConfiguration(s.ctx, form);
    if (s.host.worstExit() != kDone) return s.host.worstExit();
    return s.host.statuses().contains(QStringLiteral(" Конфигурация записана")) ? kDone : kFailed;
}

int produceCommand(const Args& a) {
    bool ok = false;
    const qulonglong first = a.serial.toULongLong(&ok);
    if (a.folder.isEmpty() || !ok || a.serial.size() > 8 || a.ports.isEmpty())
        return usage(QStringLiteral("produce: нужны --folder, --serial N (до 8 цифр) и хотя бы один --port"));
    if (first + qulonglong(a.ports.size()) - 1 > 99999999ULL)
        return usage(QStringLiteral("produce: серийные номера выходят за 8 цифр"));
    StationOptions options{a.folder, first, a.ports, a.json, a.wireLog};
    const std::vector<DeviceRecord> records = runProductionStation(options);

    QTextStream out(stdout);
    out << QStringLiteral("%1  %2  %3  %4  %5  %6\n")
               .arg("порт", -14).arg("модуль", -9).arg("ядро", -9).arg("приложение", -11)
               .arg("серийный", -9).arg("звенья");
    bool allOk = true;
    for (const DeviceRecord& r : records) {
        allOk = allOk && r.ok();
        QStringList links;
        for (int i = 0; i < r.links.size(); ++i)
            links << QString::fromLatin1(kLinkNames[i]) + u'=' + r.links[i];
        out << QStringLiteral("%1  %2  %3  %4  %5  %6\n")
                   .arg(r.port, -14).arg(r.moduleType, -9).arg(r.coreVersion, -9)
                   .arg(r.applicationVersion, -11).arg(r.serialNumber, -9).arg(links.join(' '));
    }
    out.flush();
    if (!a.record.isEmpty()) {
        QFile csv(a.record);
        const bool fresh = !csv.exists() || csv.size() == 0;
        if (!csv.open(QIODevice::Append)) return usage(QStringLiteral("не открывается %1").arg(a.record));
        QTextStream rec(&csv);
        if (fresh)
            rec << "port;module_type;core_version;application_version;serial_number;serial_used;"
                   "outcome;links;failure\n";
        for (const DeviceRecord& r : records) {
            // A failed device keeps its number out of use unless told otherwise.
            const bool used = r.ok() || !a.reuseFailed;
            QStringList fields{r.port, r.moduleType, r.coreVersion, r.applicationVersion,
                               r.serialNumber, used ? "yes" : "no", r.ok() ? "ok" : "failed",
                               r.links.join(','), r.failure};
            for (QString& f : fields) f.replace(u';', u',').replace(u'\n', u' ');
            rec << fields.join(u';') << '\n';
        }
    }
    return allOk ? kDone : kFailed;
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
    if (a.command == "produce") return produceCommand(a);
    if (a.command != "read" && a.command != "write" && a.command != "reset" &&
        a.command != "identify" && a.command != "flash")
        return usage(QStringLiteral("неизвестная команда %1").arg(a.command));
    if (a.port.isEmpty()) return usage(QStringLiteral("%1: нужен --port").arg(a.command));
    if (a.command == "read") return readCommand(a);
    if (a.command == "write") return writeCommand(a);

    Single s(a);
    if (a.command == "reset") {
        resetController(s.ctx);
    } else if (a.command == "identify") {
        const auto id = identifyModule(s.ctx);
        if (s.host.worstExit() != kDone) return s.host.worstExit();
        if (!id) {
            s.host.line("error", QStringLiteral("модуль не ответил"));
            return kFailed;
        }
        std::printf("module_type=%s\ncore_version=%s\n", id->moduleType.toUtf8().constData(),
                    id->coreVersion.toUtf8().constData());
    } else {
        if (a.positional.size() != 1) return usage(QStringLiteral("flash: нужен один файл образа"));
        if (!QFile::exists(a.positional.first()))
            return usage(QStringLiteral("flash: нет файла %1").arg(a.positional.first()));
        if (a.updatePage)
            runFirmwareDownload(s.ctx, a.positional.first(), GaugeId::CGauge1, DownloadEntry::UpdatePage);
        else
            writeProductionImage(s.ctx, a.positional.first());
        if (s.host.worstExit() == kDone && !s.host.statuses().isEmpty() &&
            s.host.statuses().last().startsWith(QStringLiteral(" ПО не записано")))
            return kFailed;
    }
    return s.host.worstExit();
}
