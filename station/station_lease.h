// A running station's lease on its name, renewed in a thread of its own while
// the station runs and ended (deleted) when it ends.  A station killed never
// ends it: the lease stays until the next station's start judges it gone.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

#include "station/station_store.h"

namespace korvel::store {

class StationLease {
public:
    explicit StationLease(StationStore& store) : store_(store) {}
    ~StationLease() { end(); }
    StationLease(const StationLease&) = delete;
    StationLease& operator=(const StationLease&) = delete;

    // Takes the holder's lease, turns what stations that are gone left
    // reserved into unknown (StationStore::abandonReserved) and renews the
    // lease every renewalMs from then on.  The answer: how many numbers
    // moved.
    StoreAnswer<qint64> take(const LeaseHolder& holder, qint64 renewalMs = kLeaseRenewalMs);

    // Stops renewing and ends the lease; nothing when none is held.
    void end();

private:
    void renewUntilEnded(qint64 renewalMs);

    StationStore& store_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool ending_ = false;
    bool held_ = false;
    std::thread renewer_;
};

}  // namespace korvel::store
