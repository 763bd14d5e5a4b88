// The meter types the meters' table offers: form data, written once here,
// each name with the code the device keeps for it.  Both directions go by
// value: the configuration write sends a name's code, the read shows a
// code's name.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace korvel {

// The names in the order of their codes, the empty name (code 0) first.
QStringList meterTypeNames();
// A name's code as the device takes it ("1"); "0" for a name not offered.
QString meterTypeCode(const QString& typeName);
// A code's name; none for a code not offered.
std::optional<QString> meterTypeName(int code);

}  // namespace korvel
