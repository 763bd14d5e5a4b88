// The databases behind StationStore; openStationStore() chooses.
#pragma once

#include <memory>

#include "station/station_store.h"

namespace korvel::store {

std::unique_ptr<StationStore> openSqliteStore(const QString& file, StoreError& error);
std::unique_ptr<StationStore> openPostgresqlStore(const QString& url, StoreError& error);

// A lease as a station sees it when it judges: who holds it and how long
// since it was renewed.
struct LeaseSeen {
    qint64 id = 0;
    LeaseHolder holder;
    qint64 silentMs = 0;
};

// Whether a lease's holder is gone: not renewed for longer than boundMs, or
// held by a process of this machine that no longer runs.
bool holderGone(const LeaseSeen& lease, qint64 boundMs);

}  // namespace korvel::store
