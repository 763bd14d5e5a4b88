// What korvel-cli tells while a command runs, as typed events: a device's
// status and error lines, its progress, the production chain's links
// beginning and ending, a device's end, and the station's own notices.
// Each way of showing them (the status lines on stderr, a log file, JSON
// lines, the live lines of a terminal) is one `Events`; a command hands its
// events to every way it shows them at once (`EventFanout`).  Events come
// from the devices' threads: each implementation takes its own lock.
#pragma once

#include <QString>
#include <mutex>
#include <optional>
#include <vector>

#include "device_link/outcome.h"
#include "production/production_chain.h"
#include "station/station_store.h"

namespace korvel::cli {

enum class LineKind { Status, Error };

// Where the progress bar stands.  After an image was opened for a transfer
// it counts the image's bytes: `value` of `max` acknowledged.
struct ProgressMark {
    qint64 value = 0, max = 0;
    int percent = 0;
    bool bytes = false;
};

// How a link ended: as the device's record keeps it (name, ok, failed or
// skipped, attempts, milliseconds), and the outcome of its last attempt
// (absent when it was skipped or ended in an error of its own).
struct LinkEnd {
    store::LinkRecord record;
    const Outcome* outcome = nullptr;
};

// A message of the station itself, not of one device.
enum class Notice {
    FinishingDevices,  // the first Ctrl-C: running devices finish
};

class Events {
public:
    virtual ~Events() = default;
    // A status or error line of the device on `port`, its text as shown.
    virtual void line(const QString& port, LineKind kind, const QString& text) = 0;
    // The progress bar moved to another percentage; `link` is the chain's
    // link running, when a chain runs.
    virtual void progress(const QString& port, std::optional<ChainLink> link, const ProgressMark& mark) = 0;
    virtual void linkBegins(const QString& port, ChainLink link, int attempt) = 0;
    virtual void linkEnds(const QString& port, ChainLink link, const LinkEnd& end) = 0;
    // The device's record, as kept in the store.
    virtual void deviceEnds(const store::ProductionRecord& record) = 0;
    virtual void notice(Notice notice, const QString& text) = 0;
    // Nothing more is shown after this (what the run's summary follows).
    virtual void close() = 0;
};

// A way of showing events that keeps state of its own: it takes them one at
// a time under its lock and shows none after close(), so that each show*
// says only what one event shows.
class LockedEvents : public Events {
public:
    void line(const QString& port, LineKind kind, const QString& text) final {
        locked([&] { showLine(port, kind, text); });
    }
    void progress(const QString& port, std::optional<ChainLink> link, const ProgressMark& mark) final {
        locked([&] { showProgress(port, link, mark); });
    }
    void linkBegins(const QString& port, ChainLink link, int attempt) final {
        locked([&] { showLinkBegins(port, link, attempt); });
    }
    void linkEnds(const QString& port, ChainLink link, const LinkEnd& end) final {
        locked([&] { showLinkEnds(port, link, end); });
    }
    void deviceEnds(const store::ProductionRecord& record) final {
        locked([&] { showDeviceEnds(record); });
    }
    void notice(Notice notice, const QString& text) final {
        locked([&] { showNotice(notice, text); });
    }
    void close() final {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }

protected:
    virtual void showLine(const QString&, LineKind, const QString&) {}
    virtual void showProgress(const QString&, std::optional<ChainLink>, const ProgressMark&) {}
    virtual void showLinkBegins(const QString&, ChainLink, int) {}
    virtual void showLinkEnds(const QString&, ChainLink, const LinkEnd&) {}
    virtual void showDeviceEnds(const store::ProductionRecord&) {}
    virtual void showNotice(Notice, const QString&) {}

    std::mutex mutex_;

private:
    template <class Show>
    void locked(const Show& show) {
        std::lock_guard lock(mutex_);
        if (!closed_) show();
    }

    bool closed_ = false;
};

// Hands every event to several ways of showing them, in order.
class EventFanout : public Events {
public:
    void add(Events* events) {
        if (events) all_.push_back(events);
    }
    void line(const QString& port, LineKind kind, const QString& text) override {
        for (Events* e : all_) e->line(port, kind, text);
    }
    void progress(const QString& port, std::optional<ChainLink> link, const ProgressMark& mark) override {
        for (Events* e : all_) e->progress(port, link, mark);
    }
    void linkBegins(const QString& port, ChainLink link, int attempt) override {
        for (Events* e : all_) e->linkBegins(port, link, attempt);
    }
    void linkEnds(const QString& port, ChainLink link, const LinkEnd& end) override {
        for (Events* e : all_) e->linkEnds(port, link, end);
    }
    void deviceEnds(const store::ProductionRecord& record) override {
        for (Events* e : all_) e->deviceEnds(record);
    }
    void notice(Notice notice, const QString& text) override {
        for (Events* e : all_) e->notice(notice, text);
    }
    void close() override {
        for (Events* e : all_) e->close();
    }

private:
    std::vector<Events*> all_;
};

}  // namespace korvel::cli
