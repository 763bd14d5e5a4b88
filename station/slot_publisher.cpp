#include "station/slot_publisher.h"

namespace korvel::store {

using namespace std::chrono;

SlotPublisher::SlotPublisher(SlotBoard& board, StationStore& store, QString station)
    : board_(board), store_(store), station_(std::move(station)), thread_([this] { run(); }) {}

SlotPublisher::~SlotPublisher() {
    stopping_ = true;
    board_.wakeAll();
    thread_.join();
    publish();
}

void SlotPublisher::publish() {
    // A store out of reach loses a tile's state only: the next write brings it.
    for (const auto& [slot, tile] : board_.takeToPublish()) store_.writeSlotState(station_, slot, tile);
}

void SlotPublisher::run() {
    quint64 seen = 0;
    auto counted = steady_clock::time_point();
    while (!stopping_) {
        board_.waitNewer(seen, seconds(1));
        seen = board_.version();
        publish();
        if (steady_clock::now() - counted > seconds(2)) {
            const auto counts = store_.counts();
            board_.setNumbersLeft(counts ? std::optional<qint64>(counts->free) : std::nullopt);
            counted = steady_clock::now();
        }
        // Progress moves many times a second; the store needs none of it.
        std::this_thread::sleep_for(milliseconds(200));
    }
}

}  // namespace korvel::store
