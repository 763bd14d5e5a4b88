#include "texts/store_texts.h"

#include "station/station_store.h"

namespace korvel {

namespace {

using store::SerialState;
using store::StoreFailure;

// Why a number cannot be reserved or released: its state, or that the store
// does not know it.
QString refusedText(const QString& n, std::optional<SerialState> state) {
    if (!state) return QStringLiteral("номера %1 нет в базе").arg(n);
    switch (*state) {
        case SerialState::Free: return QStringLiteral("номер %1 свободен").arg(n);
        case SerialState::Reserved: return QStringLiteral("номер %1 уже выдан другому устройству").arg(n);
        case SerialState::Stored: return QStringLiteral("номер %1 уже записан в устройство").arg(n);
        case SerialState::Unknown:
            return QStringLiteral("номер %1 мог попасть в устройство (состояние unknown); "
                                  "освободить: korvel-cli serials release %2").arg(n, n);
    }
    return n;
}

}  // namespace

QString storeErrorText(const store::StoreError& e) {
    const QString n = store::serialText(e.serial);
    const QString state = e.state ? store::serialStateName(*e.state) : QString();
    switch (e.failure) {
        case StoreFailure::System: return e.where.isEmpty() ? e.system : QStringLiteral("%1: %2").arg(e.where, e.system);
        case StoreFailure::FileReadOnly: return QStringLiteral("%1: файл только для чтения").arg(e.where);
        case StoreFailure::ServerReadOnly: return QStringLiteral("%1: записывать нельзя").arg(e.where);
        case StoreFailure::NoFreeSerials: return QStringLiteral("свободных серийных номеров нет");
        case StoreFailure::NoLease: return QStringLiteral("станция не держит аренду имени");
        case StoreFailure::SerialRefused: return refusedText(n, e.state);
        case StoreFailure::NotUnknown:
            return e.state ? QStringLiteral("номер %1 не в состоянии unknown, а %2").arg(n, state) : refusedText(n, e.state);
        case StoreFailure::NotReserved:
            return e.state ? QStringLiteral("номер %1 не выдан (reserved), а в состоянии %2").arg(n, state)
                           : refusedText(n, e.state);
        case StoreFailure::RecordStillReserved:
            return QStringLiteral("запись устройства: номер ещё не stored, free или unknown");
        case StoreFailure::MovedOnlyFromReserved: return QStringLiteral("номер можно только перевести из reserved");
        case StoreFailure::FolderNotMade: return QStringLiteral("%1: папка не создаётся").arg(e.where);
        case StoreFailure::PostgresqlAbsent:
            return QStringLiteral("эта сборка работает только с файлом SQLite; PostgreSQL недоступен");
    }
    return e.system;
}

}  // namespace korvel
