#include "terminal_host.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <unistd.h>

#include "report_texts.h"

namespace korvel::cli {

int usage(const QString& message) {
    std::fprintf(stderr, "korvel-cli: %s\n(korvel-cli --help — справка)\n", message.toUtf8().constData());
    return kUsage;
}

std::mutex& outputLock() {
    static std::mutex lock;
    return lock;
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

TerminalHost::TerminalHost(QString port, QString label, bool json, bool quiet)
    : port_(std::move(port)), label_(std::move(label)), json_(json), quiet_(quiet) {}

int exitCode(const Outcome& outcome) {
    if (outcome.ok()) return kDone;
    return outcome.portProblem() ? kPortUnusable : kFailed;
}

void TerminalHost::line(const char* kind, const QString& text) {
    if (quiet_ && QByteArray(kind) == "status") return;
    std::lock_guard<std::mutex> guard(outputLock());
    QByteArray out;
    if (json_) {
        QJsonObject o{{"type", QString::fromLatin1(kind)}, {"text", text.trimmed()}};
        if (!label_.isEmpty()) o.insert("port", label_);
        out = QJsonDocument(o).toJson(QJsonDocument::Compact);
    } else {
        const QString prefix = label_.isEmpty() ? QString() : label_ + QStringLiteral(": ");
        const QString tag = QByteArray(kind) == "error" ? QStringLiteral("ошибка: ") : QString();
        out = (prefix + tag + text.trimmed()).toUtf8();
    }
    out += '\n';
    std::fwrite(out.constData(), 1, static_cast<std::size_t>(out.size()), stderr);
    std::fflush(stderr);
}

void TerminalHost::status(Status status, const QString& detail) {
    line("status", statusText(status, detail));
}

void TerminalHost::box(Box box, const Outcome& about) { line("error", boxText(box, about).text); }

void TerminalHost::showProgress(int percent) {
    if (quiet_) return;
    if (!json_ && label_.isEmpty() && isatty(STDERR_FILENO)) {
        std::lock_guard<std::mutex> guard(outputLock());
        const int filled = percent / 5;
        std::fprintf(stderr, "\r[%s%s] %3d%%%s", std::string(filled, '#').c_str(),
                     std::string(20 - filled, ' ').c_str(), percent, percent >= 100 ? "\n" : "");
        std::fflush(stderr);
        return;
    }
    if (percent % 10 == 0) line("progress", QStringLiteral("%1 %").arg(percent));
}

}  // namespace korvel::cli
