#include "recording_host.h"

#include <algorithm>

namespace korvel::test {

void RecordingGauge::setProgress(int value) {
    pos_ = std::clamp(value, min_, std::max(min_, max_));
    highest = std::max(highest, pos_);
}

void RecordingHost::status(Status status, const QString& detail) {
    const QString text = statusText(status, detail);
    events << "status:" + text;
    if (statusLogged(status)) events << "memo2:" + text;
}

void RecordingHost::box(Box box, const Outcome& about) {
    const BoxText shown = boxText(box, about);
    if (shown.error)
        events << QStringLiteral("box:%1:%2").arg(shown.buttons == BoxButtons::Ok ? "Ok" : "Abort",
                                                  shown.text);
    else
        events << "file:" + shown.text;
    if (boxAboutPortChoice(box)) events << QStringLiteral("focus:COMPort");
}

QStringList RecordingHost::filtered(const QString& prefix) const {
    QStringList out;
    for (const QString& e : events)
        if (e.startsWith(prefix)) out << e.mid(prefix.size());
    return out;
}

}  // namespace korvel::test
