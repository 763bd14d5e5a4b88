// The station store on each database: a serial number's states, the record
// kept with its number in one transaction, and records read back as written.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "station_store.h"
#include "store_location.h"

namespace korvel::store {
namespace {

class Store : public ::testing::TestWithParam<const char*> {
protected:
    std::unique_ptr<StationStore> open(const QString& name) {
        const QString location = test::freshStoreLocation(GetParam(), dir_, name);
        if (location.isEmpty()) return nullptr;
        QString error;
        auto store = openStationStore(location, error);
        EXPECT_TRUE(store) << error.toStdString();
        return store;
    }
    QTemporaryDir dir_;
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
    EXPECT_FALSE(store->markSerial(10, SerialState::Free));     // stored stays stored
    EXPECT_FALSE(store->markSerial(12, SerialState::Stored));   // never handed out
    EXPECT_TRUE(store->markSerial(11, SerialState::Unknown));
    EXPECT_FALSE(store->markSerial(11, SerialState::Free));     // only the operator frees it
    EXPECT_EQ(*store->reserveNextSerial("A", "ttyUSB1"), 12u);  // 11 is not handed out again

    // Numbers the operator types.
    EXPECT_FALSE(store->reserveSerial(10, "A", "ttyUSB2"));     // stored
    EXPECT_FALSE(store->reserveSerial(12, "A", "ttyUSB2"));     // reserved
    const auto unknown = store->reserveSerial(11, "A", "ttyUSB2");
    ASSERT_FALSE(unknown);
    EXPECT_TRUE(unknown.error.contains("serials release 00000011")) << unknown.error.toStdString();
    EXPECT_EQ(*store->reserveSerial(13, "A", "ttyUSB2"), 13u);  // free
    EXPECT_EQ(*store->reserveSerial(500, "A", "ttyUSB3"), 500u); // not in a range yet
    EXPECT_FALSE(store->reserveSerial(500, "B", "ttyUSB0"));

    EXPECT_FALSE(store->releaseUnknown(12));                    // reserved, maybe on its way
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
    EXPECT_FALSE(store->writeDeviceRecord(sampleRecord(a, SerialState::Stored)));
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
    const auto all = *store->exportRecords(QDateTime());
    ASSERT_EQ(all.size(), 3u);
    EXPECT_TRUE(all[0] == stored);
    EXPECT_TRUE(all[1] == unknown);
    EXPECT_TRUE(all[2] == early);
    const auto later = *store->exportRecords(stored.finished.addMSecs(1));
    ASSERT_EQ(later.size(), 1u);
    EXPECT_TRUE(later[0] == early);
}

// A station that died holding numbers: at its next start they become unknown,
// its own only; numbers with their record keep their state.
TEST_P(Store, DeadStationsReservedNumbersBecomeUnknown) {
    const auto store = open("abandon");
    if (!store) GTEST_SKIP() << test::kNoPostgresql;
    ASSERT_TRUE(store->addSerialRange(1, 10));
    const quint32 kept = *store->reserveNextSerial("A", "ttyUSB0");
    ASSERT_TRUE(store->writeDeviceRecord(sampleRecord(kept, SerialState::Stored)));
    store->reserveNextSerial("A", "ttyUSB1");
    store->reserveNextSerial("A", "ttyUSB2");
    store->reserveNextSerial("B", "ttyUSB0");
    EXPECT_EQ(*store->abandonReserved("A"), 2);
    const SerialCounts c = *store->counts();
    EXPECT_EQ(c.reserved, 1);
    EXPECT_EQ(c.unknown, 2);
    EXPECT_EQ(c.stored, 1);
    EXPECT_EQ(*store->abandonReserved("A"), 0);
}

INSTANTIATE_TEST_SUITE_P(On, Store, ::testing::ValuesIn(test::kStoreKinds), test::storeKindName);

}  // namespace
}  // namespace korvel::store
