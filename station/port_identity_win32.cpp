#include "station/port_identity.h"

namespace korvel::store {

QString stablePortName(const QString&) { return QString(); }

QString defaultWatchFolder() { return QString(); }

}  // namespace korvel::store
