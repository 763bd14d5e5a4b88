// A window stand-in for dialogue tests: records every report, box, gauge
// change, enabling, focus move and message pump in order.
#pragma once

#include <QString>
#include <QStringList>
#include <chrono>
#include <map>
#include <vector>

#include "clock.h"
#include "operation_host.h"

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

class RecordingHost : public OperationHost {
public:
    QString port = QStringLiteral("COM3");
    // Every event as one text: "status:…", "memo2:…", "memo1:…", "box:Abort:…",
    // "file:…", "enable:Name:0/1", "focus:Name", "pump".
    QStringList events;

    QStringList memo1() const { return filtered("memo1:"); }
    QStringList boxes() const { return filtered("box:"); }
    QStringList statuses() const { return filtered("status:"); }
    QStringList enables() const { return filtered("enable:"); }
    QStringList focuses() const { return filtered("focus:"); }
    QStringList fileBoxes() const { return filtered("file:"); }
    int pumps() const { return events.count(QStringLiteral("pump")); }
    bool enabled(const QString& name) const;
    RecordingGauge& recordingGauge(GaugeId id) { return gauges_[id]; }

    QString portName() const override { return port; }
    void statusReport(const QString& text) override;
    void setStatusLine(const QString& text) override { events << "status:" + text; }
    void appendProductionLog(const QString& text) override { events << "memo2:" + text; }
    void appendConfigLog(const QString& text) override { events << "memo1:" + text; }
    void errorBox(const QString& text, BoxButtons buttons) override;
    void fileErrorBox(const QString& text) override { events << "file:" + text; }
    Gauge& gauge(GaugeId id) override { return gauges_[id]; }
    void setControlEnabled(Control control, bool enabled) override;
    void focusControl(Control control) override {
        events << "focus:" + QString::fromLatin1(controlObjectName(control));
    }
    void processMessages() override { events << QStringLiteral("pump"); }

private:
    QStringList filtered(const QString& prefix) const;
    std::map<GaugeId, RecordingGauge> gauges_;
    std::map<QString, bool> enabled_;
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

}  // namespace korvel::test
