// Keeps the station's slots in the store for the line's board, and the
// numbers left in the store's range on the station's view: a thread of its
// own with a store connection of its own, so that no device waits for it.
#pragma once

#include <atomic>
#include <thread>

#include "station/slot_board.h"

namespace korvel::store {

class SlotPublisher {
public:
    SlotPublisher(SlotBoard& board, StationStore& store, QString station);
    // Writes what is left to write, then stops.
    ~SlotPublisher();
    SlotPublisher(const SlotPublisher&) = delete;
    SlotPublisher& operator=(const SlotPublisher&) = delete;

private:
    void run();
    void publish();

    SlotBoard& board_;
    StationStore& store_;
    QString station_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace korvel::store
