#include "firmware_download.h"

namespace korvel {

void runFirmwareDownload(OperationContext&, const QString&, GaugeId, DownloadEntry) {}

}  // namespace korvel
