// The station's fixture slots as its view shows them: one tile per slot with
// the device in it (its state, the link running and its progress, module,
// versions, serial number, and why it failed), this run's counts and its last
// devices.  The station's events change it from the devices' threads; the
// view's server and the store's writer read it.
#pragma once

#include <QDateTime>
#include <QStringList>
#include <deque>
#include <map>
#include <set>

#include "station/live_state.h"
#include "station/station_store.h"

namespace korvel::store {

enum class SlotPhase { Waiting, Preparing, Done, Failed };
// "waiting", "preparing", "done", "failed": the words the page and the store keep.
const char* slotPhaseName(SlotPhase phase);

struct SlotTile {
    QString slot;  // the fixture slot's name: its by-path/by-id identity, or the port's name
    QString port;
    SlotPhase phase = SlotPhase::Waiting;
    QString link;       // the link running
    int attempt = 0;    // of the link running
    int percent = -1;   // its progress, when it has shown any
    QStringList ended;  // "identify=ok", "start=failed"
    QDateTime started, finished;
    QString moduleType, coreVersion, applicationVersion;
    std::optional<quint32> serial;
    SerialState serialState = SerialState::Free;
    QString failure;  // the record's failure: "start: …"
    QString reason;   // the last error the device's lines told, in words
    qint64 device = 0;  // the finished device's id in the list of last devices
};

QJsonObject tileJson(const SlotTile& tile);

// Counts of one run or one station: done, failed, done without a link run again.
struct YieldCounts {
    qint64 done = 0, failed = 0, firstPass = 0;
    void add(const ProductionRecord& record);
};
QJsonObject yieldJson(const YieldCounts& counts);

class SlotBoard : public LiveState {
public:
    explicit SlotBoard(QString station);

    // Tiles waiting for their devices, for a station given its ports.
    void setPorts(const QStringList& ports, const QStringList& slotList);
    // A new device in the slot on `port`: what the tile showed goes.
    void deviceBegins(const QString& port, const QString& slot);
    void linkBegins(const QString& port, const QString& link, int attempt);
    void progress(const QString& port, int percent);
    // `outcome`: ok, failed, skipped; what the link learned of the module.
    void linkEnds(const QString& port, const QString& link, const QString& outcome, const QString& moduleType,
                  const QString& coreVersion, const QString& applicationVersion);
    void errorLine(const QString& port, const QString& text);
    void deviceEnds(const ProductionRecord& record);
    // The free numbers in the store's range; none when not known.
    void setNumbersLeft(std::optional<qint64> free);

    // The tiles changed at one of the moments kept in the store (a device's
    // start, its module known, its end) since the last call, as JSON by slot.
    std::map<QString, QByteArray> takeToPublish();

    std::optional<QByteArray> device(qint64 id) override;

protected:
    QJsonObject build() const override;

private:
    SlotTile& tile(const QString& port);

    QString station_;
    std::map<QString, SlotTile> tiles_;  // by port
    std::set<QString> toPublish_;        // ports
    YieldCounts run_;
    std::optional<qint64> numbersLeft_;
    struct LastDevice {
        qint64 id;
        QString slot;
        ProductionRecord record;
    };
    std::deque<LastDevice> last_;  // newest first
    qint64 nextDevice_ = 1;
};

// How many of the last devices the view keeps.
constexpr int kLastDevices = 50;

}  // namespace korvel::store
