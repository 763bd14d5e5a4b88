// A configuration with every value the device stores filled in, within the
// device's limits: the row numbers, every field and every table row.  Used by
// the round-trip tests and the benchmark.
#pragma once

#include <QString>

#include "configuration/config_form.h"

namespace korvel::test {

inline void fillSampleConfiguration(ConfigForm& f) {
    for (int r = 1; r <= 5; ++r) f.setCell(FormGrid::Servers, 0, r, QString::number(r));
    for (int r = 1; r <= 32; ++r) f.setCell(FormGrid::Meters, 0, r, QString::number(r));
    for (int r = 1; r <= 2; ++r) f.setCell(FormGrid::AlarmNumbers, 0, r, QString::number(r));

    f.setText(FormField::SimTelephone, QStringLiteral("9161234567"));
    f.setText(FormField::SimPin, QStringLiteral("1234"));
    f.setText(FormField::GprsAccessPoint, QStringLiteral("internet.mts.ru"));
    f.setText(FormField::GprsLogin, QStringLiteral("Пётр"));
    f.setText(FormField::GprsPassword, QStringLiteral("se cret"));
    f.setChecked(FormCheck::Gprs2Enabled, true);
    f.setText(FormField::Gprs2Period, QStringLiteral("30"));
    f.setGprs2Server(2);
    f.setChecked(FormCheck::Gprs3Enabled, true);
    f.setText(FormField::Gprs3Address, QStringLiteral("10.0.0.1"));
    f.setText(FormField::Gprs3Port, QStringLiteral("502"));
    f.setText(FormField::BalanceUssd, QStringLiteral("*100#"));
    f.setText(FormField::BalancePeriod, QStringLiteral("60"));
    f.setText(FormField::BalanceThreshold, QStringLiteral("25"));
    f.setText(FormField::BalanceAlarmTelephone, QStringLiteral("9169876543"));
    f.setText(FormField::SmsPassword, QStringLiteral("5729"));
    f.setText(FormField::Rs485Speed, QStringLiteral("9600"));
    for (int r = 1; r <= 5; ++r) {
        f.setCell(FormGrid::Servers, 1, r, QStringLiteral("916000000%1").arg(r));
        f.setCell(FormGrid::Servers, 2, r, QStringLiteral("192.168.100.%1").arg(r));
        f.setCell(FormGrid::Servers, 3, r, QString::number(5000 + r));
        f.setCell(FormGrid::Servers, 4, r, QStringLiteral("Узел связи %1").arg(r));
    }
    for (int r = 1; r <= 32; ++r) {
        f.setCell(FormGrid::Meters, 1, r,
                  r % 2 ? QStringLiteral("КВАРН") : QStringLiteral("ОРТИС-12"));
        f.setCell(FormGrid::Meters, 2, r, QString::number(100 + r));
    }
    f.setCell(FormGrid::AlarmNumbers, 1, 1, QStringLiteral("9161112233"));
    f.setCell(FormGrid::AlarmNumbers, 1, 2, QStringLiteral("9164445566"));
}

}  // namespace korvel::test
