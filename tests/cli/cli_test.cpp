// korvel-cli run as a user runs it, against simulators on pseudo-terminals:
// exit codes, messages, a window's settings file written and read back, and a
// production station preparing eight devices at once.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "file_bytes.h"
#include "configuration/memory_config_form.h"
#include "sample_configuration.h"
#include "configuration/settings_store.h"
#include "simulator_process.h"

namespace korvel {
namespace {

using test::SimulatorProcess;

struct CliRun {
    int code = -1;
    QString out, err;
};

CliRun cli(const QStringList& args, int timeoutMs = 60000) {
    QProcess p;
    p.start(QStringLiteral(KORVEL_CLI_PATH), args);
    p.waitForFinished(timeoutMs);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// A --json run's stdout, every line one JSON object (a line that is none
// fails the test).
std::vector<QJsonObject> jsonLines(const QByteArray& out) {
    std::vector<QJsonObject> objects;
    for (const QByteArray& line : out.split('\n')) {
        if (line.isEmpty()) continue;
        const QJsonDocument doc = QJsonDocument::fromJson(line);
        EXPECT_TRUE(doc.isObject()) << line.toStdString();
        objects.push_back(doc.object());
    }
    return objects;
}

// A wire log read back: the bytes sent and received on `port` and its events.
struct WireLogLines {
    QByteArray sent, received;
    QStringList events;
};

WireLogLines readWireLog(const QString& path, const QString& port) {
    WireLogLines out;
    const QString prefix = QLatin1Char(' ') + port + QLatin1Char(' ');
    for (const QByteArray& line : test::readFileBytes(path).split('\n')) {
        const int at = line.indexOf(prefix.toUtf8());
        // "HH:MM:SS.mmm PORT M text"
        if (at != 12 || line.size() < at + prefix.size() + 2) continue;
        const char mark = line[at + prefix.size()];
        const QByteArray text = line.mid(at + prefix.size() + 2);
        if (mark == '*') {
            out.events << QString::fromUtf8(text);
            continue;
        }
        QByteArray bytes;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] == '<' && i + 3 < text.size() && text[i + 3] == '>') {
                bytes.append(char(text.mid(i + 1, 2).toInt(nullptr, 16)));
                i += 3;
            } else {
                bytes.append(text[i]);
            }
        }
        (mark == '>' ? out.sent : out.received) += bytes;
    }
    return out;
}

TEST(Cli, UsageAndPortErrorsHaveTheirExitCodes) {
    EXPECT_EQ(cli({"--help"}).code, 0);
    EXPECT_TRUE(cli({"--version"}).out.startsWith("korvel-cli "));
    EXPECT_EQ(cli({"frobnicate"}).code, 2);
    EXPECT_EQ(cli({"read"}).code, 2);
    const CliRun absent = cli({"reset", "--port", "ttyKORVEL_ABSENT3"});
    EXPECT_EQ(absent.code, 3);
    EXPECT_TRUE(absent.err.contains("ttyKORVEL_ABSENT3")) << absent.err.toStdString();
    // Under --json the same as objects on stdout, the typed outcome last.
    std::vector<QJsonObject> lines = jsonLines(cli({"reset", "--port", "ttyKORVEL_ABSENT3", "--json"}).out.toUtf8());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back()["type"].toString(), "result");
    EXPECT_EQ(lines.back()["result"].toString(), "port unusable");
    EXPECT_EQ(lines.back()["open_failure"].toString(), "absent");
    EXPECT_EQ(lines.back()["exit_code"].toInt(), 3);
    const CliRun misused = cli({"read", "--json"});
    lines = jsonLines(misused.out.toUtf8());
    EXPECT_EQ(misused.code, 2);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["type"].toString(), "usage");
    EXPECT_EQ(cli({"record", "export", "--csv", "--json"}).code, 2);
}

