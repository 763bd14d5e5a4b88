#include "configuration/settings_location.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTemporaryFile>

#include "configuration/settings_store.h"

namespace korvel {

namespace {

// Asks the file system itself: permission bits alone don't tell about a
// read-only mount or an access-control list.
bool folderWritable(const QString& folder) {
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".korvel-write-test-XXXXXX")));
    return probe.open();
}

// The system's own program folders hold installed programs only: root can
// write to /usr/bin, but a settings file there would be every user's and
// would outlive the package.
bool systemProgramFolder(const QString& folder) {
    const QString clean = QDir::cleanPath(folder);
    return clean.startsWith(QLatin1String("/usr/")) || clean == QLatin1String("/bin") ||
           clean == QLatin1String("/sbin");
}

}  // namespace

QString userSettingsFolder() {
    if (QSysInfo::kernelType() == QLatin1String("winnt")) {
        const QString appData = qEnvironmentVariable("APPDATA");
        if (!appData.isEmpty()) return QDir(appData).filePath(QStringLiteral("KORVEL"));
    }
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("korvel"));
}

QString resolveSettingsPath(const QString& executablePath, const QString& userFolder) {
    const QString besideExecutable = settingsFilePath(executablePath);
    const QString folder = QFileInfo(besideExecutable).absolutePath();
    const bool installed = systemProgramFolder(folder) ||
                           QFileInfo::exists(QDir(folder).filePath(QLatin1String(kInstalledMarkName)));
    if (!installed && folderWritable(folder)) return besideExecutable;

    const QString userDir = userFolder.isEmpty() ? userSettingsFolder() : userFolder;
    QDir().mkpath(userDir);
    const QString inUserFolder =
        QDir(userDir).filePath(QFileInfo(besideExecutable).fileName());
    if (!QFileInfo::exists(inUserFolder) && QFileInfo::exists(besideExecutable))
        QFile::copy(besideExecutable, inUserFolder);
    return inUserFolder;
}

}  // namespace korvel
