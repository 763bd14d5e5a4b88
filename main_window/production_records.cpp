#include "main_window/production_records.h"

#include <QDateTime>
#include <QSysInfo>

#include "station/device_recorder.h"
#include "station/station_lease.h"
#include "station/station_store.h"

namespace korvel {

ProductionRecords::ProductionRecords(const QString& location, const QString& port) {
    store::StoreError error;
    store_ = store::openStationStore(location, error);
    if (!store_) return;
    // Its own name: a korvel-cli station on this PC records as the host.
    recorder_ = std::make_unique<store::DeviceRecorder>(QSysInfo::machineHostName() + QStringLiteral("-window"), port);
    // Without its lease the page still records; its number is then judged by
    // the page's name alone.
    lease_ = std::make_unique<store::StationLease>(*store_);
    lease_->take(store::thisProcess(recorder_->record().station));
}

ProductionRecords::~ProductionRecords() = default;

void ProductionRecords::before(ChainLink link, const ChainState& state) {
    if (!recorder_) return;
    linkStarted_ = QDateTime::currentMSecsSinceEpoch();
    if (link != ChainLink::SerialNumber) return;
    // The page sends the number in its field; the store only learns of it.
    // A number it refuses (stored, unknown or another's) is not followed:
    // the record is kept without it.
    if (const auto number = store::parseSerial(state.serialNumber)) recorder_->reserve(*store_, *number);
}

void ProductionRecords::after(ChainLink link, const Outcome* outcome, const ChainState& state) {
    if (recorder_) recorder_->linkEnded(link, outcome, state, QDateTime::currentMSecsSinceEpoch() - linkStarted_);
}

void ProductionRecords::finish() {
    if (!recorder_) return;
    recorder_->keep(*store_);
    recorder_.reset();
}

}  // namespace korvel
