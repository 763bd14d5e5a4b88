// korvel-cli produce with its store: what the station refuses before a device
// hears anything, and the state a serial number takes for each way a device's
// chain can end, read back from the store.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <map>
#include <memory>
#include <set>
#include <vector>

#ifndef _WIN32
#include <QRegularExpression>
#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/types.h>
#include <unistd.h>
#endif

#include "simulator_process.h"
#include "station/station_store.h"
#include "texts/store_texts.h"

namespace korvel::store {
namespace {

using test::SimulatorProcess;

struct Ran {
    int code = -1;
    QString out, err;
};

Ran produce(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(KORVEL_CLI_PATH), QStringList{"produce"} + args);
    p.waitForFinished(180000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

void writeFirmware(const QTemporaryDir& fw, bool withModuleFirmware = true) {
    for (const auto& [name, size] : {std::pair{"dwl.dwl", 1000}, std::pair{"firmware_Q2687RD.dwl", 2000},
                                     std::pair{"KORVEL.dwl", 1500}}) {
        if (!withModuleFirmware && QByteArray(name).startsWith("firmware")) continue;
        QFile out(fw.filePath(name));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(QByteArray(size, name[0]));
    }
}

std::unique_ptr<StationStore> openStore(const QString& location) {
    korvel::store::StoreError error;
    auto s = openStationStore(location, error);
    EXPECT_TRUE(s) << korvel::store::storeErrorSummary(error).toStdString();
    return s;
}

std::map<QString, ProductionRecord> recordsByPort(StationStore& s) {
    std::map<QString, ProductionRecord> byPort;
    const auto records = s.exportRecords({});
    for (const ProductionRecord& r : *records) byPort[r.port] = r;
    return byPort;
}

TEST(Station, RefusesBeforeSendingAnything) {
    QTemporaryDir fw, dir;
    writeFirmware(fw, false);
    const QString location = dir.filePath("station.sqlite");
    SimulatorProcess sim;
    ASSERT_TRUE(sim.ready());
    const QStringList common{"--port", sim.port(), "--store", location, "--station", "A"};

    // No module firmware in the folder.
    Ran run = produce(QStringList{"--folder", fw.path()} + common);
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.err.contains("firmware_*.dwl")) << run.err.toStdString();
    writeFirmware(fw);

    // No numbers at all, then fewer than ports.
    run = produce(QStringList{"--folder", fw.path()} + common);
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.err.contains(storeErrorText(StoreError::of(StoreFailure::NoFreeSerials)))) << run.err.toStdString();
    openStore(location)->addSerialRange(10, 10);
    run = produce(QStringList{"--folder", fw.path(), "--port", "ttyKORVEL_ABSENT3"} + common);
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.err.contains(QRegularExpression(" 1, \\S+ 2 \\(korvel-cli serials add\\)"))) << run.err.toStdString();

    // A store that cannot be reached.
    run = produce({"--folder", fw.path(), "--port", sim.port(), "--store", fw.filePath("dwl.dwl/station.sqlite")});
    EXPECT_EQ(run.code, 2) << run.err.toStdString();

    EXPECT_TRUE(sim.received().isEmpty());
}

// One run, one device for each way the chain can end.
TEST(Station, SerialNumberFollowsWhatTheDeviceDid) {
    QTemporaryDir fw, dir;
    writeFirmware(fw);
    const QString location = dir.filePath("station.sqlite");
    openStore(location)->addSerialRange(500, 599);

    const std::vector<std::pair<QStringList, SerialState>> devices = {
        {{}, SerialState::Stored},
        {{"--silent"}, SerialState::Free},                      // nothing reached it, not even AT+ZQSNUM
        {{"--refuse", "AT+ZQSNUM"}, SerialState::Unknown},      // sent, not confirmed
        {{"--refuse", "AT+ZQEXIT"}, SerialState::Stored},       // confirmed, then the last step failed
    };
    std::vector<std::unique_ptr<SimulatorProcess>> sims;
    QStringList args{"--folder", fw.path(), "--store", location, "--station", "A"};
    for (const auto& [options, state] : devices) {
        sims.push_back(std::make_unique<SimulatorProcess>(QStringList{"--restart-ms", "100"} + options));
        ASSERT_TRUE(sims.back()->ready());
        args << "--port" << sims.back()->port();
    }
    const Ran run = produce(args);
    EXPECT_EQ(run.code, 1) << run.err.toStdString();

    const auto s = openStore(location);
    auto byPort = recordsByPort(*s);
    ASSERT_EQ(byPort.size(), devices.size());
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const ProductionRecord& r = byPort[sims[i]->port()];
        SCOPED_TRACE(devices[i].first.join(' ').toStdString());
        ASSERT_TRUE(r.serialNumber);
        EXPECT_EQ(r.serialState, devices[i].second);
        EXPECT_EQ(r.station, "A");
        EXPECT_EQ(r.links.size(), 8u);
        EXPECT_EQ(r.failure.isEmpty(), i == 0) << r.failure.toStdString();
        const bool sent = sims[i]->received().contains("AT+ZQSNUM=" + serialText(*r.serialNumber).toLatin1());
        EXPECT_EQ(sent, devices[i].second != SerialState::Free);
    }
    const ProductionRecord& done = byPort[sims[0]->port()];
    EXPECT_EQ(done.moduleType, "Q2687RD");
    EXPECT_EQ(done.applicationVersion, "1.0.5");
    EXPECT_EQ(done.images[0].sha256, QString::fromLatin1(QCryptographicHash::hash(QByteArray(1000, 'd'),
                                                                                  QCryptographicHash::Sha256).toHex()));
    EXPECT_TRUE(done.started.isValid() && done.finished >= done.started);
    const SerialCounts c = *s->counts();
    EXPECT_EQ(c.stored, 2);
    EXPECT_EQ(c.unknown, 1);
    EXPECT_EQ(c.reserved, 0);
    EXPECT_EQ(c.free, 97);
}

