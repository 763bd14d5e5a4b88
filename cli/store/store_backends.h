// The databases behind StationStore; openStationStore() chooses.
#pragma once

#include <memory>

#include "station_store.h"

namespace korvel::store {

std::unique_ptr<StationStore> openSqliteStore(const QString& file, QString& error);
std::unique_ptr<StationStore> openPostgresqlStore(const QString& url, QString& error);

// The refusal texts both databases give, so that the operator reads the same
// words whichever store the station uses.
QString refusedBecause(quint32 number, std::optional<SerialState> current);

}  // namespace korvel::store
