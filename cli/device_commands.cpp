#include "cli/device_commands.h"

#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <cstdio>

#include "cli/display.h"
#include "cli/settings_check.h"
#include "cli/terminal_host.h"
#include "configuration/config_read.h"
#include "configuration/config_write.h"
#include "configuration/ini_file.h"
#include "configuration/memory_config_form.h"
#include "configuration/settings_store.h"
#include "device_link/port_list.h"
#include "firmware/firmware_download.h"
#include "operations/device_operations.h"
#include "production/module_operations.h"
#include "texts/report_texts.h"

namespace korvel::cli {

namespace {

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

}  // namespace

int portsCommand(const Args& a) {
    for (const QString& p : sortedPortList(systemPortNames())) {
        if (a.json) writeJsonLine({{"type", "port"}, {"name", p}});
        else std::printf("%s\n", p.toUtf8().constData());
    }
    return kDone;
}

int readCommand(const Args& a) {
    Single s(a);
    MemoryConfigForm form;
    const Outcome read = readConfiguration(s.ctx, form);
    if (!read.ok()) return finished(a, read);
    QTemporaryDir dir;
    const QString target = a.output.isEmpty() ? dir.filePath(QStringLiteral("out.INI")) : a.output;
    const SaveSettingsResult saved = saveSettings(target, form);
    if (!saved.written) return usage(settingsNotWrittenText(saved.path, saved.reason));
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

int operationCommand(const Args& a, const DeviceOperation& op) {
    Single s(a);
    return finished(a, op.run(s.ctx, OperationInput{a.serial}));
}

int identifyCommand(const Args& a) {
    Single s(a);
    const Outcome id = identifyModule(s.ctx);
    if (id.result == Result::DeviceSilent) s.host.line(LineKind::Error, QStringLiteral("модуль не ответил"));
    if (!id.ok() || a.json) return finished(a, id);
    std::printf("module_type=%s\ncore_version=%s\n", id.moduleType.toUtf8().constData(),
                id.coreVersion.toUtf8().constData());
    return kDone;
}

int flashCommand(const Args& a) {
    if (a.positional.size() != 1) return usage(QStringLiteral("flash: нужен один файл образа"));
    if (!QFile::exists(a.positional.first()))
        return usage(QStringLiteral("flash: нет файла %1").arg(a.positional.first()));
    Single s(a);
    return finished(a, a.updatePage ? updateFirmware(s.ctx, a.positional.first())
                                    : writeProductionImage(s.ctx, a.positional.first()));
}

}  // namespace korvel::cli
