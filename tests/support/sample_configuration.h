// A configuration with every value the device stores filled in, within the
// device's limits: the row numbers, every field and every table row.  Used by
// the round-trip tests and the benchmark.
#pragma once

#include <QString>

#include "config_form.h"

namespace korvel::test {

inline void fillSampleConfiguration(ConfigForm& f) {
    for (int r = 1; r <= 5; ++r) f.setCell(FormGrid::StringGrid1, 0, r, QString::number(r));
    for (int r = 1; r <= 32; ++r) f.setCell(FormGrid::StringGrid2, 0, r, QString::number(r));
    for (int r = 1; r <= 2; ++r) f.setCell(FormGrid::StringGrid3, 0, r, QString::number(r));

    f.setText(FormField::TelNumb, QStringLiteral("9161234567"));
    f.setText(FormField::MaskEdit1, QStringLiteral("1234"));
    f.setText(FormField::GPRS_APN, QStringLiteral("internet.mts.ru"));
    f.setText(FormField::GPRS_login, QStringLiteral("Пётр"));
    f.setText(FormField::GPRS_pass, QStringLiteral("se cret"));
    f.setChecked(FormCheck::GPRS2_Enable, true);
    f.setText(FormField::GPRS2_Period, QStringLiteral("30"));
    f.setGprs2Server(2);
    f.setChecked(FormCheck::GPRS3_Enable, true);
    f.setText(FormField::GPRS3_IP_Edit, QStringLiteral("10.0.0.1"));
    f.setText(FormField::GPRS3_Port_Edit, QStringLiteral("502"));
    f.setText(FormField::LabeledEdit1, QStringLiteral("*100#"));
    f.setText(FormField::LabeledEdit2, QStringLiteral("60"));
    f.setText(FormField::LabeledEdit3, QStringLiteral("25"));
    f.setText(FormField::MaskEdit6, QStringLiteral("9169876543"));
    f.setText(FormField::SMSPass, QStringLiteral("5729"));
    f.setText(FormField::ComboBox1, QStringLiteral("9600"));
    for (int r = 1; r <= 5; ++r) {
        f.setCell(FormGrid::StringGrid1, 1, r, QStringLiteral("916000000%1").arg(r));
        f.setCell(FormGrid::StringGrid1, 2, r, QStringLiteral("192.168.100.%1").arg(r));
        f.setCell(FormGrid::StringGrid1, 3, r, QString::number(5000 + r));
        f.setCell(FormGrid::StringGrid1, 4, r, QStringLiteral("Узел связи %1").arg(r));
    }
    for (int r = 1; r <= 32; ++r) {
        f.setCell(FormGrid::StringGrid2, 1, r,
                  r % 2 ? QStringLiteral("КВАРН") : QStringLiteral("ОРТИС-12"));
        f.setCell(FormGrid::StringGrid2, 2, r, QString::number(100 + r));
    }
    f.setCell(FormGrid::StringGrid3, 1, 1, QStringLiteral("9161112233"));
    f.setCell(FormGrid::StringGrid3, 1, 2, QStringLiteral("9164445566"));
}

}  // namespace korvel::test
