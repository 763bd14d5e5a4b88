// A sink for the benchmarks: shows nothing, remembers the boxes' texts.
#pragma once

#include <QStringList>
#include <algorithm>

#include "device_link/quiet_sink.h"
#include "texts/report_texts.h"

namespace korvel {

class QuietGauge : public Gauge {
public:
    void setMin(int v) override { min_ = v; }
    void setMax(int v) override { max_ = v; }
    void setProgress(int v) override { pos_ = std::clamp(v, min_, std::max(min_, max_)); }
    int progress() const override { return pos_; }
    int min() const override { return min_; }
    int max() const override { return max_; }
    void setVisible(bool) override {}
    bool isVisible() const override { return false; }

private:
    int min_ = 0, max_ = 100, pos_ = 0;
};

class QuietHost : public QuietSink {
public:
    QString port;
    QStringList boxes;
    QString lastLog;
    QString portName() const override { return port; }
    void box(Box box, const Outcome& about = Outcome()) override { boxes << boxText(box, about).text; }
    void configLog(const QString& data) override { lastLog = data; }
    void logNote(LogNote note) override { lastLog = logNoteText(note); }
    Gauge& progress() override { return gauge_; }

private:
    QuietGauge gauge_;
};

}  // namespace korvel
