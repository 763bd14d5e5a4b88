#include "configuration/meter_types.h"

namespace korvel {

namespace {

struct MeterType {
    int code;
    const char* name;
};

const MeterType kMeterTypes[] = {{0, ""}, {1, "КВАРН"}, {2, "ОРТИС-12"}};

}  // namespace

QStringList meterTypeNames() {
    QStringList names;
    for (const MeterType& t : kMeterTypes) names << QString::fromUtf8(t.name);
    return names;
}

QString meterTypeCode(const QString& typeName) {
    for (const MeterType& t : kMeterTypes)
        if (t.code != 0 && typeName == QString::fromUtf8(t.name)) return QString::number(t.code);
    return QStringLiteral("0");
}

std::optional<QString> meterTypeName(int code) {
    for (const MeterType& t : kMeterTypes)
        if (t.code == code) return QString::fromUtf8(t.name);
    return std::nullopt;
}

}  // namespace korvel
