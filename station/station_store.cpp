#include "station/station_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSysInfo>

#include "station/process_alive.h"
#include "station/store_backends.h"

namespace korvel::store {

QString serialStateName(SerialState state) {
    switch (state) {
    case SerialState::Free: return QStringLiteral("free");
    case SerialState::Reserved: return QStringLiteral("reserved");
    case SerialState::Stored: return QStringLiteral("stored");
    case SerialState::Unknown: return QStringLiteral("unknown");
    }
    return QString();
}

std::optional<SerialState> serialStateFromName(const QString& name) {
    for (SerialState s : {SerialState::Free, SerialState::Reserved, SerialState::Stored, SerialState::Unknown})
        if (serialStateName(s) == name) return s;
    return std::nullopt;
}

QString serialText(quint32 number) { return QStringLiteral("%1").arg(number, 8, 10, QLatin1Char('0')); }

std::optional<quint32> parseSerial(const QString& text) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,8}$"));
    if (!digits.match(text).hasMatch()) return std::nullopt;
    return text.toUInt();
}

bool ProductionRecord::operator==(const ProductionRecord& o) const {
    auto linksEqual = [](const std::vector<LinkRecord>& a, const std::vector<LinkRecord>& b) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (a[i].name != b[i].name || a[i].outcome != b[i].outcome || a[i].durationMs != b[i].durationMs ||
                a[i].attempts != b[i].attempts)
                return false;
        return true;
    };
    for (int i = 0; i < 3; ++i)
        if (images[i].file != o.images[i].file || images[i].sha256 != o.images[i].sha256) return false;
    return station == o.station && port == o.port && portIdentity == o.portIdentity &&
           started == o.started && finished == o.finished && moduleType == o.moduleType &&
           coreVersion == o.coreVersion && applicationVersion == o.applicationVersion &&
           linksEqual(links, o.links) && programVersion == o.programVersion &&
           serialNumber == o.serialNumber && serialState == o.serialState && failure == o.failure;
}

QString storeErrorSummary(const StoreError& e) {
    const QString serial = serialText(e.serial);
    const QString state = e.state ? serialStateName(*e.state) : QStringLiteral("not in the store");
    switch (e.failure) {
        case StoreFailure::System: return e.where.isEmpty() ? e.system : e.where + QStringLiteral(": ") + e.system;
        case StoreFailure::FileReadOnly: return e.where + QStringLiteral(": read-only file");
        case StoreFailure::ServerReadOnly: return e.where + QStringLiteral(": read-only server");
        case StoreFailure::NoFreeSerials: return QStringLiteral("no free serial numbers");
        case StoreFailure::NoLease: return QStringLiteral("the station holds no lease");
        case StoreFailure::SerialRefused:
        case StoreFailure::NotUnknown:
        case StoreFailure::NotReserved: return QStringLiteral("serial %1 %2").arg(serial, state);
        case StoreFailure::RecordStillReserved: return QStringLiteral("record with a number still reserved");
        case StoreFailure::MovedOnlyFromReserved: return QStringLiteral("a number moves only from reserved");
        case StoreFailure::FolderNotMade: return e.where + QStringLiteral(": folder not made");
        case StoreFailure::PostgresqlAbsent: return QStringLiteral("PostgreSQL not in this build");
    }
    return e.system;
}

LeaseHolder thisProcess(const QString& station) {
    return {station, QSysInfo::machineHostName(), QString::fromLatin1(QSysInfo::machineUniqueId()),
            QCoreApplication::applicationPid()};
}

bool holderGone(const LeaseSeen& lease, qint64 boundMs) {
    if (lease.silentMs > boundMs) return true;
    // Two hosts may share a name; a process id means something only on the
    // machine that gave it.
    const LeaseHolder here = thisProcess(QString());
    const bool sameMachine = lease.holder.host == here.host && lease.holder.machine == here.machine;
    return sameMachine && !processRunning(lease.holder.pid);
}

QString defaultStoreFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/korvel/station.sqlite");
}

std::unique_ptr<StationStore> openStationStore(const QString& location, StoreError& error) {
    if (location.startsWith(QStringLiteral("postgresql://")) || location.startsWith(QStringLiteral("postgres://")))
        return openPostgresqlStore(location, error);
    const QString file = location.isEmpty() ? defaultStoreFile() : location;
    return openSqliteStore(file, error);
}

}  // namespace korvel::store
