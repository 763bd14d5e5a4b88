// Which state a serial number may go to from which, the same for both
// databases (the diagram is in station_store.h).  A database makes each move
// in one statement conditional on movesFrom(), so that two stations never
// both move one number, and takes its refusals from here: refusedTarget()
// before the statement, refusal() when the statement moved nothing.
#pragma once

#include <optional>

#include "station/store_error.h"

namespace korvel::store {

enum class SerialMove {
    Reserve,  // a number the operator chose: free, or not yet in the store -> reserved
    Mark,     // reserved -> stored, free or unknown
    Keep,     // the same with the device record, in its transaction
    Release,  // the operator's word: unknown -> free
};

// The state `move` takes a number from (Reserve: also a number not yet in the
// store, which the statement inserts).
SerialState movesFrom(SerialMove move);

// The refusal whatever state the number is in (a number marked or kept as
// reserved); none when only the number's state decides.
std::optional<StoreError> refusedTarget(SerialMove move, SerialState to);

// Why `number`, found `current` (none: not in the store), did not move.
StoreError refusal(SerialMove move, quint32 number, std::optional<SerialState> current);

}  // namespace korvel::store
