// Why the station store gave no answer, as a value: the front ends turn it
// into words (texts/store_texts.h), the device record into its English
// summary (storeErrorSummary).
#pragma once

#include <QString>
#include <optional>

namespace korvel::store {

enum class SerialState { Free, Reserved, Stored, Unknown };

enum class StoreFailure {
    System,                // the database's or the system's own words, in `system` (`where` before them when set)
    FileReadOnly,          // the SQLite file `where` cannot be written
    ServerReadOnly,        // the PostgreSQL server `where` takes no writes
    NoFreeSerials,
    NoLease,               // the station holds no lease on its name
    SerialRefused,         // `serial` cannot be reserved or released: it is `state` (none: not in the store)
    NotUnknown,            // `serial` is to be released but is `state`
    NotReserved,           // `serial` is to leave "reserved" but is `state` (none: not in the store)
    RecordStillReserved,   // a device record whose number is still "reserved"
    MovedOnlyFromReserved, // a reserved number asked to stay reserved
    FolderNotMade,         // the SQLite file's folder `where` cannot be made
    PostgresqlAbsent,      // this build reaches no PostgreSQL server
};

struct StoreError {
    StoreFailure failure = StoreFailure::System;
    QString where;    // the file, folder or server
    QString system;   // the database's or the system's own words
    quint32 serial = 0;
    std::optional<SerialState> state;

    static StoreError of(StoreFailure failure, QString where = QString()) {
        StoreError e;
        e.failure = failure;
        e.where = std::move(where);
        return e;
    }
    static StoreError systemSaid(QString words, QString where = QString()) {
        StoreError e = of(StoreFailure::System, std::move(where));
        e.system = std::move(words);
        return e;
    }
    static StoreError aboutSerial(StoreFailure failure, quint32 serial, std::optional<SerialState> state) {
        StoreError e = of(failure);
        e.serial = serial;
        e.state = state;
        return e;
    }
};

// The error in English for the device record and logs: "no free serial
// numbers", "serial 00000011 unknown", the database's own words.
QString storeErrorSummary(const StoreError& error);

}  // namespace korvel::store
