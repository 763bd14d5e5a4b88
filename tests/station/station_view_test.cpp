// The station's view: what a slot's tile keeps across devices and the
// listening address.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>

#include "station/slot_board.h"
#include "station/view_server.h"

using namespace korvel::store;

namespace {

QJsonObject tileOf(SlotBoard& board, const QString& port) {
    const QJsonObject state = QJsonDocument::fromJson(board.snapshot().json).object();
    for (const QJsonValue& t : state["slots"].toArray())
        if (t["port"].toString() == port) return t.toObject();
    return {};
}

ProductionRecord finished(const QString& port, std::optional<quint32> serial, const QString& failure) {
    ProductionRecord r;
    r.port = port;
    r.serialNumber = serial;
    r.serialState = failure.isEmpty() ? SerialState::Stored : SerialState::Unknown;
    r.failure = failure;
    r.finished = QDateTime::currentDateTimeUtc();
    return r;
}

}  // namespace

TEST(StationView, TileKeepsItsResultUntilTheNextDeviceBegins) {
    SlotBoard board(QStringLiteral("A"));
    board.setPorts({"p1", "p2"}, {"by-path/1", ""});
    EXPECT_EQ(tileOf(board, "p1")["phase"].toString(), "waiting");
    EXPECT_EQ(tileOf(board, "p1")["slot"].toString(), "by-path/1");

    board.deviceBegins("p1", "by-path/1");
    board.linkBegins("p1", "boot", 1);
    board.progress("p1", 40);
    EXPECT_EQ(tileOf(board, "p1")["phase"].toString(), "preparing");
    EXPECT_EQ(tileOf(board, "p1")["percent"].toInt(), 40);
    board.linkEnds("p1", "boot", "ok", "Q2687RD", "R7.43.0", "");
    board.deviceEnds(finished("p1", 42, ""));
    board.deviceBegins("p2", "p2");
    board.errorLine("p2", " Ошибка ");
    board.deviceEnds(finished("p2", 43, "serial: refused"));

    const QJsonObject done = tileOf(board, "p1");
    EXPECT_EQ(done["phase"].toString(), "done");
    EXPECT_EQ(done["serial"].toString(), "00000042");
    EXPECT_EQ(done["moduleType"].toString(), "Q2687RD");
    EXPECT_EQ(tileOf(board, "p2")["phase"].toString(), "failed");
    EXPECT_EQ(tileOf(board, "p2")["failure"].toString(), "serial: refused");
    EXPECT_FALSE(tileOf(board, "p2")["reason"].toString().isEmpty());

    const QJsonObject state = QJsonDocument::fromJson(board.snapshot().json).object();
    EXPECT_EQ(state["run"]["done"].toInt(), 1);
    EXPECT_EQ(state["run"]["failed"].toInt(), 1);
    EXPECT_DOUBLE_EQ(state["run"]["firstPassYield"].toDouble(), 50.0);
    // Newest first, each with its whole record.
    const QJsonArray last = state["devices"].toArray();
    ASSERT_EQ(last.size(), 2);
    EXPECT_EQ(last[0]["port"].toString(), "p2");
    EXPECT_TRUE(board.device(qint64(last[1]["id"].toDouble())).has_value());
    EXPECT_EQ(board.takeToPublish().size(), 2u);
    EXPECT_TRUE(board.takeToPublish().empty());

    // The next device in the slot: the last one's result goes.
    board.deviceBegins("p1", "by-path/1");
    EXPECT_EQ(tileOf(board, "p1")["phase"].toString(), "preparing");
    EXPECT_TRUE(tileOf(board, "p1")["serial"].isNull());
    EXPECT_TRUE(tileOf(board, "p1")["moduleType"].toString().isEmpty());
}

TEST(StationView, WaitersWakeOnChange) {
    SlotBoard board(QStringLiteral("A"));
    const quint64 seen = board.snapshot().version;
    EXPECT_FALSE(board.waitNewer(seen, std::chrono::milliseconds(10)));
    board.progress("p1", 5);
    EXPECT_TRUE(board.waitNewer(seen, std::chrono::milliseconds(10)));
    EXPECT_GT(board.snapshot().version, seen);
}

TEST(StationView, ListensOnLoopbackUnlessToldAnAddress) {
    EXPECT_EQ(parseViewAddress("8080")->host, "127.0.0.1");
    EXPECT_EQ(parseViewAddress("8080")->port, 8080);
    EXPECT_EQ(parseViewAddress("0.0.0.0:81")->host, "0.0.0.0");
    EXPECT_EQ(parseViewAddress("[::1]:81")->host, "::1");
    EXPECT_FALSE(parseViewAddress("70000"));
    EXPECT_FALSE(parseViewAddress("host:"));
    EXPECT_TRUE(loopbackHost("127.0.0.1"));
    EXPECT_TRUE(loopbackHost("localhost"));
    EXPECT_FALSE(loopbackHost("0.0.0.0"));
    EXPECT_FALSE(loopbackHost("192.168.1.5"));
    EXPECT_EQ(newViewToken().size(), 32);
    EXPECT_NE(newViewToken(), newViewToken());
}
