// What the production chain's links add to a device's record, the same for
// the station and for the production page: each link's outcome and time,
// and what the links learned (module, versions, image files and their
// SHA-256, the serial number's state).
#pragma once

#include "outcome.h"
#include "production_chain.h"
#include "station_store.h"

namespace korvel::store {

// Adds one finished link: `skipped` when it did not run (the station was
// stopping, or it drew no number).  The first failing link becomes the
// record's failure.
void recordChainLink(ProductionRecord& record, ChainLink link, const Outcome* outcome,
                     const ChainState& state, qint64 durationMs, int attempts = 1,
                     bool skipped = false);

// The application version as AT+ZQVER? reported it, without the reply's
// tail: its first line.
QString applicationVersionText(const QString& reported);

// What a reserved number becomes after the serial number link: stored when
// the device confirmed it, free when it provably never went out, unknown
// otherwise.  No outcome (the link ended in an error of its own): unknown.
SerialState serialStateAfter(const Outcome* serialLink);

}  // namespace korvel::store
