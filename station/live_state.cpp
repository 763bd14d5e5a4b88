#include "station/live_state.h"

#include <QJsonDocument>

namespace korvel::store {

LiveState::Snapshot LiveState::snapshot() {
    std::unique_lock lock(mutex_);
    if (cached_.version == version_) return cached_;
    const quint64 version = version_;
    const QJsonObject state = build();
    // Written out without the lock: the devices' threads go on meanwhile.
    lock.unlock();
    Snapshot made{version, QJsonDocument(state).toJson(QJsonDocument::Compact)};
    lock.lock();
    if (cached_.version < version) cached_ = made;
    return made;
}

bool LiveState::waitNewer(quint64 seen, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changedSignal_.wait_for(lock, timeout, [&] { return version_ > seen; });
}

void LiveState::wakeAll() {
    std::lock_guard lock(mutex_);
    changedSignal_.notify_all();
}

}  // namespace korvel::store
