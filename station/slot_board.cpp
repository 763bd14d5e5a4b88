#include "station/slot_board.h"

#include <QJsonArray>
#include <QJsonDocument>

#include "station/record_format.h"

namespace korvel::store {

namespace {

QJsonValue timeOrNull(const QDateTime& t) { return t.isValid() ? QJsonValue(isoTime(t)) : QJsonValue(); }

QJsonObject lastDeviceJson(qint64 id, const QString& slot, const ProductionRecord& r) {
    return {{"id", double(id)},
            {"slot", slot},
            {"port", r.port},
            {"serial", r.serialNumber ? QJsonValue(serialText(*r.serialNumber)) : QJsonValue()},
            {"serialState", serialStateName(r.serialState)},
            {"done", r.failure.isEmpty()},
            {"failure", r.failure},
            {"finished", timeOrNull(r.finished)}};
}

}  // namespace

const char* slotPhaseName(SlotPhase phase) {
    switch (phase) {
        case SlotPhase::Waiting: return "waiting";
        case SlotPhase::Preparing: return "preparing";
        case SlotPhase::Done: return "done";
        case SlotPhase::Failed: return "failed";
    }
    return "";
}

QJsonObject tileJson(const SlotTile& t) {
    return {{"slot", t.slot},
            {"port", t.port},
            {"phase", slotPhaseName(t.phase)},
            {"link", t.link},
            {"attempt", t.attempt},
            {"percent", t.percent},
            {"ended", QJsonArray::fromStringList(t.ended)},
            {"started", timeOrNull(t.started)},
            {"finished", timeOrNull(t.finished)},
            {"moduleType", t.moduleType},
            {"coreVersion", t.coreVersion},
            {"applicationVersion", t.applicationVersion},
            {"serial", t.serial ? QJsonValue(serialText(*t.serial)) : QJsonValue()},
            {"serialState", t.serial ? QJsonValue(serialStateName(t.serialState)) : QJsonValue()},
            {"failure", t.failure},
            {"reason", t.reason},
            {"device", double(t.device)}};
}

void YieldCounts::add(const ProductionRecord& record) {
    if (!record.failure.isEmpty()) {
        ++failed;
        return;
    }
    ++done;
    bool again = false;
    for (const LinkRecord& l : record.links) again = again || l.attempts > 1;
    if (!again) ++firstPass;
}

QJsonObject yieldJson(const YieldCounts& c) {
    const qint64 all = c.done + c.failed;
    return {{"done", double(c.done)},
            {"failed", double(c.failed)},
            {"firstPass", double(c.firstPass)},
            {"firstPassYield", all > 0 ? QJsonValue(100.0 * double(c.firstPass) / double(all)) : QJsonValue()}};
}

SlotBoard::SlotBoard(QString station) : station_(std::move(station)) {}

SlotTile& SlotBoard::tile(const QString& port) {
    SlotTile& t = tiles_[port];
    if (t.port.isEmpty()) {
        t.port = port;
        t.slot = port;
    }
    return t;
}

void SlotBoard::setPorts(const QStringList& ports, const QStringList& slotList) {
    std::lock_guard lock(mutex_);
    for (int i = 0; i < ports.size(); ++i) {
        SlotTile& t = tile(ports[i]);
        if (i < slotList.size() && !slotList[i].isEmpty()) t.slot = slotList[i];
        toPublish_.insert(ports[i]);
    }
    changed();
}

void SlotBoard::deviceBegins(const QString& port, const QString& slot) {
    std::lock_guard lock(mutex_);
    SlotTile& t = tile(port);
    t = SlotTile();
    t.port = port;
    t.slot = slot.isEmpty() ? port : slot;
    t.phase = SlotPhase::Preparing;
    t.started = QDateTime::currentDateTimeUtc();
    toPublish_.insert(port);
    changed();
}

void SlotBoard::linkBegins(const QString& port, const QString& link, int attempt) {
    std::lock_guard lock(mutex_);
    SlotTile& t = tile(port);
    t.link = link;
    t.attempt = attempt;
    t.percent = -1;
    changed();
}

void SlotBoard::progress(const QString& port, int percent) {
    std::lock_guard lock(mutex_);
    SlotTile& t = tile(port);
    if (t.percent == percent) return;
    t.percent = percent;
    changed();
}

void SlotBoard::linkEnds(const QString& port, const QString& link, const QString& outcome, const QString& moduleType,
                         const QString& coreVersion, const QString& applicationVersion) {
    std::lock_guard lock(mutex_);
    SlotTile& t = tile(port);
    t.ended << link + u'=' + outcome;
    t.link.clear();
    t.percent = -1;
    const bool learned = (!moduleType.isEmpty() && moduleType != t.moduleType) ||
                         (!applicationVersion.isEmpty() && applicationVersion != t.applicationVersion);
    if (!moduleType.isEmpty()) t.moduleType = moduleType;
    if (!coreVersion.isEmpty()) t.coreVersion = coreVersion;
    if (!applicationVersion.isEmpty()) t.applicationVersion = applicationVersion;
    if (learned) toPublish_.insert(port);
    changed();
}

void SlotBoard::errorLine(const QString& port, const QString& text) {
    std::lock_guard lock(mutex_);
    tile(port).reason = text.trimmed();
    changed();
}

void SlotBoard::deviceEnds(const ProductionRecord& r) {
    std::lock_guard lock(mutex_);
    SlotTile& t = tile(r.port);
    if (!r.portIdentity.isEmpty()) t.slot = r.portIdentity;
    t.phase = r.failure.isEmpty() ? SlotPhase::Done : SlotPhase::Failed;
    t.link.clear();
    t.percent = -1;
    if (!t.started.isValid()) t.started = r.started;
    t.finished = r.finished.isValid() ? r.finished : QDateTime::currentDateTimeUtc();
    if (!r.moduleType.isEmpty()) t.moduleType = r.moduleType;
    if (!r.coreVersion.isEmpty()) t.coreVersion = r.coreVersion;
    if (!r.applicationVersion.isEmpty()) t.applicationVersion = r.applicationVersion;
    t.serial = r.serialNumber;
    t.serialState = r.serialState;
    t.failure = r.failure;
    t.device = nextDevice_;
    run_.add(r);
    last_.push_front({nextDevice_++, t.slot, r});
    if (last_.size() > std::size_t(kLastDevices)) last_.pop_back();
    toPublish_.insert(r.port);
    changed();
}

void SlotBoard::setNumbersLeft(std::optional<qint64> free) {
    std::lock_guard lock(mutex_);
    if (numbersLeft_ == free) return;
    numbersLeft_ = free;
    changed();
}

std::map<QString, QByteArray> SlotBoard::takeToPublish() {
    std::map<QString, QJsonObject> tiles;
    {
        std::lock_guard lock(mutex_);
        for (const QString& port : toPublish_) {
            const SlotTile& t = tiles_[port];
            tiles[t.slot] = tileJson(t);
        }
        toPublish_.clear();
    }
    std::map<QString, QByteArray> out;
    for (const auto& [slot, json] : tiles) out[slot] = QJsonDocument(json).toJson(QJsonDocument::Compact);
    return out;
}

std::optional<QByteArray> SlotBoard::device(qint64 id) {
    std::lock_guard lock(mutex_);
    for (const LastDevice& d : last_)
        if (d.id == id) return QJsonDocument(recordToJson(d.record)).toJson(QJsonDocument::Indented);
    return std::nullopt;
}

QJsonObject SlotBoard::build() const {
    std::vector<const SlotTile*> order;
    for (const auto& [port, t] : tiles_) order.push_back(&t);
    std::sort(order.begin(), order.end(), [](const SlotTile* a, const SlotTile* b) { return a->slot < b->slot; });
    QJsonArray slotList, last;
    for (const SlotTile* t : order) slotList.append(tileJson(*t));
    for (const LastDevice& d : last_) last.append(lastDeviceJson(d.id, d.slot, d.record));
    return {{"kind", "station"},
            {"station", station_},
            {"now", isoTime(QDateTime::currentDateTimeUtc())},
            {"slots", slotList},
            {"run", yieldJson(run_)},
            {"numbersLeft", numbersLeft_ ? QJsonValue(double(*numbersLeft_)) : QJsonValue()},
            {"devices", last}};
}

}  // namespace korvel::store
