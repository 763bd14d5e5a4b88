// A sink for dialogue tests: records every report, box, log line and note
// as the typed value the operation gave, with the port's use and the
// message pumps, in order.  No text of the window is made here.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <ostream>
#include <utility>
#include <vector>

#include "device_link/operation_sink.h"
#include "device_link/serial/clock.h"

namespace korvel {
// gtest names the reports by their keys.
inline void PrintTo(Status s, std::ostream* out) { *out << "status " << s.key; }
inline void PrintTo(Box b, std::ostream* out) { *out << "box " << b.key; }
}  // namespace korvel

namespace korvel::test {

// The event tokens of `RecordingHost::events` for the typed values.
inline QString event(Status s) { return QStringLiteral("status:") + QLatin1String(s.key); }
inline QString event(Box b) { return QStringLiteral("box:") + QLatin1String(b.key); }
inline QString event(LogNote n) { return QStringLiteral("note:%1").arg(int(n)); }

class RecordingGauge : public Gauge {
public:
    void setMin(int value) override { min_ = value; setProgress(pos_); }
    void setMax(int value) override { max_ = value; setProgress(pos_); }
    void setProgress(int value) override;
    int progress() const override { return pos_; }
    int min() const override { return min_; }
    int max() const override { return max_; }
    void setVisible(bool visible) override { visible_ = visible; ++visibilityChanges; }
    bool isVisible() const override { return visible_; }
    int visibilityChanges = 0;
    int highest = 0;

private:
    int min_ = 0, max_ = 100, pos_ = 0;
    bool visible_ = false;
};

class RecordingHost : public OperationSink {
public:
    QString port = QStringLiteral("COM3");
    // Every event as one token: event(Status), event(Box), event(LogNote),
    // "log:…" (the configuration log's data), "refused:N" (a Setting),
    // "inUse:0/1", "pump".
    QStringList events;
    // What each box named, in the order of the boxes.
    QList<Outcome> boxOutcomes;
    // Every status report with its detail.
    QList<std::pair<Status, QString>> reports;
    QList<Setting> refused;
    RecordingGauge gauge;
    bool portBusy = false;

    QList<Status> statuses() const;
    // The detail of the last report of `s`; empty when there was none.
    QString detail(Status s) const;
    QList<Box> boxes() const;
    // The configuration log in order: its data as it went, each note as event(note).
    QStringList memo1() const;
    QStringList uses() const;
    void clear();

    QString portName() const override { return port; }
    void status(Status status, const QString& detail = QString()) override;
    void box(Box box, const Outcome& about = Outcome()) override;
    void configLog(const QString& data) override { events << "log:" + data; }
    void logNote(LogNote note) override { events << event(note); }
    void settingRefused(Setting setting) override {
        refused << setting;
        events << QStringLiteral("refused:%1").arg(int(setting));
    }
    Gauge& progress() override { return gauge; }
    void portInUse(bool inUse) override {
        portBusy = inUse;
        events << QStringLiteral("inUse:%1").arg(inUse ? 1 : 0);
    }
    void processMessages() override { events << QStringLiteral("pump"); }

private:
    QList<Box> boxes_;
};

// A clock whose sleeps take no time: they are recorded and move "now" on.
class FakeClock : public Clock {
public:
    std::vector<std::uint32_t> sleeps;
    std::chrono::system_clock::time_point current =
        std::chrono::system_clock::time_point(std::chrono::seconds(1796212800));  // 2026-12-02 12:00 UTC
    void sleepMs(std::uint32_t ms) override {
        sleeps.push_back(ms);
        current += std::chrono::milliseconds(ms);
    }
    std::chrono::system_clock::time_point now() override { return current; }
};

// A FakeClock whose pauses let the surroundings answer once, as the real
// clock does all through a pause of the window's operations.
class AnsweringClock : public FakeClock {
public:
    void pauseMs(std::uint32_t ms, const std::function<void()>& idle, std::uint32_t) override {
        idle();
        sleepMs(ms);
    }
};

}  // namespace korvel::test
