#include "cli/live_lines.h"

#include <algorithm>

#include "texts/report_texts.h"
#include "cli/terminal.h"

namespace korvel::cli {

namespace {

QString endedText(const store::LinkRecord& l) {
    return l.name + u'=' + l.outcome + (l.attempts > 1 ? QStringLiteral("x%1").arg(l.attempts) : QString());
}

}  // namespace

void LiveLines::setPorts(const QStringList& ports) {
    std::lock_guard lock(mutex_);
    order_ = ports;
    for (const QString& p : ports) portWidth_ = std::max(portWidth_, int(p.size()));
}

void LiveLines::showProgress(const QString& port, std::optional<ChainLink>, const ProgressMark& mark) {
    PortLine& l = lines_[port];
    if (l.running.isEmpty() || l.percent == mark.percent) return;
    l.percent = mark.percent;
    changed(port, true);
}

void LiveLines::showLinkBegins(const QString& port, ChainLink link, int attempt) {
    PortLine& l = lines_[port];
    if (!l.end.isEmpty()) l = PortLine();  // the next device in the same port
    const QString name = QString::fromLatin1(chainLinkName(link));
    l.running = attempt > 1 ? linkAttemptText(name, attempt) : name;
    l.percent = -1;
    changed(port);
}

void LiveLines::showLinkEnds(const QString& port, ChainLink, const LinkEnd& end) {
    PortLine& l = lines_[port];
    l.ended << endedText(end.record);
    l.running.clear();
    l.percent = -1;
    changed(port);
}

void LiveLines::showDeviceEnds(const store::ProductionRecord& r) {
    PortLine& l = lines_[r.port];
    l.running.clear();
    l.end = r.failure.isEmpty() ? deviceDoneText(store::serialText(r.serialNumber.value_or(0)))
                                : deviceNotDoneText(r.failure);
    changed(r.port);
}

void LiveLines::showNotice(Notice, const QString& text) {
    const QByteArray line = (QStringLiteral("korvel-cli: ") + text).toUtf8();
    if (!redraw_ || drawn_ == 0) {
        std::fprintf(stderr, "%s\n", line.constData());
        std::fflush(stderr);
        return;
    }
    // The notice takes the first line's place, the lines follow below it.
    std::fprintf(out_, "\033[%dA\r%s\033[K\n", drawn_, line.constData());
    drawn_ = 0;
    redrawAll();
}

QString LiveLines::text(const QString& port) const {
    const PortLine l = lines_.value(port);
    QString text = port.leftJustified(portWidth_) + QStringLiteral("  ") + l.ended.join(u' ');
    if (!l.running.isEmpty()) {
        text += (l.ended.isEmpty() ? QString() : QStringLiteral(" ")) + l.running;
        if (l.percent >= 0) text += QStringLiteral(" %1 %").arg(l.percent);
    }
    if (!l.end.isEmpty()) text += QStringLiteral("  ") + l.end;
    return text;
}

// One line on the screen, cut to the terminal's width so that it never
// wraps (a wrapped line would throw the redrawing off by a row).
void LiveLines::put(const QString& text) {
    const int columns = terminalSize(out_).columns;
    const QString shown = columns > 1 && text.size() >= columns ? text.left(columns - 1) : text;
    std::fprintf(out_, "\r%s\033[K", shown.toUtf8().constData());
}

void LiveLines::redrawAll() {
    if (drawn_ > 0) std::fprintf(out_, "\033[%dA", drawn_);
    for (const QString& p : order_) {
        put(text(p));
        std::fputc('\n', out_);
    }
    drawn_ = int(order_.size());
}

void LiveLines::changed(const QString& port, bool moved) {
    const bool fresh = !order_.contains(port);
    if (fresh) order_ << port;
    // More lines than the terminal has rows cannot be redrawn in place.
    const int rows = terminalSize(out_).rows;
    if (!redraw_ || (rows > 0 && order_.size() >= rows)) {
        if (moved) return;
        std::fprintf(out_, "%s\n", text(port).toUtf8().constData());
        std::fflush(out_);
        return;
    }
    const int width = int(port.size());
    if (width > portWidth_) {
        portWidth_ = width;
        redrawAll();
    } else if (fresh && drawn_ == order_.size() - 1) {
        put(text(port));
        std::fputc('\n', out_);
        ++drawn_;
    } else if (drawn_ != order_.size()) {
        redrawAll();
    } else {
        const int up = drawn_ - int(order_.indexOf(port));
        std::fprintf(out_, "\033[%dA", up);
        put(text(port));
        std::fprintf(out_, "\033[%dB\r", up);
    }
    std::fflush(out_);
}

}  // namespace korvel::cli