// A station killed while a device holds its number: the number is reserved
// without a record, and the next start makes it unknown.  Two stations under
// one name at once: that start leaves the other's number alone, and both
// devices are recorded with their numbers stored.
TEST(Station, KilledStationsNumberBecomesUnknownARunningOnesStaysItsOwn) {
    QTemporaryDir fw, dir;
    writeFirmware(fw);
    const QString location = dir.filePath("station.sqlite");
    const auto s = openStore(location);
    s->addSerialRange(700, 709);
    const QStringList common{"produce", "--folder", fw.path(), "--store", location, "--station", "A", "--port"};
    SimulatorProcess slow({"--restart-ms", "100", "--slow", "300"}), slowToo({"--restart-ms", "100", "--slow", "300"}),
        next({"--restart-ms", "100"});
    ASSERT_TRUE(slow.ready() && slowToo.ready() && next.ready());
    auto holds = [&](const SimulatorProcess& device) {
        const auto open = s->openSerials();
        for (const OpenSerial& o : *open)
            if (o.port == device.port()) return o.state == SerialState::Reserved;
        return false;
    };
    // The one to be killed reaches its number first.
    QProcess killed, running;
    killed.start(QStringLiteral(KORVEL_CLI_PATH), common + QStringList{slow.port()});
    QThread::msleep(2000);
    running.start(QStringLiteral(KORVEL_CLI_PATH), common + QStringList{slowToo.port()});
    while (!holds(slow) && !killed.waitForFinished(10)) {}
    ASSERT_EQ(killed.state(), QProcess::Running) << "the station ended before its number was seen reserved";
    killed.kill();
    ASSERT_TRUE(killed.waitForFinished(5000));
    while (!holds(slowToo) && !running.waitForFinished(10)) {}
    ASSERT_EQ(running.state(), QProcess::Running) << running.readAllStandardError().toStdString();

    const Ran run = produce(QStringList{"--folder", fw.path(), "--store", location, "--station", "A", "--port", next.port()});
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    ASSERT_TRUE(running.waitForFinished(60000));
    EXPECT_EQ(running.exitCode(), 0) << running.readAllStandardError().toStdString();
    const auto open = *s->openSerials();
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(open[0].port, slow.port());
    EXPECT_EQ(open[0].state, SerialState::Unknown);
    auto byPort = recordsByPort(*s);
    EXPECT_EQ(byPort.size(), 2u);
    EXPECT_EQ(byPort[slowToo.port()].serialState, SerialState::Stored);
    EXPECT_EQ(byPort[next.port()].serialState, SerialState::Stored);
    EXPECT_EQ(s->counts()->stored, 2);
}

