// korvel-cli run as a user runs it, against simulators on pseudo-terminals:
// exit codes, messages, a window's settings file written and read back, and a
// production station preparing eight devices at once.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <vector>

#include "file_bytes.h"
#include "memory_config_form.h"
#include "sample_configuration.h"
#include "settings_store.h"
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
    EXPECT_TRUE(absent.err.contains("Использование порта ttyKORVEL_ABSENT3 невозможно!"));
}

TEST(Cli, IdentifyAndSilentDevice) {
    SimulatorProcess sim;
    ASSERT_TRUE(sim.ready());
    const CliRun id = cli({"identify", "--port", sim.port()});
    EXPECT_EQ(id.code, 0);
    EXPECT_EQ(id.out, "module_type=Q2687RD\ncore_version=R7.43.0\n");

    SimulatorProcess silent({"--silent"});
    ASSERT_TRUE(silent.ready());
    const CliRun read = cli({"read", "--port", silent.port(), "--json"});
    EXPECT_EQ(read.code, 1);
    EXPECT_TRUE(read.err.contains("\"type\":\"error\"")) << read.err.toStdString();
    EXPECT_TRUE(read.err.contains("Коммуникатор не отвечает"));
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
    EXPECT_TRUE(run.err.contains("строка 2")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("строка 3"));
    EXPECT_TRUE(sim.received().isEmpty());
}

// Eight devices against one firmware folder: all at once, every link of a
// device runs whatever the one before did, and the folder check never fails
// a device.  One device refuses its serial number, another the application's
// stop.
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
    args << "--record" << record << "--store" << dir.filePath("station.sqlite");

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
}

}  // namespace
}  // namespace korvel
