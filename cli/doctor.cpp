#include "cli/doctor.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>
#include <cstdio>

#include "device_link/at_dialogue.h"
#include "device_link/serial/clock.h"
#include "cli/doctor_texts.h"
#include "production/firmware_files.h"
#include "device_link/port_session.h"
#include "device_link/quiet_sink.h"
#include "station/station_store.h"
#include "texts/store_texts.h"
#include "cli/terminal_host.h"
#include "device_link/serial/wire_log.h"

namespace korvel::cli {

namespace {

bool isServer(const QString& location) {
    return location.startsWith(QStringLiteral("postgresql://")) || location.startsWith(QStringLiteral("postgres://"));
}

CheckResult storeFailure(Finding finding, const QString& subject, const QString& reason) {
    CheckResult r = result(Check::Store, Level::Problem, finding, subject);
    r.detail = reason;
    return r;
}

CheckResult imageResult(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile()) return result(Check::FirmwareFolder, Level::Problem, Finding::ImageMissing, info.fileName());
    QFile file(path);
    CheckResult r = result(Check::FirmwareFolder, Level::Ok, Finding::ImagePresent, info.fileName());
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!systemFileProbe().canOpen(path) || !file.open(QIODevice::ReadOnly) || !hash.addData(&file)) {
        r.level = Level::Problem;
        r.finding = Finding::ImageUnreadable;
        r.detail = file.errorString();
        return r;
    }
    r.value = info.size();
    r.sha256 = QString::fromLatin1(hash.result().toHex());
    if (r.value == 0) {
        r.level = Level::Problem;
        r.finding = Finding::ImageEmpty;
    }
    return r;
}

// The doctor reports an open failure as its result, and one exchange has no
// status or progress worth a line.
using SilentHost = QuietSink;

void print(const CheckResult& r, bool json) {
    const QString text = findingText(r), mend = mendText(r);
    QByteArray line;
    if (json) {
        QJsonObject o{{"check", QString::fromLatin1(checkKey(r.check))},
                      {"level", QString::fromLatin1(levelKey(r.level))},
                      {"finding", QString::fromLatin1(findingKey(r.finding))},
                      {"text", text}};
        if (!r.subject.isEmpty()) o.insert("subject", r.subject);
        if (!r.detail.isEmpty()) o.insert("detail", r.detail);
        if (r.value != 0) o.insert("value", r.value);
        if (!r.sha256.isEmpty()) o.insert("sha256", r.sha256);
        if (!mend.isEmpty()) o.insert("mend", mend);
        QJsonArray holders;
        for (const PortHolder& h : r.holders)
            holders.append(QJsonObject{{"pid", qint64(h.pid)}, {"program", QString::fromStdString(h.program)}});
        if (!holders.isEmpty()) o.insert("holders", holders);
        line = QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
    } else {
        line = QStringLiteral("%1 %2\n").arg(levelText(r.level), -9).arg(text).toUtf8();
        if (!mend.isEmpty()) line += QStringLiteral("%1 %2\n").arg(QString(), -9).arg(mendPrefix() + mend).toUtf8();
    }
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
    std::fflush(stdout);
}

}  // namespace

CheckResult result(Check check, Level level, Finding finding, const QString& subject) {
    CheckResult r;
    r.check = check;
    r.level = level;
    r.finding = finding;
    r.subject = subject;
    return r;
}

std::vector<CheckResult> checkStore(const QString& location) {
    const bool server = isServer(location);
    const QString file = location.isEmpty() ? store::defaultStoreFile() : location;
    const QString shown = server ? QUrl(location).toString(QUrl::RemovePassword) : QDir::toNativeSeparators(file);
    // Opening a file that is not there would make it: that is the first
    // "serials add", not a diagnosis.
    if (!server && !QFileInfo::exists(file))
        return {result(Check::Store, Level::Warning, Finding::StoreAbsent, shown)};
    store::StoreError error;
    const auto s = store::openStationStore(location, error);
    if (!s) return {storeFailure(Finding::StoreUnreachable, shown, storeErrorText(error))};
    const auto counts = s->counts();
    if (!counts) return {storeFailure(Finding::StoreUnreachable, shown, storeErrorText(counts.error))};
    const auto checked = s->check();
    if (!checked && counts->free > 0)
        return {storeFailure(Finding::StoreNotWritable, shown, storeErrorText(checked.error))};
    std::vector<CheckResult> out{result(Check::Store, Level::Ok, Finding::StoreReachable, shown)};
    CheckResult left = result(Check::Store, counts->free > 0 ? Level::Ok : Level::Problem,
                              counts->free > 0 ? Finding::NumbersLeft : Finding::NoFreeNumbers, shown);
    left.value = counts->free;
    // With no free numbers check() cannot tell whether it could write.
    if (!checked && counts->free == 0) left.detail = storeErrorText(checked.error);
    out.push_back(left);
    if (counts->unknown > 0) {
        CheckResult unknown = result(Check::Store, Level::Warning, Finding::UnknownNumbers, shown);
        unknown.value = counts->unknown;
        out.push_back(unknown);
    }
    return out;
}

