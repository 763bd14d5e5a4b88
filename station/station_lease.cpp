#include "station/station_lease.h"

#include <chrono>

namespace korvel::store {

StoreAnswer<qint64> StationLease::take(const LeaseHolder& holder, qint64 renewalMs) {
    end();
    const auto taken = store_.takeLease(holder);
    if (!taken) return StoreAnswer<qint64>::fail(taken.error);
    held_ = true;
    ending_ = false;
    renewer_ = std::thread([this, renewalMs] { renewUntilEnded(renewalMs); });
    return store_.abandonReserved(holder.station, kLeaseBoundMs);
}

void StationLease::end() {
    if (!held_) return;
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    wake_.notify_all();
    renewer_.join();
    held_ = false;
    store_.endLease();
}

void StationLease::renewUntilEnded(qint64 renewalMs) {
    std::unique_lock lock(mutex_);
    // A renewal that fails (the server out of reach) is tried again at the
    // next one; the bound leaves room for many.
    while (!wake_.wait_for(lock, std::chrono::milliseconds(renewalMs), [this] { return ending_; })) {
        lock.unlock();
        store_.renewLease();
        lock.lock();
    }
}

}  // namespace korvel::store
