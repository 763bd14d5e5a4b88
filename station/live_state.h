// What the station's view serves: one JSON text of the whole state, with a
// number that grows at every change.  Whoever changes the state (a device's
// thread, the board's reader) takes the lock only to change a few fields; the
// JSON is made by the readers (the server's threads), once per change, so
// that no device waits for a browser.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

namespace korvel::store {

class LiveState {
public:
    virtual ~LiveState() = default;

    struct Snapshot {
        quint64 version = 0;
        QByteArray json;
    };
    // The state now, as compact JSON.
    Snapshot snapshot();
    // Waits until the state is newer than `seen`, `timeout` at most; true when it is.
    bool waitNewer(quint64 seen, std::chrono::milliseconds timeout);
    quint64 version() const {
        std::lock_guard lock(mutex_);
        return version_;
    }
    // Wakes every waiter (the server stopping).
    void wakeAll();
    // One device's whole record (as the exports write it) by its id in the
    // state's list of last devices; none when it is not there.
    virtual std::optional<QByteArray> device(qint64 id) = 0;

protected:
    // The state as JSON; called with `mutex_` held.
    virtual QJsonObject build() const = 0;
    // After a change; with `mutex_` held.
    void changed() {
        ++version_;
        changedSignal_.notify_all();
    }

    mutable std::mutex mutex_;

private:
    std::condition_variable changedSignal_;
    quint64 version_ = 1;
    Snapshot cached_;
};

}  // namespace korvel::store
