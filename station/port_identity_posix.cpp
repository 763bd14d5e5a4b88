#include "station/port_identity_posix.h"

#include <QDir>
#include <QFileInfo>

#include "station/port_identity.h"

namespace korvel::store {

QString stablePortNameUnder(const QString& port, const QString& devRoot) {
    // Port names as korvel-cli takes them: a path as it stands, else a name under /dev.
    const QString path = port.startsWith(QLatin1Char('/')) ? port : devRoot + QLatin1Char('/') + port;
    const QString target = QFileInfo(path).canonicalFilePath();
    if (target.isEmpty()) return QString();
    for (const char* kind : {"by-path", "by-id"}) {
        const QDir dir(devRoot + QStringLiteral("/serial/") + QLatin1String(kind));
        for (const QFileInfo& link : dir.entryInfoList(QDir::Files | QDir::System, QDir::Name))
            if (link.isSymLink() && link.canonicalFilePath() == target)
                return QLatin1String(kind) + QLatin1Char('/') + link.fileName();
    }
    return QString();
}

QString stablePortName(const QString& port) { return stablePortNameUnder(port, QStringLiteral("/dev")); }

QString defaultWatchFolder() { return QStringLiteral("/dev/serial/by-id"); }

}  // namespace korvel::store
