// The station store on a PostgreSQL server, for several stations drawing from
// one range.  A reservation is one statement that locks the lowest free number
// and skips numbers other stations hold locked at that moment, so stations
// never wait for each other and never get the same number.
#include <libpq-fe.h>

#include <QUrl>
#include <mutex>

#include "record_format.h"
#include "store_backends.h"

namespace korvel::store {

namespace {

const char kSchema[] = R"(
SELECT pg_advisory_xact_lock(4711001);
CREATE TABLE IF NOT EXISTS serials (
  number  integer PRIMARY KEY CHECK (number BETWEEN 0 AND 99999999),
  state   text NOT NULL DEFAULT 'free' CHECK (state IN ('free', 'reserved', 'stored', 'unknown')),
  station text NOT NULL DEFAULT '',
  port    text NOT NULL DEFAULT '',
  changed timestamptz NOT NULL DEFAULT now()
);
CREATE INDEX IF NOT EXISTS serials_by_state ON serials (state, number);
CREATE TABLE IF NOT EXISTS devices (
  id                  bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  station             text NOT NULL,
  port                text NOT NULL,
  port_identity       text NOT NULL,
  started             timestamptz,
  finished            timestamptz,
  module_type         text NOT NULL,
  core_version        text NOT NULL,
  application_version text NOT NULL,
  program_version     text NOT NULL,
  serial_number       integer REFERENCES serials (number),
  serial_state        text NOT NULL CHECK (serial_state IN ('free', 'stored', 'unknown')),
  links               jsonb NOT NULL,
  boot_file text NOT NULL, boot_sha256 text NOT NULL,
  firmware_file text NOT NULL, firmware_sha256 text NOT NULL,
  application_file text NOT NULL, application_sha256 text NOT NULL,
  failure             text NOT NULL
);
-- A stored number belongs to one device.
CREATE UNIQUE INDEX IF NOT EXISTS devices_stored_serial ON devices (serial_number) WHERE serial_state = 'stored';
CREATE INDEX IF NOT EXISTS devices_by_finished ON devices (finished);
)";

// Times go to and come from the server as ISO 8601 text in UTC.
const char kTime[] = R"(to_char(%1 AT TIME ZONE 'UTC', 'YYYY-MM-DD"T"HH24:MI:SS.MS"Z"'))";

QByteArray timeColumn(const char* column) { return QString::fromLatin1(kTime).arg(QLatin1String(column)).toUtf8(); }

class Result {
public:
    explicit Result(PGresult* r) : r_(r) {}
    ~Result() { PQclear(r_); }
    Result(Result&& o) noexcept : r_(o.r_) { o.r_ = nullptr; }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;

    bool ok() const {
        const ExecStatusType s = PQresultStatus(r_);
        return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
    }
    int rows() const { return PQntuples(r_); }
    qint64 affected() const { return QByteArray(PQcmdTuples(r_)).toLongLong(); }
    bool isNull(int row, int column) const { return PQgetisnull(r_, row, column) != 0; }
    QString text(int row, int column) const {
        return QString::fromUtf8(PQgetvalue(r_, row, column), PQgetlength(r_, row, column));
    }
    QString error() const { return QString::fromUtf8(PQresultErrorMessage(r_)).trimmed(); }

private:
    PGresult* r_;
};

// Parameters as text; a missing one is SQL NULL.
using Params = std::vector<std::optional<QString>>;

class PostgresqlStore final : public StationStore {
public:
    PostgresqlStore(PGconn* conn, QString url) : conn_(conn), url_(std::move(url)) {}
    ~PostgresqlStore() override { PQfinish(conn_); }

    // The address without its password.
    QString location() const override {
        QUrl url(url_);
        url.setPassword(QString());
        return url.toString();
    }

    bool prepare(QString& error) {
        if (PQstatus(conn_) != CONNECTION_OK) {
            error = connectionError();
            return false;
        }
        // Warnings of CREATE … IF NOT EXISTS are not for the operator.
        PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);
        Result begin = run("BEGIN");
        Result schema(PQexec(conn_, kSchema));
        if (!begin.ok() || !schema.ok()) {
            error = schema.error();
            run("ROLLBACK");
            return false;
        }
        Result commit = run("COMMIT");
        if (!commit.ok()) error = commit.error();
        return commit.ok();
    }

