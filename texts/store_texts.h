// The station store's errors as the operator reads them, the same words
// whichever database the station uses.
#pragma once

#include <QString>

#include "station/store_error.h"

namespace korvel {

QString storeErrorText(const store::StoreError& error);

}  // namespace korvel
