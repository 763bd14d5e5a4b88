// Loading one firmware image into the GSM module: the module's download
// command, the XMODEM transfer and the restart, in the two entry sequences
// of the update page and of the production page.
#pragma once

#include <QString>

#include "operation_context.h"
#include "outcome.h"

namespace korvel {

enum class DownloadEntry {
    UpdatePage,  // switch, close, wait, reopen, transfer (gauge CGauge1)
    Production,  // one connection, echo test, checked switch (gauge CGauge2)
};

// Runs one whole download to its end.  The caller has already checked that a
// port and a file were chosen and set the gauge to 0..100 at 0.
Outcome runFirmwareDownload(OperationContext& ctx, const QString& imagePath, GaugeId gauge,
                         DownloadEntry entry);

}  // namespace korvel