    StoreAnswer<SerialCounts> check() override {
        std::lock_guard lock(mutex_);
        reconnectIfLost();
        Result can = run("SELECT pg_is_in_recovery(), has_table_privilege('serials', 'UPDATE') "
                         "AND has_table_privilege('devices', 'INSERT')");
        if (!can.ok()) return StoreAnswer<SerialCounts>::fail(can.error());
        if (can.text(0, 0) == "t" || can.text(0, 1) != "t")
            return StoreAnswer<SerialCounts>::fail(QStringLiteral("%1: записывать нельзя").arg(location()));
        StoreAnswer<SerialCounts> c = countsLocked();
        if (c && c.value->free == 0)
            return StoreAnswer<SerialCounts>::fail(QStringLiteral("свободных серийных номеров нет"));
        return c;
    }

    StoreAnswer<qint64> addSerialRange(quint32 first, quint32 last) override {
        std::lock_guard lock(mutex_);
        reconnectIfLost();
        Result add = run("INSERT INTO serials (number) SELECT generate_series($1::integer, $2::integer) "
                         "ON CONFLICT (number) DO NOTHING",
                         {QString::number(first), QString::number(last)});
        if (!add.ok()) return StoreAnswer<qint64>::fail(add.error());
        return {add.affected(), {}};
    }

    StoreAnswer<quint32> reserveNextSerial(const QString& station, const QString& port) override {
        std::lock_guard lock(mutex_);
        reconnectIfLost();
        Result take = run("UPDATE serials SET state = 'reserved', station = $1, port = $2, changed = now() "
                          "WHERE number = (SELECT number FROM serials WHERE state = 'free' ORDER BY number "
                          "LIMIT 1 FOR UPDATE SKIP LOCKED) RETURNING number",
                          {station, port});
        if (!take.ok()) return StoreAnswer<quint32>::fail(take.error());
        if (take.rows() != 1) return StoreAnswer<quint32>::fail(QStringLiteral("свободных серийных номеров нет"));
        return {take.text(0, 0).toUInt(), {}};
    }

    StoreAnswer<quint32> reserveSerial(quint32 number, const QString& station, const QString& port) override {
        std::lock_guard lock(mutex_);
        reconnectIfLost();
        // The primary key refuses a number another station has just added.
        Result take = run("INSERT INTO serials AS s (number, state, station, port) VALUES ($1, 'reserved', $2, $3) "
                          "ON CONFLICT (number) DO UPDATE SET state = 'reserved', station = $2, port = $3, "
                          "changed = now() WHERE s.state = 'free' RETURNING number",
                          {QString::number(number), station, port});
        if (!take.ok()) return StoreAnswer<quint32>::fail(take.error());
        if (take.rows() == 1) return {number, {}};
        return StoreAnswer<quint32>::fail(refusedBecause(number, stateOf(number)));
    }

    StoreAnswer<bool> markSerial(quint32 number, SerialState state) override {
        std::lock_guard lock(mutex_);
        reconnectIfLost();
        const QString why = moveReserved(number, state);
        if (!why.isEmpty()) return StoreAnswer<bool>::fail(why);
        return {true, {}};
    }

    StoreAnswer<qint64> abandonReserved(const QString& station) override {
        std::lock_guard lock(mutex_);
        reconnectIfLost();
        Result abandon = run("UPDATE serials SET state = 'unknown', changed = now() "
                             "WHERE station = $1 AND state = 'reserved'",
                             {station});
        if (!abandon.ok()) return StoreAnswer<qint64>::fail(abandon.error());
        return {abandon.affected(), {}};
    }

