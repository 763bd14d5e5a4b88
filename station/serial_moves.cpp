#include "station/serial_moves.h"

namespace korvel::store {

namespace {

constexpr unsigned bit(SerialState s) { return 1u << unsigned(s); }
constexpr unsigned kSettled = bit(SerialState::Stored) | bit(SerialState::Free) | bit(SerialState::Unknown);

struct Rule {
    SerialMove move;
    SerialState from;
    unsigned to;                          // the states it may go to, as bits
    StoreFailure wrongTarget;             // the refusal of any other `to`
    StoreFailure refused;                 // the refusal of any other `from`
};

constexpr auto S = StoreFailure::System;  // no other `to` is asked for

const Rule kRules[] = {
    {SerialMove::Reserve, SerialState::Free, bit(SerialState::Reserved), S, StoreFailure::SerialRefused},
    {SerialMove::Mark, SerialState::Reserved, kSettled,
     StoreFailure::MovedOnlyFromReserved, StoreFailure::NotReserved},
    {SerialMove::Keep, SerialState::Reserved, kSettled,
     StoreFailure::RecordStillReserved, StoreFailure::NotReserved},
    {SerialMove::Release, SerialState::Unknown, bit(SerialState::Free), S, StoreFailure::NotUnknown},
};

const Rule& ruleOf(SerialMove move) {
    for (const Rule& r : kRules)
        if (r.move == move) return r;
    return kRules[0];
}

}  // namespace

SerialState movesFrom(SerialMove move) { return ruleOf(move).from; }

std::optional<StoreError> refusedTarget(SerialMove move, SerialState to) {
    const Rule& r = ruleOf(move);
    if (r.to & bit(to)) return std::nullopt;
    return StoreError::of(r.wrongTarget);
}

StoreError refusal(SerialMove move, quint32 number, std::optional<SerialState> current) {
    return StoreError::aboutSerial(ruleOf(move).refused, number, current);
}

}  // namespace korvel::store