TEST(Cli, IdentifyAndSilentDevice) {
    SimulatorProcess sim;
    ASSERT_TRUE(sim.ready());
    const CliRun id = cli({"identify", "--port", sim.port()});
    EXPECT_EQ(id.code, 0);
    EXPECT_EQ(id.out, "module_type=Q2687RD\ncore_version=R7.43.0\n");

    std::vector<QJsonObject> lines = jsonLines(cli({"identify", "--port", sim.port(), "--json"}).out.toUtf8());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back()["module_type"].toString(), "Q2687RD");
    EXPECT_EQ(lines.back()["core_version"].toString(), "R7.43.0");

    SimulatorProcess silent({"--silent"});
    ASSERT_TRUE(silent.ready());
    const CliRun read = cli({"read", "--port", silent.port(), "--json"});
    EXPECT_EQ(read.code, 1);
    lines = jsonLines(read.out.toUtf8());
    ASSERT_GE(lines.size(), 2u);
    // The box, its text riding along.
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const QJsonObject& o) { return o["type"] == "error"; }));
    EXPECT_EQ(lines.back()["type"].toString(), "result");
    EXPECT_EQ(lines.back()["result"].toString(), "device silent");
    EXPECT_EQ(lines.back()["exit_code"].toInt(), 1);
}

TEST(Cli, ReadThatIsRefusedOrCutShortFails) {
    // A refused query, and a device that drops off the line part-way.
    for (const QStringList& options : {QStringList{"--refuse", "AT+ZQSERVER"},
                                       QStringList{"--vanish-after-lines", "8"}}) {
        SimulatorProcess sim(options);
        ASSERT_TRUE(sim.ready());
        const CliRun read = cli({"read", "--port", sim.port()});
        EXPECT_EQ(read.code, 1) << options.join(" ").toStdString() << ": " << read.err.toStdString();
        EXPECT_TRUE(read.out.isEmpty()) << options.join(' ').toStdString();
    }
}

TEST(Cli, WindowSettingsFileWrittenAndReadBackIdentically) {
    QTemporaryDir dir;
    MemoryConfigForm form;
    test::fillSampleConfiguration(form);
    const QString saved = dir.filePath("window.INI");
    ASSERT_TRUE(saveSettings(saved, form).written);

    SimulatorProcess sim;
    ASSERT_TRUE(sim.ready());
    const QString wireLog = dir.filePath("wire.log");
    const CliRun write = cli({"write", "--port", sim.port(), saved, "--wire-log", wireLog});
    EXPECT_EQ(write.code, 0) << write.err.toStdString();
    // The wire log holds, byte for byte, what the device received.
    const WireLogLines logged = readWireLog(wireLog, sim.port());
    EXPECT_EQ(logged.sent, sim.received());
    EXPECT_TRUE(logged.received.contains("\r\nOK\r\n"));
    EXPECT_EQ(logged.events.value(0), "open");
    EXPECT_EQ(logged.events.value(logged.events.size() - 1), "close");
    const QString back = dir.filePath("back.INI");
    const CliRun read = cli({"read", "--port", sim.port(), "-o", back});
    EXPECT_EQ(read.code, 0) << read.err.toStdString();

    MemoryConfigForm original, readBack;
    loadSettings(saved, original);
    loadSettings(back, readBack);
    for (FormField f : {FormField::SimTelephone, FormField::GprsAccessPoint, FormField::GprsLogin,
                        FormField::GprsPassword, FormField::SmsPassword})
        EXPECT_EQ(readBack.text(f), original.text(f));
    EXPECT_EQ(readBack.cell(FormGrid::Servers, 1, 1), original.cell(FormGrid::Servers, 1, 1));
}

TEST(Cli, BadSettingsFileNamesTheLineAndSendsNothing) {
    QTemporaryDir dir;
    const QString bad = dir.filePath("bad.INI");
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Config]\nPIN=12a4\nCOLOUR=blue\n");
    f.close();
    SimulatorProcess sim;
    ASSERT_TRUE(sim.ready());
    const CliRun run = cli({"write", "--port", sim.port(), bad});
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.err.contains(QRegularExpression(" 2: [^\n]* CONFIG/PIN=12a4\n[^\n]* 3: [^\n]* CONFIG/COLOUR\n")))
        << run.err.toStdString();
    EXPECT_TRUE(sim.received().isEmpty());
}