    StoreAnswer<bool> releaseUnknown(quint32 number) override {
        std::lock_guard lock(mutex_);
        reconnectIfLost();
        Result release = run("UPDATE serials SET state = 'free', station = '', port = '', changed = now() "
                             "WHERE number = $1 AND state = 'unknown'",
                             {QString::number(number)});
        if (!release.ok()) return StoreAnswer<bool>::fail(release.error());
        if (release.affected() == 1) return {true, {}};
        const auto current = stateOf(number);
        return StoreAnswer<bool>::fail(current ? QStringLiteral("номер %1 не в состоянии unknown, а %2")
                                                     .arg(serialText(number), serialStateName(*current))
                                               : refusedBecause(number, current));
    }

    StoreAnswer<bool> writeDeviceRecord(const ProductionRecord& r) override {
        std::lock_guard lock(mutex_);
        reconnectIfLost();
        if (r.serialNumber && r.serialState == SerialState::Reserved)
            return StoreAnswer<bool>::fail(QStringLiteral("запись устройства: номер ещё не stored, free или unknown"));
        Result begin = run("BEGIN");
        if (!begin.ok()) return StoreAnswer<bool>::fail(begin.error());
        if (r.serialNumber) {
            const QString why = moveReserved(*r.serialNumber, r.serialState);
            if (!why.isEmpty()) {
                run("ROLLBACK");
                return StoreAnswer<bool>::fail(why);
            }
        }
        Params params{r.station, r.port, r.portIdentity, optionalTime(r.started), optionalTime(r.finished),
                      r.moduleType, r.coreVersion, r.applicationVersion, r.programVersion,
                      r.serialNumber ? std::optional<QString>(QString::number(*r.serialNumber)) : std::nullopt,
                      serialStateName(r.serialState), linksToJson(r.links)};
        for (const ImageRecord& image : r.images) params.insert(params.end(), {image.file, image.sha256});
        params.push_back(r.failure);
        Result insert = run("INSERT INTO devices (station, port, port_identity, started, finished, module_type, "
                            "core_version, application_version, program_version, serial_number, serial_state, "
                            "links, boot_file, boot_sha256, firmware_file, firmware_sha256, application_file, "
                            "application_sha256, failure) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, "
                            "$12, $13, $14, $15, $16, $17, $18, $19)",
                            params);
        if (!insert.ok()) {
            run("ROLLBACK");
            return StoreAnswer<bool>::fail(insert.error());
        }
        Result commit = run("COMMIT");
        if (!commit.ok()) return StoreAnswer<bool>::fail(commit.error());
        return {true, {}};
    }

    StoreAnswer<std::vector<ProductionRecord>> exportRecords(const QDateTime& since) override {
        std::lock_guard lock(mutex_);
        reconnectIfLost();
        const QByteArray sql = "SELECT station, port, port_identity, " + timeColumn("started") + ", " +
                               timeColumn("finished") +
                               ", module_type, core_version, application_version, program_version, "
                               "serial_number, serial_state, links, boot_file, boot_sha256, firmware_file, "
                               "firmware_sha256, application_file, application_sha256, failure FROM devices "
                               "WHERE $1::timestamptz IS NULL OR finished >= $1 ORDER BY finished, id";
        Result select = run(sql.constData(), {optionalTime(since)});
        if (!select.ok()) return StoreAnswer<std::vector<ProductionRecord>>::fail(select.error());
        std::vector<ProductionRecord> records;
        for (int row = 0; row < select.rows(); ++row) {
            auto at = [&](int column) { return select.text(row, column); };
            ProductionRecord r;
            r.station = at(0);
            r.port = at(1);
            r.portIdentity = at(2);
            r.started = fromIsoTime(at(3));
            r.finished = fromIsoTime(at(4));
            r.moduleType = at(5);
            r.coreVersion = at(6);
            r.applicationVersion = at(7);
            r.programVersion = at(8);
            if (!select.isNull(row, 9)) r.serialNumber = at(9).toUInt();
            r.serialState = serialStateFromName(at(10)).value_or(SerialState::Unknown);
            r.links = linksFromJson(at(11));
            for (int i = 0; i < 3; ++i) r.images[i] = {at(12 + 2 * i), at(13 + 2 * i)};
            r.failure = at(18);
            records.push_back(std::move(r));
        }
        return {std::move(records), {}};
    }

