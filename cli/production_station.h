// The production page's automatic write for several devices at once, one
// thread per port, with a record of each device.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "wire_log.h"

namespace korvel::cli {

struct DeviceRecord {
    QString port;
    QString serialNumber;
    QString moduleType, coreVersion, applicationVersion;
    QStringList links;     // "ok" or "failed" for each of the eight links
    QString failure;       // the first failing link's message
    bool ok() const { return failure.isEmpty(); }
};

struct StationOptions {
    QString folder;
    qulonglong firstSerial = 0;
    QStringList ports;
    bool json = false;
    std::shared_ptr<WireLog> wireLog;  // every port's bytes, when set
};

extern const char* const kLinkNames[8];

// Runs the chain on every port at once; serial numbers go out in the order of
// the ports (first, first + 1, ...).
std::vector<DeviceRecord> runProductionStation(const StationOptions& options);

}  // namespace korvel::cli
