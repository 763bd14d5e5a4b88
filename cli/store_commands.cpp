#include "store_commands.h"

#include <QDateTime>
#include <cstdio>

#include "record_format.h"
#include "terminal_host.h"

namespace korvel::cli {

namespace {

int storeFailed(const QString& error) {
    std::fprintf(stderr, "korvel-cli: %s\n", error.toUtf8().constData());
    return kFailed;
}

}  // namespace

std::unique_ptr<store::StationStore> openStore(const QString& location) {
    QString error;
    auto opened = store::openStationStore(location, error);
    if (!opened) std::fprintf(stderr, "korvel-cli: база станции: %s\n", error.toUtf8().constData());
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
        std::printf("номер %s снова свободен\n", store::serialText(*number).toUtf8().constData());
        return kDone;
    }
    if ((sub != "status" && sub != "list") || p.size() != 1)
        return usage(QStringLiteral("serials: add, status, list или release"));
    const auto s = openStore(storeLocation);
    if (!s) return kFailed;
    const auto counts = s->counts();
    if (!counts) return storeFailed(counts.error);
    std::printf("база: %s\nfree %lld\nreserved %lld\nstored %lld\nunknown %lld\n",
                s->location().toUtf8().constData(), static_cast<long long>(counts->free),
                static_cast<long long>(counts->reserved), static_cast<long long>(counts->stored),
                static_cast<long long>(counts->unknown));
    if (sub == "list") {
        const auto open = s->openSerials();
        if (!open) return storeFailed(open.error);
        for (const store::OpenSerial& o : *open)
            std::printf("%s %s %s %s %s\n", store::serialText(o.number).toUtf8().constData(),
                        store::serialStateName(o.state).toUtf8().constData(), o.station.toUtf8().constData(),
                        o.port.toUtf8().constData(), store::isoTime(o.changed).toUtf8().constData());
    }
    const auto checked = s->check();
    if (!checked) return storeFailed(checked.error);
    return kDone;
}

int recordCommand(const QString& storeLocation, const QStringList& arguments, const QString& sinceText,
                  bool csv, bool jsonl) {
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
