// The station store in an SQLite file.  Several processes on one machine may
// share the file: it is kept in WAL mode, every change takes the write lock
// at its start (BEGIN IMMEDIATE) and waits about 15 s at most for another
// process's transaction to end.  The file must lie on a local disk; stations on
// several machines share a PostgreSQL server instead.
#include <sqlite3.h>

#include <QDir>
#include <QFileInfo>
#include <mutex>

#include "station/record_format.h"
#include "station/serial_moves.h"
#include "station/store_backends.h"

namespace korvel::store {

namespace {

const char kSchema[] = R"(
CREATE TABLE IF NOT EXISTS serials (
  number  INTEGER PRIMARY KEY CHECK (number BETWEEN 0 AND 99999999),
  state   TEXT NOT NULL DEFAULT 'free' CHECK (state IN ('free', 'reserved', 'stored', 'unknown')),
  station TEXT NOT NULL DEFAULT '',
  port    TEXT NOT NULL DEFAULT '',
  changed TEXT NOT NULL DEFAULT '',
  lease   INTEGER
);
CREATE INDEX IF NOT EXISTS serials_by_state ON serials (state, number);
-- The running stations.  AUTOINCREMENT: an ended lease's id is never given
-- to another, so its numbers cannot pass to a new station.
CREATE TABLE IF NOT EXISTS leases (
  id      INTEGER PRIMARY KEY AUTOINCREMENT,
  station TEXT NOT NULL,
  host    TEXT NOT NULL,
  machine TEXT NOT NULL,
  pid     INTEGER NOT NULL,
  started TEXT NOT NULL,
  renewed TEXT NOT NULL
);
CREATE TABLE IF NOT EXISTS devices (
  id                  INTEGER PRIMARY KEY AUTOINCREMENT,
  station             TEXT NOT NULL,
  port                TEXT NOT NULL,
  port_identity       TEXT NOT NULL,
  started             TEXT NOT NULL,
  finished            TEXT NOT NULL,
  module_type         TEXT NOT NULL,
  core_version        TEXT NOT NULL,
  application_version TEXT NOT NULL,
  program_version     TEXT NOT NULL,
  serial_number       INTEGER REFERENCES serials (number),
  serial_state        TEXT NOT NULL CHECK (serial_state IN ('free', 'stored', 'unknown')),
  links               TEXT NOT NULL,
  boot_file TEXT NOT NULL, boot_sha256 TEXT NOT NULL,
  firmware_file TEXT NOT NULL, firmware_sha256 TEXT NOT NULL,
  application_file TEXT NOT NULL, application_sha256 TEXT NOT NULL,
  failure             TEXT NOT NULL
);
-- A stored number belongs to one device.
CREATE UNIQUE INDEX IF NOT EXISTS devices_stored_serial ON devices (serial_number) WHERE serial_state = 'stored';
CREATE INDEX IF NOT EXISTS devices_by_finished ON devices (finished);
-- Each station's fixture slots as its view shows them, for the line's board.
CREATE TABLE IF NOT EXISTS slots (
  station TEXT NOT NULL, slot TEXT NOT NULL, tile TEXT NOT NULL, updated TEXT NOT NULL,
  PRIMARY KEY (station, slot)
);
)";

// About 15 s of waiting for another process's transaction.
constexpr int kBusyTries = 15000;

class Statement {
public:
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return stmt_ != nullptr; }
    Statement& bind(int index, qint64 value) {
        sqlite3_bind_int64(stmt_, index, value);
        return *this;
    }
    Statement& bind(int index, const QString& value) {
        const QByteArray utf8 = value.toUtf8();
        sqlite3_bind_text(stmt_, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& bindNull(int index) {
        sqlite3_bind_null(stmt_, index);
        return *this;
    }
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step() { return stmt_ ? sqlite3_step(stmt_) : SQLITE_ERROR; }
    qint64 integer(int column) const { return sqlite3_column_int64(stmt_, column); }
    bool isNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
    QString text(int column) const {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column)),
                                 sqlite3_column_bytes(stmt_, column));
    }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

