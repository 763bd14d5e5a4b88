#include "station/line_board.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <map>

#include "station/record_format.h"
#include "station/slot_board.h"

namespace korvel::store {

namespace {

using namespace std::chrono;

QJsonObject stationsJson(const std::vector<SlotRow>& slotList, const std::map<QString, YieldCounts>& yields) {
    std::map<QString, std::pair<QJsonArray, QDateTime>> byStation;
    for (const SlotRow& row : slotList) {
        auto& [tiles, updated] = byStation[row.station];
        tiles.append(QJsonDocument::fromJson(row.tile).object());
        if (!updated.isValid() || row.updated > updated) updated = row.updated;
    }
    for (const auto& [station, y] : yields) byStation[station];
    QJsonArray stations;
    for (const auto& [station, seen] : byStation) {
        const auto y = yields.find(station);
        stations.append(QJsonObject{{"station", station},
                                    {"slots", seen.first},
                                    {"updated", seen.second.isValid() ? QJsonValue(isoTime(seen.second)) : QJsonValue()},
                                    {"yield", yieldJson(y == yields.end() ? YieldCounts() : y->second)}});
    }
    return {{"stations", stations}};
}

QJsonArray hoursJson(const std::vector<ProductionRecord>& records) {
    std::map<qint64, std::map<QString, YieldCounts>> byHour;
    for (const ProductionRecord& r : records) {
        const qint64 hour = r.finished.toSecsSinceEpoch() / 3600 * 3600;
        byHour[hour][r.station].add(r);
    }
    QJsonArray hours;
    for (const auto& [hour, stations] : byHour) {
        QJsonObject each;
        for (const auto& [station, y] : stations) each.insert(station, yieldJson(y));
        hours.append(QJsonObject{{"hour", isoTime(QDateTime::fromSecsSinceEpoch(hour, Qt::UTC))}, {"stations", each}});
    }
    return hours;
}

QJsonObject lastDeviceJson(const ProductionRecord& r) {
    return {{"id", double(r.finished.toMSecsSinceEpoch())},
            {"station", r.station},
            {"slot", r.portIdentity.isEmpty() ? r.port : r.portIdentity},
            {"port", r.port},
            {"serial", r.serialNumber ? QJsonValue(serialText(*r.serialNumber)) : QJsonValue()},
            {"serialState", serialStateName(r.serialState)},
            {"done", r.failure.isEmpty()},
            {"failure", r.failure},
            {"finished", isoTime(r.finished)}};
}

}  // namespace

QJsonObject lineBoardJson(const std::vector<SlotRow>& slotList, const std::vector<ProductionRecord>& records,
                          const std::optional<SerialCounts>& counts, const std::vector<OpenSerial>& open,
                          const QDateTime& now) {
    std::map<QString, YieldCounts> yields;
    for (const ProductionRecord& r : records) yields[r.station].add(r);
    QJsonObject board = stationsJson(slotList, yields);
    board.insert("kind", "board");
    board.insert("now", isoTime(now));
    board.insert("hours", hoursJson(records));
    board.insert("numbersLeft", counts ? QJsonValue(double(counts->free)) : QJsonValue());
    QJsonArray unknown;
    for (const OpenSerial& o : open)
        if (o.state == SerialState::Unknown)
            unknown.append(QJsonObject{{"serial", serialText(o.number)},
                                       {"station", o.station},
                                       {"port", o.port},
                                       {"changed", o.changed.isValid() ? QJsonValue(isoTime(o.changed)) : QJsonValue()}});
    board.insert("unknown", unknown);
    QJsonArray last;
    for (auto r = records.rbegin(); r != records.rend() && last.size() < kLastDevices; ++r)
        last.append(lastDeviceJson(*r));
    board.insert("devices", last);
    return board;
}

LineBoard::LineBoard(StationStore& store) : store_(store) {
    read();
    thread_ = std::thread([this] { run(); });
}

LineBoard::~LineBoard() {
    stopping_ = true;
    thread_.join();
}

void LineBoard::run() {
    while (!stopping_) {
        for (int i = 0; i < 10 && !stopping_; ++i) std::this_thread::sleep_for(milliseconds(100));
        if (!stopping_) read();
    }
}

bool LineBoard::readRecords(const QDateTime& since, QString& error) {
    const QDateTime from = shift_.empty() ? since : shift_.back().finished;
    const auto fresh = store_.exportRecords(from);
    if (!fresh) {
        error = storeErrorSummary(fresh.error);
        return false;
    }
    // Those finished at the newest held time come again.
    std::size_t same = 0;
    while (same < shift_.size() && shift_[shift_.size() - 1 - same].finished == from) ++same;
    for (const ProductionRecord& r : *fresh)
        if (r.finished != from || std::find(shift_.end() - std::ptrdiff_t(same), shift_.end(), r) == shift_.end())
            shift_.push_back(r);
    std::size_t old = 0;
    while (old < shift_.size() && shift_[old].finished < since) ++old;
    shift_.erase(shift_.begin(), shift_.begin() + std::ptrdiff_t(old));
    return true;
}

void LineBoard::read() {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QDateTime since = now.addSecs(-kShiftHours * 3600);
    const auto slotList = store_.slotStates(since);
    QString error;
    const bool recordsRead = readRecords(since, error);
    const auto* records = &shift_;
    const auto counts = store_.counts();
    const auto open = store_.openSerials();
    // A read fails only with the database's own words, which the summary keeps as they are.
    if (error.isEmpty()) error = !slotList ? storeErrorSummary(slotList.error) : !open ? storeErrorSummary(open.error) : QString();
    QJsonObject state;
    if (error.isEmpty() && recordsRead) {
        state = lineBoardJson(*slotList, *records, counts.value, *open, now);
        // The time alone changed nothing.
        state.remove("now");
    }
    std::lock_guard lock(mutex_);
    if (!error.isEmpty() && error == error_) return;
    if (error.isEmpty() && state == state_ && error_.isEmpty()) return;
    error_ = error;
    if (error.isEmpty()) {
        state_ = state;
        last_.assign(records->rbegin(), records->rbegin() + std::min<std::size_t>(records->size(), kLastDevices));
    }
    changed();
}

std::optional<QByteArray> LineBoard::device(qint64 id) {
    std::lock_guard lock(mutex_);
    for (const ProductionRecord& r : last_)
        if (r.finished.toMSecsSinceEpoch() == id) return QJsonDocument(recordToJson(r)).toJson(QJsonDocument::Indented);
    return std::nullopt;
}

QJsonObject LineBoard::build() const {
    QJsonObject state = state_;
    state.insert("kind", "board");
    state.insert("now", isoTime(QDateTime::currentDateTimeUtc()));
    if (!error_.isEmpty()) state.insert("storeError", error_);
    return state;
}

}  // namespace korvel::store
