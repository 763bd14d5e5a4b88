#include "recording_host.h"

#include <algorithm>

namespace korvel::test {

void RecordingGauge::setProgress(int value) {
    pos_ = std::clamp(value, min_, std::max(min_, max_));
    highest = std::max(highest, pos_);
}

void RecordingHost::status(Status status, const QString& detail) {
    reports.push_back({status, detail});
    events << event(status);
}

void RecordingHost::box(Box box, const Outcome& about) {
    boxes_ << box;
    boxOutcomes << about;
    events << event(box);
}

QList<Status> RecordingHost::statuses() const {
    QList<Status> out;
    for (const auto& r : reports) out << r.first;
    return out;
}

QString RecordingHost::detail(Status s) const {
    for (auto r = reports.crbegin(); r != reports.crend(); ++r)
        if (r->first == s) return r->second;
    return QString();
}

QList<Box> RecordingHost::boxes() const { return boxes_; }

QStringList RecordingHost::memo1() const {
    QStringList out;
    for (const QString& e : events)
        if (e.startsWith(QLatin1String("log:"))) out << e.mid(4);
        else if (e.startsWith(QLatin1String("note:"))) out << e;
    return out;
}

QStringList RecordingHost::uses() const {
    QStringList out;
    for (const QString& e : events)
        if (e.startsWith(QLatin1String("inUse:"))) out << e.mid(6);
    return out;
}

void RecordingHost::clear() {
    events.clear();
    boxOutcomes.clear();
    refused.clear();
    reports.clear();
    boxes_.clear();
}

}  // namespace korvel::test
