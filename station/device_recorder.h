// One device's record as a station keeps it, the same for korvel-cli's
// stations and for the production page: the number reserved just before the
// serial number link, each link's outcome and time with what the links
// learned (module, versions, image files and their SHA-256), the number's
// state from what the device did with it, and the record kept in the store
// with that state in one transaction.
#pragma once

#include <optional>

#include "device_link/outcome.h"
#include "production/production_chain.h"
#include "station/station_store.h"

namespace korvel::store {

class DeviceRecorder {
public:
    // A device on `port` at the station recording as `station`; started now.
    DeviceRecorder(const QString& station, const QString& port);

    const ProductionRecord& record() const { return record_; }
    ProductionRecord& record() { return record_; }
    // A number reserved whose record is not yet kept.
    bool holdsNumber() const { return holdsNumber_; }

    // Reserves `chosen` (refused unless free or new) or, without it, the
    // store's lowest free number, for this device.
    StoreAnswer<quint32> reserve(StationStore& store, std::optional<quint32> chosen);

    // Adds one finished link: `skipped` when it did not run (the station was
    // stopping, or it drew no number).  The first failing link becomes the
    // record's failure; after the serial number link the number's state
    // follows what the device did.
    void linkEnded(ChainLink link, const Outcome* outcome, const ChainState& state, qint64 durationMs,
                   int attempts = 1, bool skipped = false);

    // Keeps the record, finished now; when the store refuses it, the number
    // at least leaves "reserved" for its true state.  The number is no longer
    // held either way.
    StoreAnswer<bool> keep(StationStore& store);

private:
    ProductionRecord record_;
    bool holdsNumber_ = false;
};

// The application version as AT+ZQVER? reported it, without the reply's
// tail: its first line.
QString applicationVersionText(const QString& reported);

// What a reserved number becomes after the serial number link: stored when
// the device confirmed it, free when it provably never went out, unknown
// otherwise.  No outcome (the link ended in an error of its own): unknown.
SerialState serialStateAfter(const Outcome* serialLink);

}  // namespace korvel::store
