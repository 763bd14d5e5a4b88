// The station's view over HTTP: the page (from the program's resources), the
// state as JSON and as server-sent events, one device's record, and the
// store's records as CSV and JSON lines.  It only reads.  It listens on
// 127.0.0.1 unless told an address; with a token every request must carry it
// (?token=… or "Authorization: Bearer …"), else 401.  A bounded number of
// threads serve it, each request small, each event stream one of a bounded
// number; a browser that reads slowly holds one of those threads only.
#pragma once

#include <QString>
#include <atomic>
#include <memory>
#include <optional>
#include <thread>

#include "station/live_state.h"
#include "station/station_store.h"

namespace korvel::store {

struct ViewAddress {
    QString host = QStringLiteral("127.0.0.1");
    int port = 0;
};
// "[ADDR:]PORT" (PORT 1..65535); none when it is not that.
std::optional<ViewAddress> parseViewAddress(const QString& text);
// 127.0.0.1, ::1, localhost and the like: only this machine reaches it.
bool loopbackHost(const QString& host);
// A fresh random token (32 hex digits).
QString newViewToken();

// At most this many event streams at once; one more is answered 503.
constexpr int kMaxViewStreams = 32;
// Server threads: the streams and a few plain requests beside them.
constexpr int kViewThreads = kMaxViewStreams + 8;
// Pushes to one stream at most this often.
constexpr int kViewPushGapMs = 100;

class ViewServer {
public:
    // `records`: where the exports are read from (a connection of the view's
    // own), or none.
    ViewServer(LiveState& state, StationStore* records);
    ~ViewServer();
    ViewServer(const ViewServer&) = delete;
    ViewServer& operator=(const ViewServer&) = delete;

    // Listens on `address` in a thread of its own; `token` empty: none asked.
    // Empty when listening, else why not.
    QString start(const ViewAddress& address, const QString& token);
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::thread listening_;
};

}  // namespace korvel::store
