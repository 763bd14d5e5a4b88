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

QString refusedBecause(quint32 number, std::optional<SerialState> current) {
    const QString n = serialText(number);
    if (!current) return QStringLiteral("номера %1 нет в базе").arg(n);
    switch (*current) {
    case SerialState::Free: return QStringLiteral("номер %1 свободен").arg(n);
    case SerialState::Reserved: return QStringLiteral("номер %1 уже выдан другому устройству").arg(n);
    case SerialState::Stored: return QStringLiteral("номер %1 уже записан в устройство").arg(n);
    case SerialState::Unknown:
        return QStringLiteral("номер %1 мог попасть в устройство (состояние unknown); "
                              "освободить: korvel-cli serials release %2").arg(n, n);
    }
    return n;
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

std::unique_ptr<StationStore> openStationStore(const QString& location, QString& error) {
    if (location.startsWith(QStringLiteral("postgresql://")) || location.startsWith(QStringLiteral("postgres://")))
        return openPostgresqlStore(location, error);
    const QString file = location.isEmpty() ? defaultStoreFile() : location;
    return openSqliteStore(file, error);
}

}  // namespace korvel::store
