// The station store from outside: four stations drawing numbers from one
// store at once, and korvel-cli's serials and record export commands.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <set>

#include "station/record_format.h"
#include "station/station_store.h"
#include "texts/store_texts.h"
#include "store_location.h"

namespace korvel::store {
namespace {

struct Finished {
    int code = -1;
    QString out, err;
};

Finished run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(120000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

Finished cli(const QStringList& args) { return run(QStringLiteral(KORVEL_CLI_PATH), args); }

class StoreStations : public ::testing::TestWithParam<const char*> {};

TEST_P(StoreStations, FourStationsNeverGetTheSameNumber) {
    QTemporaryDir dir;
    const QString location = test::freshStoreLocation(GetParam(), dir, "stations");
    if (location.isEmpty()) GTEST_SKIP() << test::kNoPostgresql;
    korvel::store::StoreError error;
    ASSERT_TRUE(openStationStore(location, error)) << korvel::store::storeErrorSummary(error).toStdString();
    ASSERT_EQ(cli({"serials", "add", "1", "1000", "--store", location}).code, 0);

    constexpr int kStations = 4, kEach = 100;
    std::vector<std::unique_ptr<QProcess>> stations;
    const QString startAt = QString::number(QDateTime::currentMSecsSinceEpoch() + 1000);
    for (int i = 0; i < kStations; ++i) {
        stations.push_back(std::make_unique<QProcess>());
        stations.back()->start(QStringLiteral(KORVEL_STORE_DRAW_PATH),
                               {"--store", location, "--station", QString::number(i), "--count",
                                QString::number(kEach), "--start-at", startAt});
    }
    std::multiset<quint32> drawn;
    for (auto& p : stations) {
        ASSERT_TRUE(p->waitForFinished(120000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
        for (const QByteArray& line : p->readAllStandardOutput().split('\n'))
            if (!line.isEmpty()) drawn.insert(line.toUInt());
    }
    ASSERT_EQ(drawn.size(), std::size_t(kStations * kEach));
    EXPECT_EQ(std::set<quint32>(drawn.begin(), drawn.end()).size(), drawn.size()) << "a number went out twice";
    EXPECT_EQ(*drawn.rbegin(), quint32(kStations * kEach));  // the lowest numbers, none skipped

    const Finished status = cli({"serials", "status", "--store", location});
    EXPECT_EQ(status.code, 0) << status.err.toStdString();
    EXPECT_TRUE(status.out.contains("\nfree 600\nreserved 0\nstored 400\nunknown 0\n")) << status.out.toStdString();
}

INSTANTIATE_TEST_SUITE_P(On, StoreStations, ::testing::ValuesIn(test::kStoreKinds), test::storeKindName);

// Fields of one CSV file separated by ";", quoted as the export quotes them.
// Outside quotes CR LF, a lone CR and a lone LF each end a row, as spreadsheet
// programs read them.
std::vector<QStringList> parseCsv(const QString& text) {
    std::vector<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false, wasQuoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') field += text[++i];
            else if (c == u'"') quoted = false;
            else field += c;
        } else if (c == u'"' && field.isEmpty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == u';' || c == u'\r' || c == u'\n') {
            row << field;
            field.clear();
            wasQuoted = false;
            if (c != u';') {
                rows.push_back(row);
                row.clear();
                if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            }
        } else {
            field += c;
        }
    }
    return rows;
}

ProductionRecord fromCsvRow(const QStringList& f) {
    ProductionRecord r;
    r.station = f[0];
    r.port = f[1];
    r.portIdentity = f[2];
    r.started = fromIsoTime(f[3]);
    r.finished = fromIsoTime(f[4]);
    r.moduleType = f[5];
    r.coreVersion = f[6];
    r.applicationVersion = f[7];
    r.programVersion = f[8];
    r.serialNumber = parseSerial(f[9]);
    r.serialState = *serialStateFromName(f[10]);
    for (const QString& link : f[11].split(u' ', Qt::SkipEmptyParts)) {
        const QStringList parts = link.split(QRegularExpression("[=/]"));
        r.links.push_back({parts[0], parts[1], parts[2].toLongLong()});
    }
    for (int i = 0; i < 3; ++i) r.images[i] = {f[12 + 2 * i], f[13 + 2 * i]};
    r.failure = f[18];
    return r;
}

TEST(StoreCommands, SerialsAndRecordExportSurviveHostileTexts) {
    QTemporaryDir dir;
    const QString location = dir.filePath("station.sqlite");
    EXPECT_EQ(cli({"serials", "add", "20", "10", "--store", location}).code, 2);
    EXPECT_EQ(cli({"produce", "--folder", dir.path(), "--serial", "1", "--port", "ttyKORVEL_ABSENT3", "--store",
                   location}).code, 2);
    EXPECT_EQ(cli({"serials", "add", "1", "123456789", "--store", location}).code, 2);
    const Finished empty = cli({"serials", "status", "--store", location});
    EXPECT_EQ(empty.code, 1);  // nothing to hand out
    EXPECT_TRUE(empty.err.contains(storeErrorText(StoreError::of(StoreFailure::NoFreeSerials)))) << empty.err.toStdString();
    EXPECT_EQ(cli({"serials", "add", "4500", "4509", "--store", location, "--json"}).out, "{\"added\":10,\"of\":10,\"type\":\"serials_added\"}\n");

    korvel::store::StoreError error;
    auto store = openStationStore(location, error);
    ASSERT_TRUE(store) << korvel::store::storeErrorSummary(error).toStdString();
    std::vector<ProductionRecord> written;
    const QStringList hostile = {QStringLiteral("a;b"), QStringLiteral("\"quoted\" \"\""),
                                 QStringLiteral("line\r\nnext\nlast\r"), QStringLiteral("cr\ronly"),
                                 QStringLiteral("lf\nonly"),
                                 QStringLiteral("Кириллица; «ёлка»"), QStringLiteral("\";\""), QString()};
    for (int i = 0; i < hostile.size(); ++i) {
        ProductionRecord r;
        r.station = hostile[i];
        r.port = QStringLiteral("ttyUSB%1").arg(i);
        r.portIdentity = hostile[(i + 1) % hostile.size()];
        r.started = QDateTime::fromMSecsSinceEpoch(1715677391250 + i * 1000, Qt::UTC);
        r.finished = r.started.addMSecs(61234);
        r.moduleType = QStringLiteral("Q2687RD");
        r.applicationVersion = hostile[(i + 2) % hostile.size()];
        r.links = {{"identify", "ok", 812 + i}, {"serial", i % 2 ? "failed" : "ok", 40}};
        r.images[1] = {hostile[(i + 3) % hostile.size()], QString(64, QChar(u'0' + i))};
        r.programVersion = QStringLiteral("1.1.2.2");
        r.serialNumber = *store->reserveNextSerial(QStringLiteral("A"), r.port);
        r.serialState = i % 2 ? SerialState::Unknown : SerialState::Stored;
        r.failure = hostile[(i + 4) % hostile.size()];
        ASSERT_TRUE(store->writeDeviceRecord(r));
        written.push_back(r);
    }

    const Finished csv = cli({"record", "export", "--csv", "--store", location});
    ASSERT_EQ(csv.code, 0) << csv.err.toStdString();
    const std::vector<QStringList> rows = parseCsv(csv.out);
    ASSERT_EQ(rows.size(), written.size() + 1);
    EXPECT_EQ(rows[0].size(), kCsvColumnCount);
    EXPECT_EQ(rows[0][9], "serial_number");
    for (std::size_t i = 0; i < written.size(); ++i) {
        ASSERT_EQ(rows[i + 1].size(), kCsvColumnCount) << i;
        EXPECT_TRUE(fromCsvRow(rows[i + 1]) == written[i]) << i;
    }
    EXPECT_TRUE(csv.out.contains(";00004500;stored;")) << csv.out.toStdString();

    const Finished jsonl = cli({"record", "export", "--jsonl", "--since", "2024-05-14T09:04:17Z", "--store", location});
    ASSERT_EQ(jsonl.code, 0) << jsonl.err.toStdString();
    const QStringList lines = jsonl.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);  // the last three start late enough
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(recordFromJson(QJsonDocument::fromJson(lines[i].toUtf8()).object()) == written[5 + i]) << i;

    // An unknown number goes back only when named; a stored one never.
    EXPECT_EQ(cli({"serials", "release", "4500", "--store", location}).code, 1);
    const Finished release = cli({"serials", "release", "4501", "--store", location});
    EXPECT_EQ(release.code, 0) << release.err.toStdString();
    const Finished list = cli({"serials", "list", "--store", location});
    EXPECT_TRUE(list.out.contains("\nfree 3\nreserved 0\nstored 4\nunknown 3\n")) << list.out.toStdString();
    EXPECT_TRUE(list.out.contains("\n00004503 unknown A ttyUSB3 ")) << list.out.toStdString();
}

}  // namespace
}  // namespace korvel::store
