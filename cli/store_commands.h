// korvel-cli's commands on the station store: the serial number range
// (serials add|status|list|release) and the record's export.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "station/station_store.h"

namespace korvel::cli {

// Opens the store at `location` (empty: the default file); null, with the
// reason on stderr, when it cannot be opened.
std::unique_ptr<store::StationStore> openStore(const QString& location);

// serials add FIRST LAST | status | list | release N
int serialsCommand(const QString& storeLocation, const QStringList& arguments);
// record export --csv|--jsonl [--since TIME]
int recordCommand(const QString& storeLocation, const QStringList& arguments, const QString& since,
                  bool csv, bool jsonl);

}  // namespace korvel::cli