    StoreAnswer<SerialCounts> counts() override {
        std::lock_guard lock(mutex_);
        reconnectIfLost();
        return countsLocked();
    }

    StoreAnswer<std::vector<OpenSerial>> openSerials() override {
        std::lock_guard lock(mutex_);
        reconnectIfLost();
        const QByteArray sql = "SELECT number, state, station, port, " + timeColumn("changed") +
                               " FROM serials WHERE state IN ('reserved', 'unknown') ORDER BY number";
        Result select = run(sql.constData());
        if (!select.ok()) return StoreAnswer<std::vector<OpenSerial>>::fail(select.error());
        std::vector<OpenSerial> open;
        for (int row = 0; row < select.rows(); ++row)
            open.push_back({select.text(row, 0).toUInt(),
                            serialStateFromName(select.text(row, 1)).value_or(SerialState::Unknown),
                            select.text(row, 2), select.text(row, 3), fromIsoTime(select.text(row, 4))});
        return {std::move(open), {}};
    }

private:
    static std::optional<QString> optionalTime(const QDateTime& t) {
        return t.isValid() ? std::optional<QString>(isoTime(t)) : std::nullopt;
    }

    QString connectionError() const {
        return QStringLiteral("%1: %2").arg(location(), QString::fromUtf8(PQerrorMessage(conn_)).trimmed());
    }

    // At the start of each call, never inside a transaction: a server
    // restarted since the last call gets one new connection.
    void reconnectIfLost() {
        if (PQstatus(conn_) != CONNECTION_OK) PQreset(conn_);
    }

    Result run(const char* sql, const Params& params = {}) {
        std::vector<QByteArray> bytes;
        std::vector<const char*> values;
        bytes.reserve(params.size());
        for (const auto& p : params) {
            bytes.push_back(p ? p->toUtf8() : QByteArray());
            values.push_back(p ? bytes.back().constData() : nullptr);
        }
        return Result(PQexecParams(conn_, sql, int(values.size()), nullptr, values.data(), nullptr, nullptr, 0));
    }

    std::optional<SerialState> stateOf(quint32 number) {
        Result select = run("SELECT state FROM serials WHERE number = $1", {QString::number(number)});
        if (!select.ok() || select.rows() != 1) return std::nullopt;
        return serialStateFromName(select.text(0, 0));
    }

    QString moveReserved(quint32 number, SerialState state) {
        if (state == SerialState::Reserved) return QStringLiteral("номер можно только перевести из reserved");
        Result move = run("UPDATE serials SET state = $2, changed = now() WHERE number = $1 AND state = 'reserved'",
                          {QString::number(number), serialStateName(state)});
        if (!move.ok()) return move.error();
        if (move.affected() == 1) return QString();
        const auto current = stateOf(number);
        return current ? QStringLiteral("номер %1 не выдан (reserved), а в состоянии %2")
                             .arg(serialText(number), serialStateName(*current))
                       : refusedBecause(number, current);
    }

    StoreAnswer<SerialCounts> countsLocked() {
        Result select = run("SELECT state, count(*) FROM serials GROUP BY state");
        if (!select.ok()) return StoreAnswer<SerialCounts>::fail(select.error());
        SerialCounts c;
        for (int row = 0; row < select.rows(); ++row) {
            const auto state = serialStateFromName(select.text(row, 0));
            const qint64 n = select.text(row, 1).toLongLong();
            if (state == SerialState::Free) c.free = n;
            else if (state == SerialState::Reserved) c.reserved = n;
            else if (state == SerialState::Stored) c.stored = n;
            else if (state == SerialState::Unknown) c.unknown = n;
        }
        return {c, {}};
    }

    std::mutex mutex_;
    PGconn* conn_;
    QString url_;
};

}  // namespace

bool postgresqlAvailable() { return true; }

std::unique_ptr<StationStore> openPostgresqlStore(const QString& url, QString& error) {
    auto store = std::make_unique<PostgresqlStore>(PQconnectdb(url.toUtf8().constData()), url);
    if (!store->prepare(error)) return nullptr;
    return store;
}

}  // namespace korvel::store
