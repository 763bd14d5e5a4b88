#include "cli/terminal_host.h"

#include "cli/json_lines.h"
#include "firmware/firmware_download.h"
#include "texts/report_texts.h"

namespace korvel::cli {

int usage(const QString& message) {
    if (jsonOutput()) tell("usage", {{"exit_code", kUsage}}, message);
    else std::fprintf(stderr, "korvel-cli: %s\n(korvel-cli --help — справка)\n", message.toUtf8().constData());
    return kUsage;
}

void TerminalGauge::setProgress(int v) {
    pos_ = v < min_ ? min_ : (v > max_ ? max_ : v);
    const int span = max_ - min_;
    const int percent = span > 0 ? int(100LL * (pos_ - min_) / span) : 0;
    if (percent != lastShown_) {
        lastShown_ = percent;
        host_.showProgress(percent);
    }
}

int exitCode(const Outcome& outcome) {
    if (outcome.ok()) return kDone;
    return outcome.portProblem() ? kPortUnusable : kFailed;
}

void TerminalHost::status(Status status, const QString& detail) {
    if (status == status::ImageOpened) transfer_ = true;
    line(LineKind::Status, statusText(status, detail));
}

void TerminalHost::box(Box box, const Outcome& about) { line(LineKind::Error, boxText(box, about).text); }

void TerminalHost::setLink(std::optional<ChainLink> link) {
    link_ = link;
    transfer_ = false;
}

void TerminalHost::showProgress(int percent) {
    ProgressMark mark;
    mark.value = qint64(gauge_.progress()) - gauge_.min();
    mark.max = qint64(gauge_.max()) - gauge_.min();
    mark.percent = percent;
    mark.bytes = transfer_;
    events_.progress(port_, link_, mark);
}

}  // namespace korvel::cli