QString now() { return isoTime(QDateTime::currentDateTimeUtc()); }

class SqliteStore final : public StationStore {
public:
    SqliteStore(sqlite3* db, QString file) : db_(db), file_(std::move(file)) {}
    ~SqliteStore() override { sqlite3_close(db_); }

    QString location() const override { return file_; }

    bool prepare(StoreError& error) {
        // SQLite's own busy wait sleeps longer and longer (up to 100 ms at a
        // time) while another process writes; the store's transactions are
        // short, so asking again every millisecond keeps stations moving.
        sqlite3_busy_handler(
            db_, [](void*, int tries) { return tries < kBusyTries ? (sqlite3_sleep(1), 1) : 0; }, nullptr);
        // WAL lets readers go on beside the one writer; FULL keeps every
        // committed reservation through a power cut, so that a number handed
        // out can never come back as free.
        if (!exec("PRAGMA journal_mode=WAL") || !exec("PRAGMA synchronous=FULL") ||
            !exec("PRAGMA foreign_keys=ON") || !exec("BEGIN IMMEDIATE")) {
            error = StoreError::systemSaid(lastError());
            return false;
        }
        if (!exec(kSchema) || !addLeaseColumn() || !exec("COMMIT")) {
            error = StoreError::systemSaid(lastError());
            exec("ROLLBACK");
            return false;
        }
        return true;
    }

    StoreAnswer<SerialCounts> check() override {
        std::lock_guard lock(mutex_);
        if (sqlite3_db_readonly(db_, "main") != 0)
            return StoreAnswer<SerialCounts>::fail(StoreError::of(StoreFailure::FileReadOnly, file_));
        if (!exec("BEGIN IMMEDIATE")) return StoreAnswer<SerialCounts>::fail(lastError());
        exec("ROLLBACK");
        StoreAnswer<SerialCounts> c = countsLocked();
        if (c && c.value->free == 0)
            return StoreAnswer<SerialCounts>::fail(StoreError::of(StoreFailure::NoFreeSerials));
        return c;
    }

    StoreAnswer<qint64> addSerialRange(quint32 first, quint32 last) override {
        std::lock_guard lock(mutex_);
        if (!exec("BEGIN IMMEDIATE")) return StoreAnswer<qint64>::fail(lastError());
        Statement add(db_,
                      "WITH RECURSIVE n(v) AS (SELECT ?1 UNION ALL SELECT v + 1 FROM n WHERE v < ?2) "
                      "INSERT OR IGNORE INTO serials (number, state, changed) SELECT v, 'free', ?3 FROM n");
        add.bind(1, first).bind(2, last).bind(3, now());
        if (add.step() != SQLITE_DONE) return rollback<qint64>();
        const qint64 added = sqlite3_changes(db_);
        if (!exec("COMMIT")) return rollback<qint64>();
        return {added, {}};
    }

    StoreAnswer<quint32> reserveNextSerial(const QString& station, const QString& port) override {
        std::lock_guard lock(mutex_);
        if (!exec("BEGIN IMMEDIATE")) return StoreAnswer<quint32>::fail(lastError());
        Statement take(db_,
                       "UPDATE serials SET state = 'reserved', station = ?1, port = ?2, changed = ?3, lease = ?4 "
                       "WHERE number = (SELECT min(number) FROM serials WHERE state = 'free') RETURNING number");
        take.bind(1, station).bind(2, port).bind(3, now());
        bindLease(take, 4);
        const int step = take.step();
        if (step == SQLITE_DONE) {
            exec("ROLLBACK");
            return StoreAnswer<quint32>::fail(StoreError::of(StoreFailure::NoFreeSerials));
        }
        if (step != SQLITE_ROW) return rollback<quint32>();
        const auto number = quint32(take.integer(0));
        if (take.step() != SQLITE_DONE || !exec("COMMIT")) return rollback<quint32>();
        return {number, {}};
    }

