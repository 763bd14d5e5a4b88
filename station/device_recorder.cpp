#include "station/device_recorder.h"

#include <QCryptographicHash>
#include <QFile>

#include "station/port_identity.h"

namespace korvel::store {

namespace {

QString sha256Of(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QString();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&f)) return QString();
    return QString::fromLatin1(hash.result().toHex());
}

// The text's first line that is not empty, trimmed.  No QRegularExpression
// here: this runs on the station's device threads, and a match leaves Qt a
// per-thread JIT stack whose destructor, with mingw-w64's emulated TLS, runs
// at the thread's end on storage already freed (Windows then faults after
// the device's last link).
QString firstLine(QString text) {
    text.replace(u'\r', u'\n');
    return text.split(u'\n', Qt::SkipEmptyParts).value(0).trimmed();
}

}  // namespace

DeviceRecorder::DeviceRecorder(const QString& station, const QString& port) {
    record_.station = station;
    record_.port = port;
    record_.portIdentity = stablePortName(port);
    record_.programVersion = QStringLiteral(KORVEL_VERSION);
    record_.started = QDateTime::currentDateTimeUtc();
}

StoreAnswer<quint32> DeviceRecorder::reserve(StationStore& store, std::optional<quint32> chosen) {
    const auto number = chosen ? store.reserveSerial(*chosen, record_.station, record_.port)
                               : store.reserveNextSerial(record_.station, record_.port);
    if (!number) return number;
    record_.serialNumber = *number;
    record_.serialState = SerialState::Reserved;
    holdsNumber_ = true;
    return number;
}

void DeviceRecorder::linkEnded(ChainLink link, const Outcome* outcome, const ChainState& state,
                               qint64 durationMs, int attempts, bool skipped) {
    ProductionRecord& r = record_;
    const QString name = QString::fromLatin1(chainLinkName(link));
    const bool good = !skipped && outcome && outcome->ok();
    r.links.push_back({name,
                       skipped ? QStringLiteral("skipped") : good ? QStringLiteral("ok") : QStringLiteral("failed"),
                       skipped ? 0 : durationMs, skipped ? 0 : attempts});
    if (!good && !skipped && r.failure.isEmpty())
        r.failure = name + QStringLiteral(": ") + (outcome ? outcomeSummary(*outcome) : QStringLiteral("error"));
    if (link == ChainLink::Identify && good) {
        r.moduleType = outcome->moduleType;
        r.coreVersion = outcome->coreVersion;
    }
    if (link == ChainLink::Files)
        for (std::size_t i = 0; i < r.images.size(); ++i) r.images[i].file = state.images[i];
    if (const auto image = chainLinkImage(link); image && good)
        r.images[std::size_t(*image)].sha256 = sha256Of(state.images[std::size_t(*image)]);
    if (link == ChainLink::Start && outcome) r.applicationVersion = applicationVersionText(outcome->applicationVersion);
    if (link == ChainLink::SerialNumber && holdsNumber_) r.serialState = serialStateAfter(skipped ? nullptr : outcome);
}

StoreAnswer<bool> DeviceRecorder::keep(StationStore& store) {
    record_.finished = QDateTime::currentDateTimeUtc();
    const auto kept = store.writeDeviceRecord(record_);
    if (!kept && holdsNumber_) store.markSerial(*record_.serialNumber, record_.serialState);
    holdsNumber_ = false;
    return kept;
}

QString applicationVersionText(const QString& reported) {
    // What follows the first line is the reply's tail, not part of the version.
    return firstLine(reported);
}

SerialState serialStateAfter(const Outcome* serialLink) {
    if (!serialLink) return SerialState::Unknown;
    if (!serialLink->confirmedSerial.isEmpty()) return SerialState::Stored;
    if (!serialLink->serialSent) return SerialState::Free;
    return SerialState::Unknown;
}

}  // namespace korvel::store
