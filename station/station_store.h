// The production station's store: the factory's serial numbers and the
// record of every device prepared.  One interface, two databases: an SQLite
// file for one machine (several processes may share it) and a PostgreSQL
// server for several stations.
//
// A serial number goes through these states:
//
//   free ──reserve──> reserved ──device confirmed──> stored
//                        │  └──provably never sent──> free
//                        └──sent, not confirmed────> unknown ──operator release──> free
//
// A number is handed out only from "free", and the database itself keeps each
// number once (primary key) and each stored number in one device record
// (unique index), so no two devices get the same number even when stations
// draw at the same moment.  An unknown number may be in a device already; it
// goes back to free only when an operator names it (releaseUnknown).
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "station/store_error.h"

namespace korvel::store {

// "free", "reserved", "stored", "unknown": the words the database keeps and
// the exports show.
QString serialStateName(SerialState state);
std::optional<SerialState> serialStateFromName(const QString& name);

// Serial numbers have eight decimal digits; they are shown with leading zeros.
constexpr quint32 kLastSerial = 99999999;
QString serialText(quint32 number);
// "4500", "00004500" -> 4500; anything else, or more than eight digits: none.
std::optional<quint32> parseSerial(const QString& text);

struct LinkRecord {
    QString name;         // identify, files, delete, boot, firmware, application, start, serial
    QString outcome;      // "ok", "failed", "skipped"
    qint64 durationMs = 0;  // all its attempts together
    int attempts = 1;       // more than one: it failed and was run again
};

struct ImageRecord {
    QString file;         // the image file as the station found it
    QString sha256;       // lower-case hex of the bytes written
};
constexpr const char* kImageNames[3] = {"boot", "firmware", "application"};

// What one device went through at a station; the station fills it, the store
// keeps it.
struct ProductionRecord {
    QString station;                 // the station's name (its host name unless given)
    QString port;                    // the port name as given (ttyUSB0, COM5)
    QString portIdentity;            // which fixture slot: see stablePortName()
    QDateTime started, finished;     // kept in UTC, to the millisecond
    QString moduleType, coreVersion, applicationVersion;
    std::vector<LinkRecord> links;
    std::array<ImageRecord, 3> images;   // boot loader, module firmware, application
    QString programVersion;          // korvel-cli's version
    std::optional<quint32> serialNumber;  // none when the chain ended before a number was drawn
    SerialState serialState = SerialState::Free;
    QString failure;                 // the first failure, empty when the device is done

    bool operator==(const ProductionRecord&) const;
};

struct SerialCounts {
    qint64 free = 0, reserved = 0, stored = 0, unknown = 0;
};

// A number that is neither free nor stored: what an operator may have to act on.
struct OpenSerial {
    quint32 number = 0;
    SerialState state = SerialState::Reserved;
    QString station, port;
    QDateTime changed;
};

// A running station's hold on its name.  Each running station (a produce or
// station process, the window's production page while it records) holds a
// lease while it runs and renews it every kLeaseRenewalMs; every number it
// reserves carries the lease.  A lease whose holder is gone (its process no
// longer runs on this machine, or it was not renewed for kLeaseBoundMs)
// gives its reserved numbers up as unknown at the next station's start, so
// several stations may run under one name.
struct LeaseHolder {
    QString station;   // the name it records under
    QString host;      // the host name
    QString machine;   // the machine's own id: a process id is judged only on its machine
    qint64 pid = 0;
};
// This process, recording as `station`.
LeaseHolder thisProcess(const QString& station);

constexpr qint64 kLeaseRenewalMs = 10000;
// Twelve renewals missed: the store was out of reach, or the station is gone.
constexpr qint64 kLeaseBoundMs = 120000;

// A fixture slot's live state as a station last wrote it, for the line's
// board: the tile as the station's view shows it (JSON text), and when.
struct SlotRow {
    QString station, slot;
    QByteArray tile;
    QDateTime updated;
};

// An answer from the store: the value, or why there is none.
template <class T>
struct StoreAnswer {
    std::optional<T> value;
    StoreError error;
    explicit operator bool() const { return value.has_value(); }
    const T& operator*() const { return *value; }
    const T* operator->() const { return &*value; }
    static StoreAnswer fail(StoreError why) { return {std::nullopt, std::move(why)}; }
    // The database's own words.
    static StoreAnswer fail(const QString& words) { return {std::nullopt, StoreError::systemSaid(words)}; }
};

// Every call is one transaction.  One object may be used from several
// threads (the station's ports); its calls are taken one at a time.
class StationStore {
public:
    virtual ~StationStore() = default;

