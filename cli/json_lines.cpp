#include "cli/json_lines.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <atomic>
#include <cstdio>

#include "station/device_recorder.h"
#include "station/record_format.h"

namespace korvel::cli {

namespace {

std::atomic<bool> json{false};

std::mutex& stdoutLock() {
    static std::mutex lock;
    return lock;
}

const char* noticeName(Notice notice) {
    switch (notice) {
        case Notice::FinishingDevices: return "finishing_devices";
    }
    return "";
}

QString linkName(ChainLink link) { return QString::fromLatin1(chainLinkName(link)); }

}  // namespace

void setJsonOutput(bool on) { json = on; }
bool jsonOutput() { return json; }

void writeJsonLine(const QJsonObject& object) {
    const QByteArray line = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    std::lock_guard lock(stdoutLock());
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
    std::fflush(stdout);
}

void tell(const char* type, QJsonObject fields, const QString& text) {
    if (!jsonOutput()) {
        std::fprintf(stderr, "korvel-cli: %s\n", text.toUtf8().constData());
        return;
    }
    fields.insert(QStringLiteral("type"), QString::fromLatin1(type));
    fields.insert(QStringLiteral("text"), text);
    writeJsonLine(fields);
}

QJsonObject outcomeJson(const Outcome& o) {
    QJsonObject out{{"result", QString::fromLatin1(resultName(o.result))}, {"step", o.step}};
    if (o.openFailure != OpenFailure::None) {
        out.insert("open_failure", QString::fromLatin1(openFailureName(o.openFailure)));
        QJsonArray holders;
        for (const PortHolder& h : o.holders)
            holders.append(QJsonObject{{"pid", double(h.pid)}, {"program", QString::fromStdString(h.program)}});
        if (!holders.isEmpty()) out.insert("holders", holders);
    }
    const std::pair<const char*, QString> told[] = {{"module_type", o.moduleType},
                                                    {"core_version", o.coreVersion},
                                                    {"application_version",
                                                     store::applicationVersionText(o.applicationVersion)},
                                                    {"confirmed_serial", o.confirmedSerial}};
    for (const auto& [key, value] : told)
        if (!value.isEmpty()) out.insert(QString::fromLatin1(key), value);
    if (o.serialSent) out.insert("serial_sent", true);
    if (o.imageSize > 0) {
        out.insert("image_size", double(o.imageSize));
        out.insert("bytes_acknowledged", double(o.bytesAcknowledged));
    }
    if (o.refusedBlock > 0) out.insert("refused_block", o.refusedBlock);
    if (o.answeredQueries > 0) out.insert("answered_queries", o.answeredQueries);
    return out;
}

void JsonEvents::showLine(const QString& port, LineKind kind, const QString& text) {
    writeJsonLine({{"type", kind == LineKind::Error ? "error" : "status"}, {"port", port}, {"text", text.trimmed()}});
}

void JsonEvents::showProgress(const QString& port, std::optional<ChainLink> link, const ProgressMark& mark) {
    QJsonObject o{{"type", "progress"}, {"port", port}};
    if (link) o.insert("link", linkName(*link));
    o.insert(mark.bytes ? "bytes_done" : "value", double(mark.value));
    o.insert(mark.bytes ? "bytes_total" : "max", double(mark.max));
    o.insert("percent", mark.percent);
    writeJsonLine(o);
}

void JsonEvents::showLinkBegins(const QString& port, ChainLink link, int attempt) {
    writeJsonLine({{"type", "link_begin"}, {"port", port}, {"link", linkName(link)}, {"attempt", attempt}});
}

void JsonEvents::showLinkEnds(const QString& port, ChainLink link, const LinkEnd& end) {
    QJsonObject o{{"type", "link_end"},
                  {"port", port},
                  {"link", linkName(link)},
                  {"outcome", end.record.outcome},
                  {"attempts", end.record.attempts},
                  {"ms", double(end.record.durationMs)}};
    if (end.outcome) {
        const QJsonObject typed = outcomeJson(*end.outcome);
        for (auto it = typed.begin(); it != typed.end(); ++it) o.insert(it.key(), it.value());
    } else {
        o.insert("result", QJsonValue());
        o.insert("step", QJsonValue());
    }
    writeJsonLine(o);
}

void JsonEvents::showDeviceEnds(const store::ProductionRecord& record) {
    writeJsonLine({{"type", "device_end"}, {"port", record.port}, {"record", store::recordToJson(record)}});
}

void JsonEvents::showNotice(Notice notice, const QString& text) {
    writeJsonLine({{"type", "notice"}, {"notice", QString::fromLatin1(noticeName(notice))}, {"text", text}});
}

}  // namespace korvel::cli
