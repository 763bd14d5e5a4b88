// A sink for dialogue tests: records every report and box with the text
// the window shows, the focus moves, the port's use and the message pumps,
// in order.
#pragma once

#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <vector>

#include "device_link/serial/clock.h"
#include "texts/report_texts.h"

namespace korvel::test {

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
    // Every event as one text, the texts as the window shows them:
    // "status:…", "memo2:…" (the production log's copy), "memo1:…",
    // "box:Ok/Abort:…", "file:…", "focus:ObjectName", "inUse:0/1", "pump".
    QStringList events;
    RecordingGauge gauge;
    bool portBusy = false;

    QStringList memo1() const { return filtered("memo1:"); }
    QStringList boxes() const { return filtered("box:"); }
    QStringList statuses() const { return filtered("status:"); }
    QStringList focuses() const { return filtered("focus:"); }
    QStringList fileBoxes() const { return filtered("file:"); }
    QStringList uses() const { return filtered("inUse:"); }
    int pumps() const { return events.count(QStringLiteral("pump")); }

    QString portName() const override { return port; }
    void status(Status status, const QString& detail = QString()) override;
    void box(Box box, const Outcome& about = Outcome()) override;
    void configLog(const QString& data) override { events << "memo1:" + data; }
    void logNote(LogNote note) override { events << "memo1:" + logNoteText(note); }
    void settingRefused(Setting setting) override {
        events << (setting == Setting::Gprs2Period ? QStringLiteral("focus:GPRS2_Period")
                                                   : QStringLiteral("focus:GPRS3_IP_Edit"));
    }
    Gauge& progress() override { return gauge; }
    void portInUse(bool inUse) override {
        portBusy = inUse;
        events << QStringLiteral("inUse:%1").arg(inUse ? 1 : 0);
    }
    void processMessages() override { events << QStringLiteral("pump"); }

private:
    QStringList filtered(const QString& prefix) const;
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