    StoreAnswer<quint32> reserveSerial(quint32 number, const QString& station, const QString& port) override {
        std::lock_guard lock(mutex_);
        if (!exec("BEGIN IMMEDIATE")) return StoreAnswer<quint32>::fail(lastError());
        // The primary key refuses a number some other process has just added.
        Statement take(db_,
                       "INSERT INTO serials (number, state, station, port, changed, lease) "
                       "VALUES (?1, 'reserved', ?2, ?3, ?4, ?5) "
                       "ON CONFLICT (number) DO UPDATE SET state = 'reserved', station = ?2, port = ?3, changed = ?4, "
                       "lease = ?5 WHERE state = ?6");
        take.bind(1, number).bind(2, station).bind(3, port).bind(4, now());
        bindLease(take, 5);
        take.bind(6, serialStateName(movesFrom(SerialMove::Reserve)));
        if (take.step() != SQLITE_DONE) return rollback<quint32>();
        if (sqlite3_changes(db_) != 1) return refused<quint32>(SerialMove::Reserve, number);
        if (!exec("COMMIT")) return rollback<quint32>();
        return {number, {}};
    }

    StoreAnswer<bool> markSerial(quint32 number, SerialState state) override {
        std::lock_guard lock(mutex_);
        if (!exec("BEGIN IMMEDIATE")) return StoreAnswer<bool>::fail(lastError());
        const auto why = moveSerial(SerialMove::Mark, number, state);
        if (why) {
            exec("ROLLBACK");
            return StoreAnswer<bool>::fail(*why);
        }
        if (!exec("COMMIT")) return rollback<bool>();
        return {true, {}};
    }

    StoreAnswer<qint64> takeLease(const LeaseHolder& holder) override {
        std::lock_guard lock(mutex_);
        if (!exec("BEGIN IMMEDIATE")) return StoreAnswer<qint64>::fail(lastError());
        const QString started = now();
        Statement take(db_, "INSERT INTO leases (station, host, machine, pid, started, renewed) "
                            "VALUES (?1, ?2, ?3, ?4, ?5, ?5) RETURNING id");
        take.bind(1, holder.station).bind(2, holder.host).bind(3, holder.machine).bind(4, holder.pid).bind(5, started);
        if (take.step() != SQLITE_ROW) return rollback<qint64>();
        const qint64 id = take.integer(0);
        if (take.step() != SQLITE_DONE || !exec("COMMIT")) return rollback<qint64>();
        lease_ = Lease{id, holder, started};
        return {id, {}};
    }

    StoreAnswer<bool> renewLease() override {
        std::lock_guard lock(mutex_);
        if (!lease_) return StoreAnswer<bool>::fail(StoreError::of(StoreFailure::NoLease));
        if (!exec("BEGIN IMMEDIATE")) return StoreAnswer<bool>::fail(lastError());
        Statement renew(db_, "INSERT INTO leases (id, station, host, machine, pid, started, renewed) "
                             "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7) ON CONFLICT (id) DO UPDATE SET renewed = ?7");
        const LeaseHolder& h = lease_->holder;
        renew.bind(1, lease_->id).bind(2, h.station).bind(3, h.host).bind(4, h.machine).bind(5, h.pid)
            .bind(6, lease_->started).bind(7, now());
        if (renew.step() != SQLITE_DONE || !exec("COMMIT")) return rollback<bool>();
        return {true, {}};
    }

    StoreAnswer<bool> endLease() override {
        std::lock_guard lock(mutex_);
        if (!lease_) return {true, {}};
        if (!exec("BEGIN IMMEDIATE")) return StoreAnswer<bool>::fail(lastError());
        Statement end(db_, "DELETE FROM leases WHERE id = ?1");
        end.bind(1, lease_->id);
        if (end.step() != SQLITE_DONE || !exec("COMMIT")) return rollback<bool>();
        lease_.reset();
        return {true, {}};
    }

