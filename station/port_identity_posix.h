// The Linux side of stablePortName(), with the device folder given (tests
// build a folder of their own).
#pragma once

#include <QString>

namespace korvel::store {

QString stablePortNameUnder(const QString& port, const QString& devRoot);

}  // namespace korvel::store
