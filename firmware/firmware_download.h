// Loading one firmware image into the GSM module: the module's download
// command, the XMODEM transfer and the restart, in the two sequences of the
// update page and of the production page.
#pragma once

#include <QString>

#include "device_link/operation_context.h"
#include "device_link/outcome.h"
#include "firmware/xmodem.h"
#include "device_link/operation_sink.h"

namespace korvel {

// The firmware download's status reports.
namespace status {
inline constexpr Status ControllerInDownloadMode{"controller in download mode"};
inline constexpr Status CommunicatorInDownloadMode{"communicator in download mode"};
inline constexpr Status UpdatingFirmware{"updating firmware"};
inline constexpr Status ImageOpened{"image opened"};                    // detail: the image's length in bytes
inline constexpr Status AwaitingModuleRequest{"awaiting module request"};  // a passing state: the status line only, not the log
inline constexpr Status ControllerRestarted{"controller restarted"};
inline constexpr Status CommunicatorRestarted{"communicator restarted"};
inline constexpr Status FirmwareNotWritten{"firmware not written"};  // detail: transferFailureDetail() of the outcome
}  // namespace status

// The update page's download (gauge CGauge1): port and file checked, the
// switch to download mode sent unexamined, the port closed for five seconds
// and reopened, the transfer with a long wait for the module's first
// request, the restart.
Outcome updateFirmware(OperationContext& ctx, const QString& imagePath);

// The production page's download of one image (gauge CGauge2): port and file
// checked, one port connection, the echo test and the examined switch, the
// transfer, the restart and the check that the device works again.
Outcome downloadProductionImage(OperationContext& ctx, const QString& imagePath);

// What the transfer of either sequence does around the blocks: the sink's
// gauge follows the image position; the update page (`longFirstWait`) waits
// up to kFirstNakReads reads for the module's first request, saying so
// after the first.
xmodem::SenderHooks transferHooks(OperationSink& sink, SerialPort& port, bool longFirstWait);

// Why a transfer did not get the image through, as the detail of
// status::FirmwareNotWritten: a key the texts turn into words.
namespace transfer_failure {
inline const char kPortSettings[] = "port settings";  // the port refused its settings
inline const char kImageFile[] = "image file";        // the file was not read or is empty
inline const char kNoRequest[] = "no request";        // the module asked for nothing
inline const char kBlockRefused[] = "block refused";  // followed by a space and the block's number
}  // namespace transfer_failure
QString transferFailureDetail(const Outcome& outcome);

}  // namespace korvel