    StoreAnswer<qint64> abandonReserved(const QString& station, qint64 boundMs) override {
        std::lock_guard lock(mutex_);
        if (!exec("BEGIN IMMEDIATE")) return StoreAnswer<qint64>::fail(lastError());
        // Judged under the write lock: no lease is renewed meanwhile.
        const QDateTime judged = QDateTime::currentDateTimeUtc();
        std::vector<qint64> gone;
        {
            Statement select(db_, "SELECT id, station, host, machine, pid, renewed FROM leases");
            int step;
            while ((step = select.step()) == SQLITE_ROW) {
                const LeaseSeen seen{select.integer(0),
                                     {select.text(1), select.text(2), select.text(3), select.integer(4)},
                                     fromIsoTime(select.text(5)).msecsTo(judged)};
                if (holderGone(seen, boundMs)) gone.push_back(seen.id);
            }
            if (step != SQLITE_DONE) return rollback<qint64>();
        }
        for (qint64 id : gone) {
            Statement end(db_, "DELETE FROM leases WHERE id = ?1");
            end.bind(1, id);
            if (end.step() != SQLITE_DONE) return rollback<qint64>();
        }
        // A number whose lease is no longer there lost its holder.
        Statement abandon(db_, "UPDATE serials SET state = 'unknown', changed = ?2 WHERE state = 'reserved' AND "
                               "((lease IS NULL AND station = ?1) OR lease NOT IN (SELECT id FROM leases))");
        abandon.bind(1, station).bind(2, now());
        if (abandon.step() != SQLITE_DONE) return rollback<qint64>();
        const qint64 moved = sqlite3_changes(db_);
        if (!exec("COMMIT")) return rollback<qint64>();
        return {moved, {}};
    }

    StoreAnswer<bool> releaseUnknown(quint32 number) override {
        std::lock_guard lock(mutex_);
        if (!exec("BEGIN IMMEDIATE")) return StoreAnswer<bool>::fail(lastError());
        Statement release(db_, "UPDATE serials SET state = 'free', station = '', port = '', changed = ?2, lease = NULL "
                               "WHERE number = ?1 AND state = ?3");
        release.bind(1, number).bind(2, now()).bind(3, serialStateName(movesFrom(SerialMove::Release)));
        if (release.step() != SQLITE_DONE) return rollback<bool>();
        if (sqlite3_changes(db_) != 1) return refused<bool>(SerialMove::Release, number);
        if (!exec("COMMIT")) return rollback<bool>();
        return {true, {}};
    }

    StoreAnswer<bool> writeDeviceRecord(const ProductionRecord& r) override {
        std::lock_guard lock(mutex_);
        if (r.serialNumber)
            if (const auto why = refusedTarget(SerialMove::Keep, r.serialState)) return StoreAnswer<bool>::fail(*why);
        if (!exec("BEGIN IMMEDIATE")) return StoreAnswer<bool>::fail(lastError());
        if (r.serialNumber) {
            const auto why = moveSerial(SerialMove::Keep, *r.serialNumber, r.serialState);
            if (why) {
                exec("ROLLBACK");
                return StoreAnswer<bool>::fail(*why);
            }
        }
        Statement insert(db_,
                         "INSERT INTO devices (station, port, port_identity, started, finished, module_type, "
                         "core_version, application_version, program_version, serial_number, serial_state, links, "
                         "boot_file, boot_sha256, firmware_file, firmware_sha256, application_file, "
                         "application_sha256, failure) "
                         "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18, ?19)");
        insert.bind(1, r.station).bind(2, r.port).bind(3, r.portIdentity).bind(4, isoTime(r.started))
            .bind(5, isoTime(r.finished)).bind(6, r.moduleType).bind(7, r.coreVersion)
            .bind(8, r.applicationVersion).bind(9, r.programVersion);
        if (r.serialNumber) insert.bind(10, *r.serialNumber);
        else insert.bindNull(10);
        insert.bind(11, serialStateName(r.serialState)).bind(12, linksToJson(r.links));
        for (int i = 0; i < 3; ++i) insert.bind(13 + 2 * i, r.images[i].file).bind(14 + 2 * i, r.images[i].sha256);
        insert.bind(19, r.failure);
        if (insert.step() != SQLITE_DONE || !exec("COMMIT")) return rollback<bool>();
        return {true, {}};
    }