std::vector<CheckResult> checkFirmwareFolder(const QString& folder) {
    const QDir dir(folder);
    if (!QFileInfo(folder).isDir())
        return {result(Check::FirmwareFolder, Level::Problem, Finding::FolderAbsent, QDir::toNativeSeparators(folder))};
    std::vector<CheckResult> out{imageResult(imageFileInFolder(folder, ImageKind::BootLoader, QString()))};
    const QStringList firmware = dir.entryList({QStringLiteral("firmware_*.dwl")}, QDir::Files, QDir::Name);
    if (firmware.isEmpty())
        out.push_back(result(Check::FirmwareFolder, Level::Problem, Finding::ImageMissing, QStringLiteral("firmware_*.dwl")));
    for (const QString& name : firmware) out.push_back(imageResult(dir.filePath(name)));
    out.push_back(imageResult(imageFileInFolder(folder, ImageKind::Application, QString())));
    return out;
}

CheckResult checkAtAnswer(const QString& port, SerialPortFactory& ports) {
    const Timeouts timeouts{500, 0, 1000, 0, 1000};
    SilentHost host(port);
    SystemClock clock;
    OperationContext ctx{host, ports, clock};
    PortSession session(ctx);
    if (!session.open()) {
        const Outcome failed = session.failure();
        CheckResult r = result(Check::AtAnswer, Level::Problem, Finding::AtPortUnusable, port);
        r.openFailure = failed.openFailure;
        r.holders = failed.holders;
        return r;
    }
    session.configure(timeouts, false);
    AtDialogue at(session.port(), host, timeouts);
    session.port().purge();
    // Any answer is the finding: silence, OK (with or without echo) or noise.
    const Verdict reply = at.exchange(
        AtCall(AtCommand::Attention, kEchoTestReplySize, ReplyRule::AnyAnswer).keepEcho());
    session.close();
    if (reply.reply.isEmpty()) return result(Check::AtAnswer, Level::Problem, Finding::AtSilent, port);
    if (!reply.reply.contains(QByteArray(kGoodReply))) {
        CheckResult r = result(Check::AtAnswer, Level::Problem, Finding::AtGarbled, port);
        r.detail = QString::fromStdString(WireLog::readable(reply.reply.constData(), std::size_t(reply.reply.size())));
        return r;
    }
    CheckResult r = result(Check::AtAnswer, Level::Ok, Finding::AtAnswered, port);
    r.value = reply.reply.startsWith(atCommand(AtCommand::Attention)) ? 1 : 0;  // the device echoes
    return r;
}

int doctorExitCode(const std::vector<CheckResult>& results) {
    for (const CheckResult& r : results)
        if (r.level == Level::Problem) return kFailed;
    return kDone;
}

int doctorCommand(const DoctorOptions& options) {
    std::vector<CheckResult> all;
    auto show = [&](const std::vector<CheckResult>& results) {
        for (const CheckResult& r : results) {
            print(r, options.json);
            all.push_back(r);
        }
    };
    show(systemPortChecks(options.ports, !options.ports.isEmpty()));
    const auto ports = makeSystemSerialPortFactory();
    for (const QString& port : options.ports) show({checkAtAnswer(port, *ports)});
    show(checkStore(options.store));
    if (!options.folder.isEmpty()) show(checkFirmwareFolder(options.folder));
    return doctorExitCode(all);
}

}  // namespace korvel::cli
