// A build without the PostgreSQL client library: only SQLite files.
#include "station/store_backends.h"

namespace korvel::store {

bool postgresqlAvailable() { return false; }

std::unique_ptr<StationStore> openPostgresqlStore(const QString&, StoreError& error) {
    error = StoreError::of(StoreFailure::PostgresqlAbsent);
    return nullptr;
}

}  // namespace korvel::store
