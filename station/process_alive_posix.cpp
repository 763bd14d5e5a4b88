#include <signal.h>

#include <QFile>
#include <cerrno>
#include <climits>

#include "station/process_alive.h"

namespace korvel::store {

bool processRunning(qint64 pid) {
    if (pid <= 0 || pid > INT_MAX) return false;
    // EPERM: it runs, under another user.
    if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH) return false;
    // A killed process its parent has not yet waited for is still found by
    // kill(), as a zombie: it is gone all the same.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return true;
    const QByteArray line = stat.readAll();
    const qsizetype end = line.lastIndexOf(')');  // the name may hold spaces and brackets
    if (end < 0 || end + 2 >= line.size()) return true;
    const char state = line[end + 2];
    return state != 'Z' && state != 'X';
}

}  // namespace korvel::store
