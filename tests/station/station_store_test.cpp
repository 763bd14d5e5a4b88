// The station store on each database: a serial number's states, the record
// kept with its number in one transaction, and records read back as written.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "station/station_lease.h"
#include "station/station_store.h"
#include "store_location.h"

namespace korvel::store {
namespace {

class Store : public ::testing::TestWithParam<const char*> {
protected:
    std::unique_ptr<StationStore> open(const QString& name) {
        location_ = test::freshStoreLocation(GetParam(), dir_, name);
        if (location_.isEmpty()) return nullptr;
        return again();
    }
    // The last store opened, as another station opens it.
    std::unique_ptr<StationStore> again() {
        korvel::store::StoreError error;
        auto store = openStationStore(location_, error);
        EXPECT_TRUE(store) << korvel::store::storeErrorSummary(error).toStdString();
        return store;
    }
    // SQL run on the store as it stands, by another program (psql for the server).
    void runSql(const QString& sql) {
        if (std::string(GetParam()) == "sqlite") {
            sqlite3* db = nullptr;
            ASSERT_EQ(sqlite3_open(location_.toUtf8().constData(), &db), SQLITE_OK);
            char* error = nullptr;
            EXPECT_EQ(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error), SQLITE_OK) << error;
            sqlite3_free(error);
            sqlite3_close(db);
            return;
        }
        QProcess psql;
        psql.start(QStringLiteral("psql"), {"-q", "-v", "ON_ERROR_STOP=1", "-d", location_, "-c", sql});
        ASSERT_TRUE(psql.waitForFinished(30000));
        EXPECT_EQ(psql.exitCode(), 0) << psql.readAllStandardError().toStdString();
    }
    QTemporaryDir dir_;
    QString location_;
};

ProductionRecord sampleRecord(std::optional<quint32> serial, SerialState state) {
    ProductionRecord r;
    r.station = QStringLiteral("Стенд 2; линия \"Б\"");
    r.port = QStringLiteral("ttyUSB1");
    r.portIdentity = QStringLiteral("by-path/pci-0000:00:14.0-usb-0:2:1.0-port0");
    r.started = QDateTime::fromString(QStringLiteral("2024-05-14T12:03:11.250+03:00"), Qt::ISODateWithMs);
    r.finished = r.started.addMSecs(95431);
    r.moduleType = QStringLiteral("Q2687RD");
    r.coreVersion = QStringLiteral("R7.43.0");
    r.applicationVersion = QStringLiteral("2.1\r\nпробная");
    r.links = {{"identify", "ok", 812}, {"files", "ok", 3}, {"serial", "failed", 1004}};
    r.images[0] = {QStringLiteral("/srv/fw/dwl.dwl"), QString(64, u'a')};
    r.images[2] = {QStringLiteral("C:\\Прошивки\\KORVEL;2.dwl"), QString(64, u'f')};
    r.programVersion = QStringLiteral("1.1.2.2");
    r.serialNumber = serial;
    r.serialState = state;
    r.failure = QStringLiteral("serial: Ошибка записи серийного номера!\n\"AT+ZQSNUM\"; ответ ERROR");
    return r;
}

TEST_P(Store, SerialNumberStatesAndUniqueness) {
    const auto store = open("states");
    if (!store) GTEST_SKIP() << test::kNoPostgresql;
    EXPECT_EQ(*store->addSerialRange(10, 14), 5);
    EXPECT_EQ(*store->addSerialRange(10, 16), 2);  // 10..14 are known already

    EXPECT_EQ(*store->reserveNextSerial("A", "ttyUSB0"), 10u);
    EXPECT_EQ(*store->reserveNextSerial("A", "ttyUSB1"), 11u);
    EXPECT_TRUE(store->markSerial(10, SerialState::Stored));
    EXPECT_EQ(store->markSerial(10, SerialState::Free).error.failure, StoreFailure::NotReserved);  // stored stays
    EXPECT_EQ(store->markSerial(12, SerialState::Reserved).error.failure, StoreFailure::MovedOnlyFromReserved);
    EXPECT_TRUE(store->markSerial(11, SerialState::Unknown));
    EXPECT_FALSE(store->markSerial(11, SerialState::Free));     // only the operator frees it
    EXPECT_EQ(*store->reserveNextSerial("A", "ttyUSB1"), 12u);  // 11 is not handed out again

    // Numbers the operator types.
    EXPECT_FALSE(store->reserveSerial(10, "A", "ttyUSB2"));     // stored
    EXPECT_FALSE(store->reserveSerial(12, "A", "ttyUSB2"));     // reserved
    const auto unknown = store->reserveSerial(11, "A", "ttyUSB2");
    EXPECT_EQ(unknown.error.failure, StoreFailure::SerialRefused);
    EXPECT_EQ(unknown.error.state, SerialState::Unknown);
    EXPECT_EQ(*store->reserveSerial(13, "A", "ttyUSB2"), 13u);  // free
    EXPECT_EQ(*store->reserveSerial(500, "A", "ttyUSB3"), 500u); // not in a range yet
    EXPECT_FALSE(store->reserveSerial(500, "B", "ttyUSB0"));

    EXPECT_EQ(store->releaseUnknown(12).error.failure, StoreFailure::NotUnknown);  // reserved, maybe on its way
    EXPECT_FALSE(store->releaseUnknown(10));
    EXPECT_TRUE(store->releaseUnknown(11));
    EXPECT_EQ(*store->reserveNextSerial("A", "ttyUSB0"), 11u);

    const SerialCounts c = *store->counts();
    EXPECT_EQ(c.free, 3);     // 14, 15, 16
    EXPECT_EQ(c.reserved, 4); // 11, 12, 13, 500
    EXPECT_EQ(c.stored, 1);
    EXPECT_EQ(c.unknown, 0);
    const auto open = *store->openSerials();
    ASSERT_EQ(open.size(), 4u);
    EXPECT_EQ(open[3].number, 500u);
    EXPECT_EQ(open[3].port, "ttyUSB3");

    // The range runs out.
    EXPECT_TRUE(store->check());
    for (quint32 n : {14u, 15u, 16u}) EXPECT_EQ(*store->reserveNextSerial("A", "ttyUSB0"), n);
    EXPECT_FALSE(store->reserveNextSerial("A", "ttyUSB0"));
    EXPECT_FALSE(store->check());
}

TEST_P(Store, RecordAndItsNumberMoveTogether) {
    const auto store = open("records");
    if (!store) GTEST_SKIP() << test::kNoPostgresql;
    ASSERT_TRUE(store->addSerialRange(4500, 4503));
    const quint32 a = *store->reserveNextSerial("A", "ttyUSB0");
    const quint32 b = *store->reserveNextSerial("A", "ttyUSB1");

    const ProductionRecord stored = sampleRecord(a, SerialState::Stored);
    ASSERT_TRUE(store->writeDeviceRecord(stored));
    // The same number again: refused, and no second record is kept.
    EXPECT_EQ(store->writeDeviceRecord(sampleRecord(a, SerialState::Stored)).error.failure, StoreFailure::NotReserved);
    EXPECT_EQ(store->writeDeviceRecord(sampleRecord(b, SerialState::Reserved)).error.failure, StoreFailure::RecordStillReserved);
    // A number never handed out: refused.
    EXPECT_FALSE(store->writeDeviceRecord(sampleRecord(4503, SerialState::Unknown)));
    ProductionRecord unknown = sampleRecord(b, SerialState::Unknown);
    unknown.links.clear();
    ASSERT_TRUE(store->writeDeviceRecord(unknown));
    ProductionRecord early = sampleRecord(std::nullopt, SerialState::Free);  // failed before a number
    early.finished = stored.finished.addSecs(3600);
    early.images = {};
    ASSERT_TRUE(store->writeDeviceRecord(early));

    const SerialCounts c = *store->counts();
    EXPECT_EQ(c.stored, 1);
    EXPECT_EQ(c.unknown, 1);
    EXPECT_EQ(c.free, 2);
    EXPECT_TRUE(*store->exportRecords(QDateTime()) == (std::vector<ProductionRecord>{stored, unknown, early}));
    EXPECT_TRUE(*store->exportRecords(stored.finished.addMSecs(1)) == std::vector<ProductionRecord>{early});
}

// Stations at their start: only the numbers reserved under leases whose
// holder is gone become unknown, so two stations may run under one name;
// numbers with their record keep their state.
TEST_P(Store, OnlyGoneStationsNumbersBecomeUnknown) {
    const auto first = open("leases");
    if (!first) GTEST_SKIP() << test::kNoPostgresql;
    ASSERT_TRUE(first->addSerialRange(1, 10));
    ASSERT_TRUE(first->takeLease(thisProcess("A")));
    const quint32 held = *first->reserveNextSerial("A", "ttyUSB0");  // 1
    ASSERT_TRUE(first->writeDeviceRecord(sampleRecord(*first->reserveNextSerial("A", "ttyUSB1"), SerialState::Stored)));
    const auto killed = again();  // a process of this machine that no longer runs
    LeaseHolder dead = thisProcess("A");
    dead.pid = 2147483647;
    ASSERT_TRUE(killed->takeLease(dead));
    killed->reserveNextSerial("A", "ttyUSB2");                        // 3
    const auto remote = again();  // on another host: judged by its renewals alone
    ASSERT_TRUE(remote->takeLease({"B", "line2", "other-machine", 1}));
    remote->reserveNextSerial("B", "ttyUSB0");                        // 4
    const auto ended = again();   // ended with a number still reserved
    ASSERT_TRUE(ended->takeLease(thisProcess("C")));
    ended->reserveNextSerial("C", "ttyUSB0");                         // 5
    ASSERT_TRUE(ended->endLease());
    const auto earlier = again(); // an earlier release's: no lease, judged by name
    earlier->reserveNextSerial("A", "ttyUSB3");                       // 6
    earlier->reserveNextSerial("D", "ttyUSB0");                       // 7

    // A second station under A starts while the first holds its number.
    const auto second = again();
    ASSERT_TRUE(second->takeLease(thisProcess("A")));
    EXPECT_EQ(*second->abandonReserved("A", kLeaseBoundMs), 3);
    const quint32 mine = *second->reserveNextSerial("A", "ttyUSB4"); // 8
    EXPECT_TRUE(first->writeDeviceRecord(sampleRecord(held, SerialState::Stored)));
    EXPECT_TRUE(second->writeDeviceRecord(sampleRecord(mine, SerialState::Stored)));
    auto states = [&] {
        std::string text;
        const auto open = second->openSerials();
        for (const OpenSerial& o : *open)
            text += std::to_string(o.number) + serialStateName(o.state).at(0).toLatin1() + ' ';
        return text;
    };
    EXPECT_EQ(states(), "3u 4r 5u 6u 7r ");
    EXPECT_EQ(second->counts()->stored, 3);
    EXPECT_EQ(*second->abandonReserved("A", kLeaseBoundMs), 0);

    // Past the bound only what was renewed meanwhile holds; a lease judged
    // gone while its station runs is taken again at its next renewal.
    QThread::msleep(300);
    ASSERT_TRUE(remote->renewLease());
    EXPECT_EQ(*second->abandonReserved("A", 200), 0);  // A's two leases: gone, with no number
    ASSERT_TRUE(second->renewLease());
    const quint32 after = *second->reserveNextSerial("A", "ttyUSB4");  // 9
    EXPECT_EQ(*second->abandonReserved("A", kLeaseBoundMs), 0);
    QThread::msleep(300);
    ASSERT_TRUE(second->renewLease());
    EXPECT_EQ(*second->abandonReserved("A", 200), 1);  // 4
    EXPECT_EQ(states(), "3u 4u 5u 6u 7r " + std::to_string(after) + "r ");
}

// The lease is renewed in its own thread while it is held, and ended with it.
TEST_P(Store, StationLeaseRenewedUntilEnded) {
    const auto store = open("renewal");
    if (!store) GTEST_SKIP() << test::kNoPostgresql;
    ASSERT_TRUE(store->addSerialRange(1, 10));
    const auto judge = again();
    StationLease lease(*store);
    ASSERT_TRUE(lease.take({"B", "line2", "other-machine", 1}, 50));
    store->reserveNextSerial("B", "ttyUSB0");
    QThread::msleep(600);
    EXPECT_EQ(*judge->abandonReserved("A", 400), 0);
    lease.end();
    EXPECT_EQ(*judge->abandonReserved("A", 400), 1);
}

// A store the previous release made (no leases) is taken as it stands: its
// numbers keep their states, and one it left reserved is judged by name.
TEST_P(Store, EarlierReleasesStoreKeepsItsNumbers) {
    location_ = test::freshStoreLocation(GetParam(), dir_, QStringLiteral("earlier"));
    if (location_.isEmpty()) GTEST_SKIP() << test::kNoPostgresql;
    const bool sqlite = std::string(GetParam()) == "sqlite";
    runSql(QStringLiteral(
        "CREATE TABLE serials (number integer PRIMARY KEY, state text NOT NULL DEFAULT 'free', "
        "station text NOT NULL DEFAULT '', port text NOT NULL DEFAULT '', changed %1 NOT NULL DEFAULT %2); "
        "INSERT INTO serials (number, state, station) VALUES (5, 'stored', 'A'), (6, 'free', ''), (7, 'reserved', 'A')")
               .arg(sqlite ? "text" : "timestamptz", sqlite ? "''" : "now()"));
    const auto store = again();
    ASSERT_TRUE(store);
    ASSERT_TRUE(store->takeLease(thisProcess("B")));
    EXPECT_EQ(*store->abandonReserved("B", kLeaseBoundMs), 0);
    EXPECT_EQ(*store->abandonReserved("A", kLeaseBoundMs), 1);
    EXPECT_EQ(*store->reserveNextSerial("B", "ttyUSB0"), 6u);
    const SerialCounts c = *store->counts();
    EXPECT_EQ(c.stored, 1);
    EXPECT_EQ(c.unknown, 1);
    EXPECT_EQ(c.reserved, 1);
}

// The board reads each station's slots as they last wrote them.
TEST_P(Store, KeepsEachSlotsLastState) {
    auto store = open("slots");
    if (!store) GTEST_SKIP() << test::kNoPostgresql;
    ASSERT_TRUE(store->writeSlotState("A", "slot-1", R"({"phase":"preparing"})"));
    ASSERT_TRUE(store->writeSlotState("A", "slot-1", R"({"phase":"done"})"));
    ASSERT_TRUE(store->writeSlotState("B", "slot-1", R"({"phase":"failed"})"));
    const auto rows = store->slotStates(QDateTime());
    ASSERT_TRUE(rows) << storeErrorSummary(rows.error).toStdString();
    ASSERT_EQ(rows->size(), 2u);
    EXPECT_EQ((*rows)[0].station, "A");
    EXPECT_EQ(QJsonDocument::fromJson((*rows)[0].tile)["phase"].toString(), "done");
    EXPECT_TRUE(again()->slotStates(QDateTime::currentDateTimeUtc().addSecs(60))->empty());
}

INSTANTIATE_TEST_SUITE_P(On, Store, ::testing::ValuesIn(test::kStoreKinds), test::storeKindName);

}  // namespace
}  // namespace korvel::store
