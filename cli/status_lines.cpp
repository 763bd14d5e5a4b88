#include "cli/status_lines.h"

#include <QDateTime>
#include <QFile>
#include <QStringList>
#include <cerrno>
#include <cstring>
#include <string>

namespace korvel::cli {

StatusLines::~StatusLines() {
    if (owned_) std::fclose(out_);
}

std::unique_ptr<StatusLines> StatusLines::openLog(const QString& path, QString& error) {
    std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "a");
    if (!file) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        return nullptr;
    }
    auto log = std::make_unique<StatusLines>(file, Form{true, false, true});
    log->owned_ = true;
    return log;
}

// One line, under the lock.
void StatusLines::write(const QString& text) {
    if (closed_) return;
    QByteArray out = text.toUtf8();
    if (form_.timestamps) {
        // One line for each, also where a device's reply in it spans lines.
        // (No QRegularExpression: this runs on the devices' threads; see
        // production_station.cpp.)
        const QStringList parts = QString(text).replace(u'\r', u'\n').split(u'\n', Qt::SkipEmptyParts);
        out = parts.join(u' ').toUtf8();
        out.prepend(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")).toUtf8());
    }
    out += '\n';
    std::fwrite(out.constData(), 1, static_cast<std::size_t>(out.size()), out_);
    std::fflush(out_);
}

void StatusLines::line(const QString& port, LineKind kind, const QString& text) {
    const QString prefix = form_.tagPorts ? port + QStringLiteral(": ") : QString();
    const QString tag = kind == LineKind::Error ? QStringLiteral("ошибка: ") : QString();
    std::lock_guard lock(mutex_);
    write(prefix + tag + text.trimmed());
}

void StatusLines::progress(const QString& port, std::optional<ChainLink>, const ProgressMark& mark) {
    std::lock_guard lock(mutex_);
    if (form_.bar) {
        if (closed_) return;
        const int filled = mark.percent / 5;
        std::fprintf(out_, "\r[%s%s] %3d%%%s", std::string(std::size_t(filled), '#').c_str(),
                     std::string(std::size_t(20 - filled), ' ').c_str(), mark.percent,
                     mark.percent >= 100 ? "\n" : "");
        std::fflush(out_);
        return;
    }
    if (mark.percent % 10 != 0) return;
    const QString prefix = form_.tagPorts ? port + QStringLiteral(": ") : QString();
    write(prefix + QStringLiteral("%1 %").arg(mark.percent));
}

void StatusLines::notice(Notice, const QString& text) {
    std::lock_guard lock(mutex_);
    write(QStringLiteral("korvel-cli: ") + text);
}

void StatusLines::close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
}

}  // namespace korvel::cli
