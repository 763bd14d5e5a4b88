// A build without the PostgreSQL client library: only SQLite files.
#include "station/store_backends.h"

namespace korvel::store {

bool postgresqlAvailable() { return false; }

std::unique_ptr<StationStore> openPostgresqlStore(const QString&, QString& error) {
    error = QStringLiteral("эта сборка работает только с файлом SQLite; PostgreSQL недоступен");
    return nullptr;
}

}  // namespace korvel::store