// A --json station run's events of one port, checked in order: each link
// begins, moves (an image's bytes up to its size) and ends before the next
// begins, then the device ends.  Returns each link's end as
// "outcome result step" and the device's record.
std::pair<QStringList, QJsonObject> followPort(const std::vector<QJsonObject>& lines, const QString& port,
                                               const std::map<QString, qint64>& imageSizes) {
    const QStringList links{"identify", "files", "delete", "boot", "firmware", "application", "start", "serial"};
    QStringList ends;
    QJsonObject record;
    QString running;
    qint64 done = -1, total = -1;
    for (const QJsonObject& o : lines) {
        if (o["port"].toString() != port) continue;
        const QString type = o["type"].toString(), link = o["link"].toString();
        if (type == "link_begin") {
            EXPECT_TRUE(running.isEmpty()) << link.toStdString();
            EXPECT_EQ(link, links.value(int(ends.size())));
            EXPECT_EQ(o["attempt"].toInt(), 1);
            running = link;
            done = total = -1;
        } else if (type == "progress" && o.contains("bytes_done")) {
            EXPECT_EQ(link, running);
            EXPECT_GE(qint64(o["bytes_done"].toDouble()), done);
            done = qint64(o["bytes_done"].toDouble());
            total = qint64(o["bytes_total"].toDouble());
        } else if (type == "link_end") {
            EXPECT_EQ(link, running);
            running.clear();
            if (imageSizes.count(link)) {
                EXPECT_EQ(total, imageSizes.at(link)) << link.toStdString();
                EXPECT_EQ(done, total) << link.toStdString();
            }
            ends << QStringLiteral("%1 %2 %3").arg(o["outcome"].toString(), o["result"].toString(), o["step"].toString());
            EXPECT_GE(o["ms"].toDouble(), 0);
            EXPECT_EQ(o["attempts"].toInt(), 1);
        } else if (type == "device_end") {
            EXPECT_EQ(ends.size(), links.size());
            record = o["record"].toObject();
        }
    }
    return {ends, record};
}