    StoreAnswer<std::vector<ProductionRecord>> exportRecords(const QDateTime& since) override {
        std::lock_guard lock(mutex_);
        Statement select(db_,
                         "SELECT station, port, port_identity, started, finished, module_type, core_version, "
                         "application_version, program_version, serial_number, serial_state, links, boot_file, "
                         "boot_sha256, firmware_file, firmware_sha256, application_file, application_sha256, failure "
                         "FROM devices WHERE finished >= ?1 ORDER BY finished, id");
        select.bind(1, since.isValid() ? isoTime(since) : QString());
        std::vector<ProductionRecord> records;
        int step;
        while ((step = select.step()) == SQLITE_ROW) {
            ProductionRecord r;
            r.station = select.text(0);
            r.port = select.text(1);
            r.portIdentity = select.text(2);
            r.started = fromIsoTime(select.text(3));
            r.finished = fromIsoTime(select.text(4));
            r.moduleType = select.text(5);
            r.coreVersion = select.text(6);
            r.applicationVersion = select.text(7);
            r.programVersion = select.text(8);
            if (!select.isNull(9)) r.serialNumber = quint32(select.integer(9));
            r.serialState = serialStateFromName(select.text(10)).value_or(SerialState::Unknown);
            r.links = linksFromJson(select.text(11));
            for (int i = 0; i < 3; ++i) r.images[i] = {select.text(12 + 2 * i), select.text(13 + 2 * i)};
            r.failure = select.text(18);
            records.push_back(std::move(r));
        }
        if (step != SQLITE_DONE) return StoreAnswer<std::vector<ProductionRecord>>::fail(lastError());
        return {std::move(records), {}};
    }

    StoreAnswer<SerialCounts> counts() override {
        std::lock_guard lock(mutex_);
        return countsLocked();
    }

    StoreAnswer<std::vector<OpenSerial>> openSerials() override {
        std::lock_guard lock(mutex_);
        Statement select(db_, "SELECT number, state, station, port, changed FROM serials "
                              "WHERE state IN ('reserved', 'unknown') ORDER BY number");
        std::vector<OpenSerial> open;
        int step;
        while ((step = select.step()) == SQLITE_ROW)
            open.push_back({quint32(select.integer(0)),
                            serialStateFromName(select.text(1)).value_or(SerialState::Unknown), select.text(2),
                            select.text(3), fromIsoTime(select.text(4))});
        if (step != SQLITE_DONE) return StoreAnswer<std::vector<OpenSerial>>::fail(lastError());
        return {std::move(open), {}};
    }

    StoreAnswer<bool> writeSlotState(const QString& station, const QString& slot, const QByteArray& tile) override {
        std::lock_guard lock(mutex_);
        Statement put(db_, "INSERT INTO slots (station, slot, tile, updated) VALUES (?1, ?2, ?3, ?4) "
                           "ON CONFLICT (station, slot) DO UPDATE SET tile = ?3, updated = ?4");
        put.bind(1, station).bind(2, slot).bind(3, QString::fromUtf8(tile)).bind(4, now());
        if (put.step() != SQLITE_DONE) return StoreAnswer<bool>::fail(lastError());
        return {true, {}};
    }

    StoreAnswer<std::vector<SlotRow>> slotStates(const QDateTime& since) override {
        std::lock_guard lock(mutex_);
        Statement select(db_, "SELECT station, slot, tile, updated FROM slots WHERE updated >= ?1 ORDER BY station, slot");
        select.bind(1, since.isValid() ? isoTime(since) : QString());
        std::vector<SlotRow> rows;
        int step;
        while ((step = select.step()) == SQLITE_ROW)
            rows.push_back({select.text(0), select.text(1), select.text(2).toUtf8(), fromIsoTime(select.text(3))});
        if (step != SQLITE_DONE) return StoreAnswer<std::vector<SlotRow>>::fail(lastError());
        return {std::move(rows), {}};
    }

private:
    bool exec(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }
    QString lastError() const { return QStringLiteral("%1: %2").arg(file_, QString::fromUtf8(sqlite3_errmsg(db_))); }