// --retries: a link refused once is run again and the device is done, but
// not at the first pass; a serial number link runs again only when its
// number never went out; the summary names the devices to redo and how.
TEST(Station, RetriesRepeatOnlyWhatIsSafeToRepeat) {
    QTemporaryDir fw, dir;
    writeFirmware(fw);
    const QString location = dir.filePath("station.sqlite");
    openStore(location)->addSerialRange(800, 899);
    const std::vector<QStringList> devices = {
        {},
        {"--refuse", "AT+ZQCONFIG#1"},  // the application's start refused once
        {"--refuse", "AT+ZQCONFIG#2"},  // the serial link refused before its number went out
        {"--refuse", "AT+ZQSNUM"},    // the number went out, never confirmed
    };
    std::vector<std::unique_ptr<SimulatorProcess>> sims;
    QStringList args{"--folder", fw.path(), "--store", location, "--station", "A", "--retries", "2"};
    for (const QStringList& options : devices) {
        sims.push_back(std::make_unique<SimulatorProcess>(QStringList{"--restart-ms", "100"} + options));
        ASSERT_TRUE(sims.back()->ready());
        args << "--port" << sims.back()->port();
    }
    const Ran run = produce(args);
    EXPECT_EQ(run.code, 1) << run.err.toStdString();

    const auto s = openStore(location);
    auto byPort = recordsByPort(*s);
    ASSERT_EQ(byPort.size(), devices.size());
    auto attempts = [&](int device, const char* link) {
        for (const LinkRecord& l : byPort[sims[std::size_t(device)]->port()].links)
            if (l.name == link) return l.outcome + QString::number(l.attempts);
        return QString();
    };
    EXPECT_EQ(attempts(0, "start"), "ok1");
    EXPECT_EQ(attempts(1, "start"), "ok2");
    EXPECT_EQ(attempts(2, "serial"), "ok2");
    EXPECT_EQ(attempts(3, "serial"), "failed1");
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(byPort[sims[std::size_t(i)]->port()].failure.isEmpty()) << i;
    EXPECT_EQ(byPort[sims[2]->port()].serialState, SerialState::Stored);
    EXPECT_EQ(sims[3]->received().count("AT+ZQSNUM="), 1);
    EXPECT_EQ(s->counts()->stored, 3);
    EXPECT_EQ(s->counts()->unknown, 1);

    EXPECT_TRUE(run.out.contains(QRegularExpression(": 1 \\S+ 4\n"))) << run.out.toStdString();  // at the first pass
    const QString redo = QStringLiteral(" --folder %1 --store %2 --station A --retries 2 --port %3\n")
                             .arg(fw.path(), location, sims[3]->port());
    EXPECT_TRUE(run.out.contains(redo)) << run.out.toStdString();
}

#ifndef _WIN32
// produce with stdout and stderr on a pseudo-terminal of 40 rows and 160
// columns; `out` is all the terminal was sent.
Ran produceOnTerminal(const QStringList& args) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return {};
    const QString terminal = QString::fromLocal8Bit(::ptsname(master));
    winsize size{40, 160, 0, 0};
    ::ioctl(master, TIOCSWINSZ, &size);
    // Held open so that what the station wrote last is still there once it ended.
    const int held = ::open(terminal.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    QProcess p;
    p.setStandardOutputFile(terminal);
    p.setStandardErrorFile(terminal);
    p.start(QStringLiteral(KORVEL_CLI_PATH), QStringList{"produce"} + args);
    QByteArray shown;
    const auto drain = [&](int waitMs) {
        pollfd fd{master, POLLIN, 0};
        char buffer[4096];
        while (::poll(&fd, 1, waitMs) > 0) {
            const ssize_t got = ::read(master, buffer, sizeof buffer);
            if (got <= 0) break;
            shown.append(buffer, got);
        }
    };
    while (!p.waitForFinished(20) && p.state() == QProcess::Running) drain(0);
    drain(200);
    ::close(held);
    ::close(master);
    return {p.exitCode(), QString::fromUtf8(shown), {}};
}

// The rows a terminal shows after `text`: carriage returns, line feeds,
// cursor up and down, clearing to the end of the line.
QStringList screenAfter(const QString& text) {
    QStringList rows;
    int row = 0, column = 0;
    const auto at = [&](qsizetype i) { return i < text.size() ? text[i] : QChar(); };
    for (qsizetype i = 0; i < text.size(); ++i) {
        while (rows.size() <= row) rows << QString();
        if (text[i] == u'\033' && at(i + 1) == u'[') {
            qsizetype j = i + 2;
            int n = 0;
            while (at(j).isDigit()) n = n * 10 + text[j++].digitValue();
            if (at(j) == u'A') row = std::max(0, row - std::max(n, 1));
            if (at(j) == u'B') row += std::max(n, 1);
            if (at(j) == u'K') rows[row].truncate(column);
            i = j;
        } else if (text[i] == u'\r') {
            column = 0;
        } else if (text[i] == u'\n') {
            ++row;
        } else {
            QString& r = rows[row];
            if (r.size() <= column) r = r.leftJustified(column) + text[i];
            else r[column] = text[i];
            ++column;
        }
    }
    while (!rows.isEmpty() && rows.back().isEmpty()) rows.removeLast();
    return rows;
}