// Eight devices against one firmware folder: all at once, every link of a
// device runs whatever the one before did, and the folder check never fails
// a device.  One device refuses its serial number, another the application's
// stop.  Under --json, every line one object: each device's links followed
// through, its record, and the summary last.
TEST(Cli, ProduceEightDevicesAtOnce) {
    QTemporaryDir fw, dir;
    const QByteArray boot(3000, 'b'), firmware(9000, 'f'), application(5000, 'a');
    for (const auto& [name, bytes] : {std::pair{"dwl.dwl", boot}, std::pair{"firmware_Q2687RD.dwl", firmware},
                                      std::pair{"KORVEL.dwl", application}}) {
        QFile out(fw.filePath(name));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }
    constexpr int kDevices = 8, kRefusesSerial = 2, kRefusesStop = 3;
    QTemporaryDir images[kDevices];
    std::vector<std::unique_ptr<SimulatorProcess>> sims;
    QStringList args{"produce", "--folder", fw.path(), "--serial", "4500"};
    for (int i = 0; i < kDevices; ++i) {
        QStringList options{"--restart-ms", "100", "--image-dir", images[i].path()};
        if (i == kRefusesSerial) options << "--refuse" << "AT+ZQSNUM";
        if (i == kRefusesStop) options << "--refuse" << "AT+WOPEN=0";
        sims.push_back(std::make_unique<SimulatorProcess>(options));
        ASSERT_TRUE(sims.back()->ready());
        args << "--port" << sims.back()->port();
    }
    const QString record = dir.filePath("record.csv");
    args << "--record" << record << "--store" << dir.filePath("station.sqlite") << "--json";

    // All at once: every device is identified before any gets its number.
    QProcess p;
    p.start(QStringLiteral(KORVEL_CLI_PATH), args);
    bool allIdentified = false, numberedBeforeAllIdentified = false;
    while (!p.waitForFinished(20) && p.state() == QProcess::Running) {
        bool identified = true, numbered = false;
        for (const auto& sim : sims) {
            const QByteArray got = sim->received();
            identified = identified && got.contains("AT+CGMR");
            numbered = numbered || got.contains("AT+ZQSNUM");
        }
        allIdentified = allIdentified || identified;
        numberedBeforeAllIdentified = numberedBeforeAllIdentified || (numbered && !allIdentified);
    }
    EXPECT_EQ(p.exitCode(), 1);  // two devices failed
    EXPECT_FALSE(numberedBeforeAllIdentified);

    for (int i = 0; i < kDevices; ++i) {
        QByteArray padded = boot;
        padded.append(QByteArray(3072 - 3000, 0x1A));
        EXPECT_EQ(test::readFileBytes(images[i].filePath("image-1.dwl")), padded) << i;
        EXPECT_TRUE(test::readFileBytes(images[i].filePath("image-2.dwl")).startsWith(firmware)) << i;
        EXPECT_TRUE(test::readFileBytes(images[i].filePath("image-3.dwl")).startsWith(application)) << i;
        EXPECT_TRUE(sims[i]->received().contains(QStringLiteral("AT+ZQSNUM=%1\r\n").arg(4500 + i, 8, 10, QLatin1Char('0')).toLatin1())) << i;
    }
    // The CSV holds the store's records, one row per device as it finished.
    const QStringList rows = QString::fromUtf8(test::readFileBytes(record)).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), kDevices + 1);  // header and the devices
    std::map<QString, QStringList> byPort;
    for (int i = 1; i < rows.size(); ++i) byPort[rows[i].section(';', 1, 1)] = rows[i].split(';');
    for (int i = 0; i < kDevices; ++i) {
        const QStringList fields = byPort[sims[i]->port()];
        ASSERT_EQ(fields.size(), 19) << i;
        EXPECT_EQ(fields[9], QStringLiteral("%1").arg(4500 + i, 8, 10, QLatin1Char('0')));
        EXPECT_EQ(fields[10], i == kRefusesSerial ? "unknown" : "stored");
        QStringList outcomes;
        for (const QString& link : fields[11].split(' ')) outcomes << link.section('=', 1).section('/', 0, 0);
        const QString links = i == kRefusesSerial ? "ok,ok,ok,ok,ok,ok,ok,failed"
                              : i == kRefusesStop ? "ok,ok,failed,ok,ok,ok,ok,ok"
                                                  : "ok,ok,ok,ok,ok,ok,ok,ok";
        EXPECT_EQ(outcomes.join(','), links) << rows[i + 1].toStdString();
        EXPECT_EQ(fields[18].isEmpty(), i != kRefusesSerial && i != kRefusesStop) << i;
    }

    const std::vector<QJsonObject> lines = jsonLines(p.readAllStandardOutput());
    ASSERT_FALSE(lines.empty());
    for (int i = 0; i < kDevices; ++i) {
        const auto [ends, device] = followPort(lines, sims[i]->port(), {{"boot", 3000}, {"firmware", 9000},
                                                                         {"application", 5000}});
        QStringList expected(8, QStringLiteral("ok done "));
        if (i == kRefusesSerial) expected[7] = "failed refused AT+ZQSNUM=";
        if (i == kRefusesStop) expected[2] = "failed refused AT+WOPEN=0";
        EXPECT_EQ(ends, expected) << i;
        EXPECT_EQ(device["serial_number"].toString(), byPort[sims[i]->port()][9]) << i;
    }
    const QJsonObject summary = lines.back();
    EXPECT_EQ(summary["type"].toString(), "summary");
    EXPECT_EQ(summary["counts"].toObject(),
              (QJsonObject{{"devices", kDevices}, {"done", 6}, {"failed", 2}, {"first_pass", 6}}));
    EXPECT_EQ(summary["redo"].toObject()["ports"].toArray(),
              (QJsonArray{sims[kRefusesSerial]->port(), sims[kRefusesStop]->port()}));
    EXPECT_EQ(summary["rows"].toArray().size(), kDevices);
}

}  // namespace
}  // namespace korvel