    template <class T>
    StoreAnswer<T> rollback() {
        const QString why = lastError();
        exec("ROLLBACK");
        return StoreAnswer<T>::fail(why);
    }

    // The statement moved nothing: why, the transaction rolled back.
    template <class T>
    StoreAnswer<T> refused(SerialMove move, quint32 number) {
        const auto current = stateOf(number);
        exec("ROLLBACK");
        return StoreAnswer<T>::fail(refusal(move, number, current));
    }

    // A store file made by an earlier release has no lease column yet.
    bool addLeaseColumn() {
        Statement has(db_, "SELECT 1 FROM pragma_table_info('serials') WHERE name = 'lease'");
        const int step = has.step();
        if (step == SQLITE_ROW) return true;
        return step == SQLITE_DONE && exec("ALTER TABLE serials ADD COLUMN lease INTEGER");
    }

    void bindLease(Statement& statement, int index) {
        if (lease_) statement.bind(index, lease_->id);
        else statement.bindNull(index);
    }

    std::optional<SerialState> stateOf(quint32 number) {
        Statement select(db_, "SELECT state FROM serials WHERE number = ?1");
        select.bind(1, number);
        if (select.step() != SQLITE_ROW) return std::nullopt;
        return serialStateFromName(select.text(0));
    }

    // Inside a transaction: a reserved number -> state.  None when done, else why not.
    std::optional<StoreError> moveSerial(SerialMove how, quint32 number, SerialState state) {
        if (const auto why = refusedTarget(how, state)) return why;
        Statement move(db_, "UPDATE serials SET state = ?2, changed = ?3 WHERE number = ?1 AND state = ?4");
        move.bind(1, number).bind(2, serialStateName(state)).bind(3, now()).bind(4, serialStateName(movesFrom(how)));
        if (move.step() != SQLITE_DONE) return StoreError::systemSaid(lastError());
        if (sqlite3_changes(db_) == 1) return std::nullopt;
        return refusal(how, number, stateOf(number));
    }

    StoreAnswer<SerialCounts> countsLocked() {
        Statement select(db_, "SELECT state, count(*) FROM serials GROUP BY state");
        SerialCounts c;
        int step;
        while ((step = select.step()) == SQLITE_ROW) {
            const auto state = serialStateFromName(select.text(0));
            const qint64 n = select.integer(1);
            if (state == SerialState::Free) c.free = n;
            else if (state == SerialState::Reserved) c.reserved = n;
            else if (state == SerialState::Stored) c.stored = n;
            else if (state == SerialState::Unknown) c.unknown = n;
        }
        if (step != SQLITE_DONE) return StoreAnswer<SerialCounts>::fail(lastError());
        return {c, {}};
    }

    struct Lease {
        qint64 id;
        LeaseHolder holder;
        QString started;
    };

    std::mutex mutex_;
    sqlite3* db_;
    QString file_;
    std::optional<Lease> lease_;
};

}  // namespace

std::unique_ptr<StationStore> openSqliteStore(const QString& file, StoreError& error) {
    const QFileInfo info(file);
    if (!QDir().mkpath(info.absolutePath())) {
        error = StoreError::of(StoreFailure::FolderNotMade, info.absolutePath());
        return nullptr;
    }
    sqlite3* db = nullptr;
    const int opened = sqlite3_open_v2(QDir::toNativeSeparators(info.absoluteFilePath()).toUtf8().constData(), &db,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
    auto store = std::make_unique<SqliteStore>(db, info.absoluteFilePath());
    if (opened != SQLITE_OK) {
        error = StoreError::systemSaid(QString::fromUtf8(sqlite3_errstr(opened)), file);
        return nullptr;
    }
    if (!store->prepare(error)) return nullptr;
    return store;
}

}  // namespace korvel::store
