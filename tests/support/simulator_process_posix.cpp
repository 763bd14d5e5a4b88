#include "simulator_process.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>

namespace korvel::test {

SimulatorProcess::SimulatorProcess(const QStringList& options) {
    const QString ready = dir_.filePath(QStringLiteral("ready"));
    QStringList args{QStringLiteral("--ready-file"), ready, QStringLiteral("--log"),
                     dir_.filePath(QStringLiteral("received.log"))};
    for (const QString& option : options)
        args << (option.startsWith(QLatin1Char('@')) ? dir_.path() + option.mid(1) : option);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.setStandardOutputFile(QProcess::nullDevice());
    // A test that crashes takes its simulator with it.
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process_.start(QStringLiteral(KORVEL_SIMULATOR_PATH), args);
    if (!process_.waitForStarted(5000)) return;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 5000) {
        QFile f(ready);
        if (f.open(QIODevice::ReadOnly)) {
            const QString path = QString::fromLocal8Bit(f.readAll()).trimmed();
            if (!path.isEmpty()) {
                port_ = path;
                return;
            }
        }
        QThread::msleep(10);
    }
}

SimulatorProcess::~SimulatorProcess() { stop(); }

int SimulatorProcess::stop() {
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished(1000);
            return -1;
        }
    }
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

QByteArray SimulatorProcess::received() const {
    QFile f(dir_.filePath(QStringLiteral("received.log")));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray SimulatorProcess::waitForReceived(qsizetype bytes, int timeoutMs) const {
    QElapsedTimer timer;
    timer.start();
    QByteArray got = received();
    while (got.size() < bytes && timer.elapsed() < timeoutMs) {
        QThread::msleep(10);
        got = received();
    }
    return got;
}

}  // namespace korvel::test
