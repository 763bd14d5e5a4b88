#include "recording_host.h"

#include <algorithm>

namespace korvel::test {

void RecordingGauge::setProgress(int value) {
    pos_ = std::clamp(value, min_, std::max(min_, max_));
    highest = std::max(highest, pos_);
}

void RecordingHost::statusReport(const QString& text) {
    events << "status:" + text;
    events << "memo2:" + text;
}

void RecordingHost::errorBox(const QString& text, BoxButtons buttons) {
    events << QStringLiteral("box:%1:%2").arg(buttons == BoxButtons::Ok ? "Ok" : "Abort", text);
}

void RecordingHost::setControlEnabled(Control control, bool enabled) {
    const QString name = QString::fromLatin1(controlObjectName(control));
    events << QStringLiteral("enable:%1:%2").arg(name).arg(enabled ? 1 : 0);
    enabled_[name] = enabled;
}

bool RecordingHost::enabled(const QString& name) const {
    const auto it = enabled_.find(name);
    return it == enabled_.end() || it->second;
}

QStringList RecordingHost::filtered(const QString& prefix) const {
    QStringList out;
    for (const QString& e : events)
        if (e.startsWith(prefix)) out << e.mid(prefix.size());
    return out;
}

}  // namespace korvel::test
