// Draws serial numbers from a station store as a station does for each
// device: a number reserved, then the device's record kept with the number
// stored.  Prints each number drawn; several of these at once play several
// stations (the store's concurrency test and scripts/store-benchmark.sh).
//
//   korvel_store_draw --store S --station NAME --count N [--reserve-only] [--start-at MS]
//
// --start-at: the first draw waits for this moment (milliseconds since the
// epoch), so that stations started one after another draw at the same time.
#include <QCoreApplication>
#include <QDateTime>
#include <QThread>
#include <cstdio>

#include "station/station_store.h"

using namespace korvel::store;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    auto option = [&](const char* name) {
        const qsizetype i = args.indexOf(QLatin1String(name));
        return i > 0 && i + 1 < args.size() ? args[i + 1] : QString();
    };
    const QString station = option("--station");
    const int count = option("--count").toInt();
    const bool reserveOnly = args.contains(QStringLiteral("--reserve-only"));
    StoreError error;
    const auto store = openStationStore(option("--store"), error);
    if (!store) {
        std::fprintf(stderr, "korvel_store_draw: %s\n", storeErrorSummary(error).toUtf8().constData());
        return 1;
    }
    const qint64 startAt = option("--start-at").toLongLong();
    while (QDateTime::currentMSecsSinceEpoch() < startAt) QThread::msleep(1);
    for (int i = 0; i < count; ++i) {
        const auto number = store->reserveNextSerial(station, QStringLiteral("draw"));
        if (!number) {
            std::fprintf(stderr, "korvel_store_draw: %s\n", storeErrorSummary(number.error).toUtf8().constData());
            return 1;
        }
        if (!reserveOnly) {
            ProductionRecord record;
            record.station = station;
            record.port = QStringLiteral("draw");
            record.started = record.finished = QDateTime::currentDateTimeUtc();
            record.serialNumber = *number;
            record.serialState = SerialState::Stored;
            const auto kept = store->writeDeviceRecord(record);
            if (!kept) {
                std::fprintf(stderr, "korvel_store_draw: %s\n", storeErrorSummary(kept.error).toUtf8().constData());
                return 1;
            }
        }
        std::printf("%u\n", *number);
    }
    return 0;
}
