// The station's events shown on its view: each changes the slot's tile.
#pragma once

#include "cli/events.h"
#include "station/slot_board.h"

namespace korvel::cli {

class ViewEvents : public Events {
public:
    explicit ViewEvents(store::SlotBoard& board) : board_(board) {}

    void line(const QString& port, LineKind kind, const QString& text) override;
    void progress(const QString& port, std::optional<ChainLink> link, const ProgressMark& mark) override;
    void linkBegins(const QString& port, ChainLink link, int attempt) override;
    void linkEnds(const QString& port, ChainLink link, const LinkEnd& end) override;
    void deviceEnds(const store::ProductionRecord& record) override;
    void notice(Notice, const QString&) override {}
    void close() override {}

private:
    store::SlotBoard& board_;
};

// The name the view gives the slot on `port`: its fixture identity, else the
// port's own name.
QString viewSlotName(const QString& port);

}  // namespace korvel::cli
