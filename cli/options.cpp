#include "cli/options.h"

#include <vector>

#include "cli/status_lines.h"
#include "cli/terminal_host.h"

namespace korvel::cli {

namespace {

// How an option takes its value.
enum class Takes {
    Flag,           // --json: no value
    Value,          // --folder F
    Port,           // --port P, again for each port
    OptionalValue,  // --watch [F]: a value when the next word is not an option
};

struct OptionRow {
    const char* name;
    Takes takes;
    QString Args::*value = nullptr;
    bool Args::*flag = nullptr;
};

const std::vector<OptionRow>& optionTable() {
    static const std::vector<OptionRow> rows = {
        {"--json", Takes::Flag, nullptr, &Args::json},
        {"--update-page", Takes::Flag, nullptr, &Args::updatePage},
        {"--csv", Takes::Flag, nullptr, &Args::csv},
        {"--jsonl", Takes::Flag, nullptr, &Args::jsonl},
        {"--port", Takes::Port},
        {"-o", Takes::Value, &Args::output},
        {"--output", Takes::Value, &Args::output},
        {"--folder", Takes::Value, &Args::folder},
        {"--serial", Takes::Value, &Args::serial},
        {"--record", Takes::Value, &Args::record},
        {"--wire-log", Takes::Value, &Args::wireLogPath},
        {"--log", Takes::Value, &Args::logPath},
        {"--store", Takes::Value, &Args::store},
        {"--station", Takes::Value, &Args::station},
        {"--watch", Takes::OptionalValue, &Args::watchFolder, &Args::watch},
        {"--retries", Takes::Value, &Args::retries},
        {"--http", Takes::Value, &Args::http},
        {"--http-token", Takes::Value, &Args::httpToken},
        {"--since", Takes::Value, &Args::since},
    };
    return rows;
}

const OptionRow* findOption(const QString& word) {
    for (const OptionRow& row : optionTable())
        if (word == QLatin1String(row.name)) return &row;
    return nullptr;
}

// Takes the option at argv[i] (and its value, moving i past it).
bool takeOption(const OptionRow& row, const QStringList& argv, int& i, Args& a, QString& error) {
    const bool hasNext = i + 1 < argv.size();
    if (row.flag) a.*row.flag = true;
    switch (row.takes) {
        case Takes::Flag: return true;
        case Takes::OptionalValue:
            if (hasNext && !argv[i + 1].startsWith(u'-')) a.*row.value = argv[++i];
            return true;
        case Takes::Value:
        case Takes::Port: break;
    }
    if (!hasNext) {
        error = QStringLiteral("нет значения у %1").arg(argv[i]);
        return false;
    }
    const QString value = argv[++i];
    if (row.takes == Takes::Value) {
        a.*row.value = value;
    } else {
        a.ports << value;
        a.port = a.ports.first();
    }
    return true;
}

}  // namespace

bool parseArguments(const QStringList& argv, Args& a, QString& error) {
    a.argv = argv;
    for (int i = 1; i < argv.size(); ++i) {
        const QString& s = argv[i];
        if (const OptionRow* row = findOption(s)) {
            if (!takeOption(*row, argv, i, a, error)) return false;
        } else if (s.startsWith(u'-') && s.size() > 1) {
            error = QStringLiteral("неизвестный параметр %1").arg(s);
            return false;
        } else if (a.command.isEmpty()) {
            a.command = s;
        } else {
            a.positional << s;
        }
    }
    return true;
}

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

}  // namespace korvel::cli
