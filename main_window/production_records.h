// Devices prepared on the production page, recorded in the station store the
// way korvel-cli's station records its own: the number from the page's field
// reserved before it goes out, then its state from what the device did, and
// one record per automatic write or serial number button.  The page records
// as a station of its own, "<host name>-window", holding a lease on that name
// while it records.  A silent extra:
// when the store cannot be opened or refuses the number, the page works and
// shows exactly what it shows without it.
#pragma once

#include <QString>
#include <memory>

#include "device_link/outcome.h"
#include "production/production_chain.h"

namespace korvel {

namespace store {
class StationStore;
class StationLease;
class DeviceRecorder;
}  // namespace store

class ProductionRecords {
public:
    // `location`: the store as korvel-cli's --store takes it; empty: the
    // default file.  `port`: the port the page works on.
    ProductionRecords(const QString& location, const QString& port);
    ~ProductionRecords();

    // Before and after each link the page runs, with the state the link
    // read (the serial number link reserves the field's number before it).
    void before(ChainLink link, const ChainState& state);
    void after(ChainLink link, const Outcome* outcome, const ChainState& state);
    // Keeps the record (the last call).
    void finish();

private:
    std::unique_ptr<store::StationStore> store_;
    std::unique_ptr<store::StationLease> lease_;  // ended before the store closes
    std::unique_ptr<store::DeviceRecorder> recorder_;
    qint64 linkStarted_ = 0;
};

}  // namespace korvel
