// The production page's automatic write for several devices at once, one
// thread per port.  Serial numbers come from the station store: each device
// draws one just before its serial number link, and the number's state
// follows what the device did with it; each device's record goes into the
// store, in the same transaction, as soon as that device has finished.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "cli/events.h"
#include "device_link/outcome.h"
#include "station/station_store.h"
#include "device_link/serial/wire_log.h"

namespace korvel::cli {

struct StationOptions {
    QString folder;
    QStringList ports;
    QString station;                     // the station's name in the store
    store::StationStore* store = nullptr;
    // A number chosen by hand instead of the store's next: N, N + 1, ... in
    // the order of the ports, each reserved in the store just the same.
    std::optional<quint32> firstSerial;
    QString recordCsv;                   // each device's record also appended here
    std::shared_ptr<WireLog> wireLog;    // every port's bytes, when set
    int retries = 0;                     // a failed link runs again at most this often, where safe
    // What the devices tell as they go (their lines, progress, links and
    // ends) and the station's notices; from the devices' threads.
    Events* events = nullptr;
};

// Why the station must not start, or empty: the firmware folder lacks the
// boot loader, the application or any module firmware.
QString missingFirmwareFiles(const QString& folder);

// Appends one record to a CSV file (the header first when the file is new or
// empty), in the store's export form.  Empty when written, else why not.
QString appendCsvRecord(const QString& file, const store::ProductionRecord& record);

// Done without any link run again.
bool firstPass(const store::ProductionRecord& record);

struct StationRun {
    std::vector<store::ProductionRecord> records;  // in the order of the ports
    QStringList storeErrors;                       // records or numbers the store refused
    bool interrupted = false;                      // stopped by a second Ctrl-C
};

// Ctrl-C while the station runs: the first lets running devices finish, the
// second stops them at the next safe point (a device in its serial number
// link finishes that link and keeps its record; the others are recorded as
// interrupted).  Installed once before runProductionStation.
void installStationInterrupt();

// Runs the chain on every port at once and returns when every device is
// recorded.  After an interrupted run, threads may still be sending an image:
// the caller ends the process without waiting for them.
StationRun runProductionStation(const StationOptions& options);

// The station without a list of ports: every port that appears in `folder`
// (a link in /dev/serial/by-id; empty folder: the system's port list, as on
// Windows), looked at twice a second, has the chain run on it in a thread of
// its own.  When its device is done the port is ready for the next device once
// that one is unplugged (the port gone); a device left plugged in is not
// prepared twice.  Ctrl-C stops watching, then as in runProductionStation.
StationRun runWatchingStation(const StationOptions& options, const QString& folder);

}  // namespace korvel::cli
