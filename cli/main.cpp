// korvel-cli: the configurator's operations without a window, for scripts and
// production lines.  Exit codes: 0 done, 1 the device refused or the
// operation failed, 2 usage or input error, 3 port unusable.
#include <QCoreApplication>
#include <cstdio>

#include "cli/device_commands.h"
#include "cli/doctor.h"
#include "cli/station_view.h"
#include "cli/json_lines.h"
#include "cli/options.h"
#include "cli/produce_command.h"
#include "cli/store_commands.h"
#include "cli/terminal_host.h"
#include "operations/device_operations.h"

using namespace korvel;
using namespace korvel::cli;

namespace {

int doctor(const Args& a) {
    return a.positional.isEmpty() ? doctorCommand({a.ports, a.folder, a.store, a.json})
                                  : usage(QStringLiteral("doctor: лишний параметр %1").arg(a.positional.first()));
}
int serials(const Args& a) { return serialsCommand(a.store, a.positional); }
int board(const Args& a) { return boardCommand({a.http, a.httpToken, a.store}); }
int record(const Args& a) { return recordCommand(a.store, a.positional, a.since, a.csv, a.jsonl); }

struct CommandRow {
    const char* verb;
    bool needsPort;
    int (*run)(const Args&);
};

// Every command: its word, whether it works on one port, what runs it.
const CommandRow kCommands[] = {
    {"ports", false, portsCommand},     {"produce", false, produceCommand},
    {"station", false, produceCommand}, {"doctor", false, doctor},
    {"serials", false, serials},        {"record", false, record},
    {"board", false, board},
    {"read", true, readCommand},        {"write", true, writeCommand},
    {"identify", true, identifyCommand},
    {"flash", true, flashCommand},
};

int dispatch(const Args& a) {
    for (const CommandRow& c : kCommands) {
        if (a.command != QLatin1String(c.verb)) continue;
        if (c.needsPort && a.port.isEmpty()) return usage(QStringLiteral("%1: нужен --port").arg(a.command));
        return c.run(a);
    }
    if (const DeviceOperation* op = operationOfVerb(a.command)) {
        if (a.port.isEmpty()) return usage(QStringLiteral("%1: нужен --port").arg(a.command));
        return operationCommand(a, *op);
    }
    return usage(QStringLiteral("неизвестная команда %1").arg(a.command));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList argvList = QCoreApplication::arguments();
    if (argvList.contains("--help") || argvList.size() < 2) {
        std::fputs(helpText().toUtf8().constData(), argvList.size() < 2 ? stderr : stdout);
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
    if (!parseArguments(argvList, a, error)) return usage(error);
    if (!openLogs(a)) return kUsage;
    return dispatch(a);
}
