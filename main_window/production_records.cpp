#include "production_records.h"

#include <QDateTime>
#include <QSysInfo>

#include "chain_record.h"
#include "port_identity.h"
#include "station_lease.h"
#include "station_store.h"

namespace korvel {

ProductionRecords::ProductionRecords(const QString& location, const QString& port) {
    QString error;
    store_ = store::openStationStore(location, error);
    if (!store_) return;
    record_ = std::make_unique<store::ProductionRecord>();
    // Its own name: a korvel-cli station on this PC records as the host.
    record_->station = QSysInfo::machineHostName() + QStringLiteral("-window");
    record_->port = port;
    record_->portIdentity = store::stablePortName(port);
    record_->programVersion = QStringLiteral(KORVEL_VERSION);
    record_->started = QDateTime::currentDateTimeUtc();
    // Without its lease the page still records; its number is then judged by
    // the page's name alone.
    lease_ = std::make_unique<store::StationLease>(*store_);
    lease_->take(store::thisProcess(record_->station));
}

ProductionRecords::~ProductionRecords() = default;

void ProductionRecords::before(ChainLink link, const ChainState& state) {
    if (!record_) return;
    linkStarted_ = QDateTime::currentMSecsSinceEpoch();
    if (link != ChainLink::SerialNumber) return;
    // The page sends the number in its field; the store only learns of it.
    // A number it refuses (stored, unknown or another's) is not followed:
    // the record is kept without it.
    const auto number = store::parseSerial(state.serialNumber);
    if (!number) return;
    const auto reserved = store_->reserveSerial(*number, record_->station, record_->port);
    if (!reserved) return;
    record_->serialNumber = *reserved;
    record_->serialState = store::SerialState::Reserved;
    holdsNumber_ = true;
}

void ProductionRecords::after(ChainLink link, const Outcome* outcome, const ChainState& state) {
    if (!record_) return;
    store::ProductionRecord& r = *record_;
    store::recordChainLink(r, link, outcome, state, QDateTime::currentMSecsSinceEpoch() - linkStarted_);
    if (link == ChainLink::SerialNumber && holdsNumber_) r.serialState = store::serialStateAfter(outcome);
}

void ProductionRecords::finish() {
    if (!record_) return;
    record_->finished = QDateTime::currentDateTimeUtc();
    if (!store_->writeDeviceRecord(*record_) && holdsNumber_)
        store_->markSerial(*record_->serialNumber, record_->serialState);
    record_.reset();
}

}  // namespace korvel
