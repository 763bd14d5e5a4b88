// korvel-cli run as a user runs it, against simulators on pseudo-terminals:
// exit codes, messages, a window's settings file written and read back, and a
// production station preparing three devices at once.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

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

TEST(Cli, ProduceThreeDevicesAtOnce) {
    QTemporaryDir fw, images1, images2, images3, dir;
    const QByteArray boot(3000, 'b'), firmware(9000, 'f'), application(5000, 'a');
    for (const auto& [name, bytes] : {std::pair{"dwl.dwl", boot}, std::pair{"firmware_Q2687RD.dwl", firmware},
                                      std::pair{"KORVEL.dwl", application}}) {
        QFile out(fw.filePath(name));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }
    SimulatorProcess a({"--restart-ms", "100", "--image-dir", images1.path()});
    SimulatorProcess b({"--restart-ms", "100", "--image-dir", images2.path()});
    SimulatorProcess c({"--restart-ms", "100", "--image-dir", images3.path(), "--refuse", "AT+ZQSNUM"});
    ASSERT_TRUE(a.ready() && b.ready() && c.ready());
    const QString record = dir.filePath("record.csv");
    const CliRun run = cli({"produce", "--folder", fw.path(), "--serial", "4500", "--port", a.port(),
                         "--port", b.port(), "--port", c.port(), "--record", record},
                        120000);
    EXPECT_EQ(run.code, 1);  // one device failed
    for (const QTemporaryDir* images : {&images1, &images2, &images3}) {
        QByteArray padded = boot;
        padded.append(QByteArray(3072 - 3000, 0x1A));
        EXPECT_EQ(test::readFileBytes(images->filePath("image-1.dwl")), padded);
        EXPECT_TRUE(test::readFileBytes(images->filePath("image-2.dwl")).startsWith(firmware));
        EXPECT_TRUE(test::readFileBytes(images->filePath("image-3.dwl")).startsWith(application));
    }
    EXPECT_TRUE(a.received().contains("AT+ZQSNUM=00004500\r\n"));
    EXPECT_TRUE(b.received().contains("AT+ZQSNUM=00004501\r\n"));
    const QStringList rows = QString::fromUtf8(test::readFileBytes(record)).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 4);  // header and three devices
    EXPECT_TRUE(rows[1].contains(";00004500;yes;ok;"));
    EXPECT_TRUE(rows[2].contains(";00004501;yes;ok;"));
    EXPECT_TRUE(rows[3].contains(";00004502;yes;failed;"));
}

}  // namespace
}  // namespace korvel