    // Where the store is: the file, or the server and database.
    virtual QString location() const = 0;

    // The store can be reached and written, and still has free numbers.
    virtual StoreAnswer<SerialCounts> check() = 0;

    // Makes first..last known as free numbers; numbers already known keep
    // their state.  The answer is how many were new.  At most
    // kMaxRangeSize numbers at a time.
    virtual StoreAnswer<qint64> addSerialRange(quint32 first, quint32 last) = 0;

    // The lowest free number becomes reserved for this station and port.
    virtual StoreAnswer<quint32> reserveNextSerial(const QString& station, const QString& port) = 0;

    // A number the operator chose: reserved if it is free or not yet known,
    // refused if it is reserved, stored or unknown.
    virtual StoreAnswer<quint32> reserveSerial(quint32 number, const QString& station,
                                               const QString& port) = 0;

    // A reserved number becomes stored, free or unknown; nothing else moves.
    virtual StoreAnswer<bool> markSerial(quint32 number, SerialState state) = 0;

    // The holder's lease, with a new id; the numbers this object reserves
    // from then on carry it.  The answer is the lease's id.
    virtual StoreAnswer<qint64> takeLease(const LeaseHolder& holder) = 0;
    // The lease renewed now; taken again under its id when another station
    // judged it gone meanwhile, so that the numbers it reserves from then
    // on are not left to be judged.
    virtual StoreAnswer<bool> renewLease() = 0;
    // The lease deleted; numbers reserved from then on carry none.
    virtual StoreAnswer<bool> endLease() = 0;

    // What stations that died left behind: every number still reserved
    // (so without a record) under a lease whose holder is gone, or under a
    // lease that was ended, becomes unknown, as it may have been sent; the
    // gone leases are deleted.  A lease not renewed for `boundMs` is gone
    // wherever its holder runs.  Numbers reserved without a lease (by an
    // earlier release) are judged by name: those of `station` move.  A
    // station calls it at its start, after taking its own lease and before
    // it draws.  The answer is how many numbers moved.
    virtual StoreAnswer<qint64> abandonReserved(const QString& station, qint64 boundMs) = 0;

    // The operator's word that an unknown number is in no device: free again.
    virtual StoreAnswer<bool> releaseUnknown(quint32 number) = 0;

    // Keeps the record and, in the same transaction, moves its reserved
    // number to the record's serial state (stored, free or unknown).  When
    // either cannot be done, neither is.
    virtual StoreAnswer<bool> writeDeviceRecord(const ProductionRecord& record) = 0;

    // Records of devices finished at or after `since` (all when it is not
    // valid), oldest first.
    virtual StoreAnswer<std::vector<ProductionRecord>> exportRecords(const QDateTime& since) = 0;

    virtual StoreAnswer<SerialCounts> counts() = 0;
    virtual StoreAnswer<std::vector<OpenSerial>> openSerials() = 0;

    // The slot's live state, replacing what the station wrote for it before;
    // a few times per device.  Nothing else reads it than the board.
    virtual StoreAnswer<bool> writeSlotState(const QString& station, const QString& slot, const QByteArray& tile) = 0;
    // Every station's slots written at or after `since`, by station and slot.
    virtual StoreAnswer<std::vector<SlotRow>> slotStates(const QDateTime& since) = 0;
};

constexpr qint64 kMaxRangeSize = 1000000;

// "postgresql://…" or "postgres://…" opens a PostgreSQL store; anything else
// is an SQLite file, made with its folder when absent.  Empty: the default file.
std::unique_ptr<StationStore> openStationStore(const QString& location, StoreError& error);

// The user's data folder's korvel/station.sqlite (~/.local/share on Linux,
// %LOCALAPPDATA% on Windows).
QString defaultStoreFile();

// Whether this build can reach a PostgreSQL server.
bool postgresqlAvailable();

}  // namespace korvel::store
