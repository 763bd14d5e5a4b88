#include "cli/store_commands.h"

#include <QDateTime>
#include <QJsonArray>
#include <cstdio>

#include "cli/json_lines.h"
#include "station/record_format.h"
#include "cli/terminal_host.h"
#include "texts/store_texts.h"

namespace korvel::cli {

namespace {

int storeFailed(const store::StoreError& error) {
    tell("store_error", {{"exit_code", kFailed}}, storeErrorText(error));
    return kFailed;
}

// The counts of a store's numbers, and under --json with `list` the numbers
// still open, as one object.
int showSerials(store::StationStore& s, bool list) {
    const auto counts = s.counts();
    if (!counts) return storeFailed(counts.error);
    store::StoreAnswer<std::vector<store::OpenSerial>> open{std::vector<store::OpenSerial>(), {}};
    if (list) open = s.openSerials();
    if (!open) return storeFailed(open.error);
    if (jsonOutput()) {
        QJsonObject o{{"type", "serials"},         {"store", s.location()},
                      {"free", double(counts->free)}, {"reserved", double(counts->reserved)},
                      {"stored", double(counts->stored)}, {"unknown", double(counts->unknown)}};
        QJsonArray numbers;
        for (const store::OpenSerial& n : *open)
            numbers.append(QJsonObject{{"serial_number", store::serialText(n.number)},
                                       {"serial_state", store::serialStateName(n.state)},
                                       {"station", n.station},
                                       {"port", n.port},
                                       {"changed", store::isoTime(n.changed)}});
        if (list) o.insert("open", numbers);
        writeJsonLine(o);
        return kDone;
    }
    std::printf("база: %s\nfree %lld\nreserved %lld\nstored %lld\nunknown %lld\n",
                s.location().toUtf8().constData(), static_cast<long long>(counts->free),
                static_cast<long long>(counts->reserved), static_cast<long long>(counts->stored),
                static_cast<long long>(counts->unknown));
    for (const store::OpenSerial& o : *open)
        std::printf("%s %s %s %s %s\n", store::serialText(o.number).toUtf8().constData(),
                    store::serialStateName(o.state).toUtf8().constData(), o.station.toUtf8().constData(),
                    o.port.toUtf8().constData(), store::isoTime(o.changed).toUtf8().constData());
    return kDone;
}

}  // namespace

std::unique_ptr<store::StationStore> openStore(const QString& location) {
    store::StoreError error;
    auto opened = store::openStationStore(location, error);
    if (!opened) tell("store_error", {}, QStringLiteral("база станции: %1").arg(storeErrorText(error)));
    return opened;
}

int serialsCommand(const QString& storeLocation, const QStringList& p) {
    const QString sub = p.value(0);
    if (sub == "add") {
        const auto first = store::parseSerial(p.value(1)), last = store::parseSerial(p.value(2));
        if (p.size() != 3 || !first || !last || *first > *last)
            return usage(QStringLiteral("serials add: нужны ПЕРВЫЙ и ПОСЛЕДНИЙ номера (до 8 цифр, по возрастанию)"));
        if (qint64(*last) - *first + 1 > store::kMaxRangeSize)
            return usage(QStringLiteral("serials add: не больше %1 номеров за раз").arg(store::kMaxRangeSize));
        const auto s = openStore(storeLocation);
        if (!s) return kFailed;
        const auto added = s->addSerialRange(*first, *last);
        if (!added) return storeFailed(added.error);
        if (jsonOutput())
            writeJsonLine({{"type", "serials_added"}, {"added", double(*added)}, {"of", double(*last - *first + 1)}});
        else
            std::printf("добавлено номеров: %lld из %lld\n", static_cast<long long>(*added),
                        static_cast<long long>(*last - *first + 1));
        return kDone;
    }
    if (sub == "release") {
        const auto number = store::parseSerial(p.value(1));
        if (p.size() != 2 || !number) return usage(QStringLiteral("serials release: нужен один номер"));
        const auto s = openStore(storeLocation);
        if (!s) return kFailed;
        const auto released = s->releaseUnknown(*number);
        if (!released) return storeFailed(released.error);
        if (jsonOutput())
            writeJsonLine({{"type", "serial_released"}, {"serial_number", store::serialText(*number)}});
        else
            std::printf("номер %s снова свободен\n", store::serialText(*number).toUtf8().constData());
        return kDone;
    }
    if ((sub != "status" && sub != "list") || p.size() != 1)
        return usage(QStringLiteral("serials: add, status, list или release"));
    const auto s = openStore(storeLocation);
    if (!s) return kFailed;
    const int shown = showSerials(*s, sub == "list");
    if (shown != kDone) return shown;
    const auto checked = s->check();
    if (!checked) return storeFailed(checked.error);
    return kDone;
}

int recordCommand(const QString& storeLocation, const QStringList& arguments, const QString& sinceText,
                  bool csv, bool jsonl) {
    // Under --json the records are JSON lines already; a CSV cannot be.
    if (jsonOutput() && csv) return usage(QStringLiteral("record export: --json не сочетается с --csv"));
    if (jsonOutput()) jsonl = true;
    if (arguments != QStringList{"export"} || csv == jsonl)
        return usage(QStringLiteral("record export: нужен --csv или --jsonl"));
    QDateTime since;
    if (!sinceText.isEmpty()) {
        since = QDateTime::fromString(sinceText, Qt::ISODateWithMs);
        if (!since.isValid()) return usage(QStringLiteral("--since: время ISO 8601, например 2024-05-14T09:00"));
    }
    const auto s = openStore(storeLocation);
    if (!s) return kFailed;
    const auto records = s->exportRecords(since);
    if (!records) return storeFailed(records.error);
    const QByteArray out = csv ? store::recordsToCsv(*records) : store::recordsToJsonLines(*records);
    std::fwrite(out.constData(), 1, static_cast<std::size_t>(out.size()), stdout);
    return kDone;
}

}  // namespace korvel::cli