// On a terminal each port has one line, redrawn in place with how each link
// ended, and no status lines come between them; then the table.  The status
// lines go to the log asked for, each with its date, time and port.
TEST(Station, TerminalShowsOneLinePerPortAndTheLogGetsTheStatusLines) {
    QTemporaryDir fw, dir;
    writeFirmware(fw);
    const QString location = dir.filePath("station.sqlite");
    openStore(location)->addSerialRange(600, 609);
    std::vector<std::unique_ptr<SimulatorProcess>> sims;
    const QString log = dir.filePath("station.log");
    QStringList args{"--folder", fw.path(), "--store", location, "--station", "A", "--log", log};
    std::set<QString> ports;
    for (int i = 0; i < 3; ++i) {
        sims.push_back(std::make_unique<SimulatorProcess>(QStringList{"--restart-ms", "100"}));
        ASSERT_TRUE(sims.back()->ready());
        args << "--port" << sims.back()->port();
        ports.insert(sims.back()->port());
    }
    const Ran run = produceOnTerminal(args);
    EXPECT_EQ(run.code, 0);
    const QStringList screen = screenAfter(run.out);
    // The three ports' lines, the table's header, its three rows and the first-pass yield.
    ASSERT_EQ(screen.size(), 8) << run.out.toStdString();
    std::set<QString> lined;
    for (int i = 0; i < 3; ++i) {
        lined.insert(screen[i].section(u' ', 0, 0));
        EXPECT_TRUE(screen[i].contains(" identify=ok files=ok delete=ok boot=ok firmware=ok application=ok "
                                       "start=ok serial=ok "))
            << screen[i].toStdString();
    }
    EXPECT_EQ(lined, ports);

    QFile logFile(log);
    ASSERT_TRUE(logFile.open(QIODevice::ReadOnly));
    static const QRegularExpression stamped(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} (\\S+): "));
    std::map<QString, int> logged;
    for (const QString& line : QString::fromUtf8(logFile.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch m = stamped.match(line);
        EXPECT_TRUE(m.hasMatch()) << line.toStdString();
        ++logged[m.captured(1)];
    }
    for (const QString& port : ports) EXPECT_GT(logged[port], 10) << port.toStdString();
    EXPECT_EQ(logged.size(), ports.size());
}

// station --watch: each device whose port appears is prepared once; a device
// left plugged in is not prepared again; one unplugged and plugged into the
// same slot is prepared again as a new device, with a new number.
TEST(Station, WatchPreparesEachPluggedDeviceOnce) {
    QTemporaryDir fw, dir, links;
    writeFirmware(fw);
    const QString location = dir.filePath("station.sqlite");
    const auto s = openStore(location);
    s->addSerialRange(900, 909);
    auto plug = [&](const char* name) {
        auto sim = std::make_unique<SimulatorProcess>(QStringList{"--restart-ms", "100", "--link", links.filePath(name)});
        EXPECT_TRUE(sim->ready());
        return sim;
    };
    auto waitForRecords = [&](std::size_t count) {
        for (int i = 0; i < 600 && s->exportRecords({}).value->size() < count; ++i) QThread::msleep(100);
        return s->exportRecords({}).value->size();
    };
    auto a = plug("a");
    const auto b = plug("b");
    QProcess station;
    station.start(QStringLiteral(KORVEL_CLI_PATH), {"station", "--watch", links.path(), "--folder", fw.path(),
                                                    "--store", location, "--station", "W"});
    ASSERT_TRUE(station.waitForStarted());
    EXPECT_EQ(waitForRecords(2), 2u);
    QThread::msleep(2000);  // four looks at the folder with both still plugged in
    EXPECT_EQ(s->exportRecords({}).value->size(), 2u);

    a.reset();  // unplugged: its link is gone
    EXPECT_FALSE(QFileInfo::exists(links.filePath("a")));
    QThread::msleep(1500);  // a hand's unplugging and plugging in
    a = plug("a");
    EXPECT_EQ(waitForRecords(3), 3u);
    QThread::msleep(1000);
    ::kill(pid_t(station.processId()), SIGINT);
    ASSERT_TRUE(station.waitForFinished(60000));
    EXPECT_EQ(station.exitCode(), 0) << station.readAllStandardError().toStdString();

    std::map<QString, std::vector<ProductionRecord>> byPort;
    const std::vector<ProductionRecord> all = *s->exportRecords({});
    for (const ProductionRecord& r : all) byPort[r.port].push_back(r);
    ASSERT_EQ(byPort[links.filePath("a")].size(), 2u);
    ASSERT_EQ(byPort[links.filePath("b")].size(), 1u);
    std::set<quint32> numbers;
    for (const auto& [port, records] : byPort)
        for (const ProductionRecord& r : records) {
            EXPECT_TRUE(r.failure.isEmpty()) << r.failure.toStdString();
            EXPECT_EQ(r.serialState, SerialState::Stored);
            numbers.insert(r.serialNumber.value_or(0));
        }
    EXPECT_EQ(numbers.size(), 3u);
}
#endif

}  // namespace
}  // namespace korvel::store
