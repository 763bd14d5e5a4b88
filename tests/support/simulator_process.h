// Runs the device simulator on a pseudo-terminal for the length of a test.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace korvel::test {

class SimulatorProcess {
public:
    // Starts the simulator with --ready-file and --log plus the given options
    // ("@" at the start of one stands for the scratch folder), and waits
    // until its pseudo-terminal is ready.
    explicit SimulatorProcess(const QStringList& options = {});
    ~SimulatorProcess();

    bool ready() const { return !port_.isEmpty(); }
    // The pseudo-terminal's path, to be typed as the port name.
    QString port() const { return port_; }
    // Every byte the simulator has received so far.
    QByteArray received() const;
    // Waits until the simulator has received `bytes` in total or the time is up.
    QByteArray waitForReceived(qsizetype bytes, int timeoutMs = 3000) const;
    QString dir() const { return dir_.path(); }
    qint64 pid() const { return process_.processId(); }
    // SIGTERM and wait; the exit status, or -1.
    int stop();

private:
    QTemporaryDir dir_;
    QProcess process_;
    QString port_;
};

}  // namespace korvel::test
