#include "cli/station_summary.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QTextStream>

#include "cli/json_lines.h"

namespace korvel::cli {

namespace {

// A word as a POSIX shell reads it back.
QString shellWord(const QString& word) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./:=,+@%-]+$"));
    if (plain.match(word).hasMatch()) return word;
    QString quoted = word;
    quoted.replace(QLatin1String("'"), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

int firstPassed(const StationRun& run) {
    int passed = 0;
    for (const store::ProductionRecord& r : run.records)
        if (firstPass(r)) ++passed;
    return passed;
}

QStringList portsToRedo(const StationRun& run) {
    QStringList redo;
    for (const store::ProductionRecord& r : run.records)
        if (!r.failure.isEmpty()) redo << r.port;
    return redo;
}

}  // namespace

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

void printStationTable(const StationRun& run, const QStringList& argv, bool watch) {
    QTextStream out(stdout);
    out << QStringLiteral("%1  %2  %3  %4  %5  %6  %7\n")
               .arg("порт", -14).arg("модуль", -9).arg("ядро", -9).arg("приложение", -11)
               .arg("серийный", -9).arg("номер", -8).arg("звенья");
    for (const store::ProductionRecord& r : run.records) {
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
    const QStringList redo = portsToRedo(run);
    out << QStringLiteral("с первого раза: %1 из %2\n").arg(firstPassed(run)).arg(run.records.size());
    if (!redo.isEmpty() && !watch)
        out << QStringLiteral("переделать: %1\n  %2\n").arg(redo.join(QStringLiteral(", ")), redoCommand(argv, redo));
    out.flush();
}

void writeStationSummary(const StationRun& run, const QStringList& argv, bool watch, int exitCode) {
    QJsonArray rows;
    int done = 0;
    for (const store::ProductionRecord& r : run.records) {
        if (r.failure.isEmpty()) ++done;
        QJsonArray links;
        for (const store::LinkRecord& l : r.links)
            links.append(QJsonObject{{"name", l.name}, {"outcome", l.outcome}, {"attempts", l.attempts}});
        rows.append(QJsonObject{
            {"port", r.port},
            {"module_type", r.moduleType},
            {"core_version", r.coreVersion},
            {"application_version", r.applicationVersion},
            {"serial_number", r.serialNumber ? QJsonValue(store::serialText(*r.serialNumber)) : QJsonValue()},
            {"serial_state", r.serialNumber ? QJsonValue(store::serialStateName(r.serialState)) : QJsonValue()},
            {"links", links},
            {"failure", r.failure},
        });
    }
    const QStringList redo = portsToRedo(run);
    QJsonObject redoing{{"ports", QJsonArray::fromStringList(redo)}};
    if (!redo.isEmpty() && !watch) redoing.insert("command", redoCommand(argv, redo));
    const int devices = int(run.records.size());
    writeJsonLine({{"type", "summary"},
                   {"rows", rows},
                   {"counts", QJsonObject{{"devices", devices},
                                          {"done", done},
                                          {"failed", devices - done},
                                          {"first_pass", firstPassed(run)}}},
                   {"redo", redoing},
                   {"store_errors", QJsonArray::fromStringList(run.storeErrors)},
                   {"interrupted", run.interrupted},
                   {"exit_code", exitCode}});
}

}  // namespace korvel::cli
