// The line's board: every station's slots as the stations wrote them into
// the shared store, each station's counts and first-pass yield, the counts
// per hour of the shift, the numbers left and the unknown numbers waiting for
// an operator.  It reads the store only, once a second, in a thread of its own.
#pragma once

#include <atomic>
#include <thread>
#include <vector>

#include "station/live_state.h"
#include "station/station_store.h"

namespace korvel::store {

// How far back the board looks: a shift.
constexpr qint64 kShiftHours = 12;

// The board's state from what the store holds; `now` the time it is read.
QJsonObject lineBoardJson(const std::vector<SlotRow>& slotList, const std::vector<ProductionRecord>& records,
                          const std::optional<SerialCounts>& counts, const std::vector<OpenSerial>& open,
                          const QDateTime& now);

class LineBoard : public LiveState {
public:
    explicit LineBoard(StationStore& store);
    ~LineBoard() override;
    LineBoard(const LineBoard&) = delete;
    LineBoard& operator=(const LineBoard&) = delete;

    std::optional<QByteArray> device(qint64 id) override;

protected:
    QJsonObject build() const override;

private:
    void run();
    void read();
    // Brings the shift's records up to date with those finished since the
    // newest held; false when the store could not be read.
    bool readRecords(const QDateTime& since, QString& error);

    StationStore& store_;
    QJsonObject state_;
    QString error_;  // why the store could not be read, the last time
    std::vector<ProductionRecord> last_;  // the shift's last devices, newest first
    std::vector<ProductionRecord> shift_;  // the shift's records, oldest first; the reader's own
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace korvel::store
