#include "configuration/memory_config_form.h"

#include "configuration/meter_types.h"

namespace korvel {

namespace {

constexpr FormField kAllFields[] = {
    FormField::SimTelephone,         FormField::SimPin,     FormField::ObjectDescription,
    FormField::GprsAccessPoint,        FormField::GprsLogin,    FormField::GprsPassword,
    FormField::Gprs2Period,    FormField::Gprs3Address, FormField::Gprs3Port,
    FormField::BalanceUssd,    FormField::BalancePeriod,  FormField::BalanceThreshold,
    FormField::BalanceAlarmTelephone,       FormField::SmsPassword,       FormField::Rs485Speed,
    FormField::SerialNumber,    FormField::SoftwareVersion,  FormField::DeviceTime,
    FormField::DeviceDate, FormField::FirmwareFolder,   FormField::ProductionSerialNumber,
};

}  // namespace

MemoryConfigForm::MemoryConfigForm() {
    for (FormField field : kAllFields) texts_[field] = EditMask(editMask(field)).emptyValue();
    checks_[FormCheck::Gprs2Enabled] = false;
    checks_[FormCheck::Gprs3Enabled] = false;
    for (FormGrid grid : {FormGrid::Servers, FormGrid::Meters, FormGrid::AlarmNumbers}) {
        grids_[grid] =
            QVector<QStringList>(rowCount(grid), QStringList(columnCount(grid), QString()));
    }
}

MemoryConfigForm MemoryConfigForm::copyOf(const ConfigForm& form) {
    MemoryConfigForm copy;
    for (FormField field : kAllFields) copy.texts_[field] = form.text(field);
    for (FormCheck box : {FormCheck::Gprs2Enabled, FormCheck::Gprs3Enabled})
        copy.checks_[box] = form.isChecked(box);
    copy.gprs2Server_ = form.gprs2Server();
    for (auto grid = copy.grids_.begin(); grid != copy.grids_.end(); ++grid)
        for (int row = 0; row < grid->size(); ++row)
            for (int column = 0; column < (*grid)[row].size(); ++column)
                (*grid)[row][column] = form.cell(grid.key(), column, row);
    return copy;
}

QString MemoryConfigForm::editMask(FormField field) {
    switch (field) {
        case FormField::SimTelephone:
        case FormField::BalanceAlarmTelephone:
            return QStringLiteral("##########;1;_");
        case FormField::SimPin:
        case FormField::SmsPassword:
            return QStringLiteral("####;1;_");
        case FormField::Gprs3Address:
            return QStringLiteral("###\\.###\\.###\\.###;1;");
        case FormField::ProductionSerialNumber:
            return QStringLiteral("!00000000;1;_");
        default:
            return QString();
    }
}

int MemoryConfigForm::columnCount(FormGrid grid) {
    switch (grid) {
        case FormGrid::Servers:
            return 5;
        case FormGrid::Meters:
            return 3;
        case FormGrid::AlarmNumbers:
            return 2;
    }
    return 0;
}

int MemoryConfigForm::rowCount(FormGrid grid) {
    switch (grid) {
        case FormGrid::Servers:
            return 6;
        case FormGrid::Meters:
            return 33;
        case FormGrid::AlarmNumbers:
            return 3;
    }
    return 0;
}

QString MemoryConfigForm::text(FormField field) const { return texts_.value(field); }

void MemoryConfigForm::setText(FormField field, const QString& text) {
    texts_[field] = EditMask(editMask(field)).fit(text);
}

bool MemoryConfigForm::isChecked(FormCheck box) const { return checks_.value(box); }

void MemoryConfigForm::setChecked(FormCheck box, bool checked) { checks_[box] = checked; }

void MemoryConfigForm::setGprs2Server(int value) { gprs2Server_ = qBound(1, value, 5); }

QString MemoryConfigForm::cell(FormGrid grid, int column, int row) const {
    const QVector<QStringList>& rows = grids_[grid];
    if (row < 0 || row >= rows.size() || column < 0 || column >= rows[row].size()) return QString();
    return rows[row][column];
}

void MemoryConfigForm::setCell(FormGrid grid, int column, int row, const QString& text) {
    QVector<QStringList>& rows = grids_[grid];
    if (row < 0 || row >= rows.size() || column < 0 || column >= rows[row].size()) return;
    rows[row][column] = text;
}

QStringList MemoryConfigForm::meterTypes() const {
    return meterTypeNames();
}

bool MemoryConfigForm::isEnabled(FormField field) const {
    switch (field) {
        case FormField::Gprs2Period:
            return checks_.value(FormCheck::Gprs2Enabled);
        case FormField::Gprs3Address:
        case FormField::Gprs3Port:
            return checks_.value(FormCheck::Gprs3Enabled);
        case FormField::ObjectDescription:
        case FormField::SerialNumber:
        case FormField::SoftwareVersion:
        case FormField::DeviceTime:
        case FormField::DeviceDate:
            return false;  // remembered or display-only, never edited by the user
        default:
            return true;
    }
}

bool MemoryConfigForm::isLabelEnabled(FormLabel label) const {
    return label == FormLabel::Gprs2ServerLabel ? checks_.value(FormCheck::Gprs2Enabled)
                                                  : checks_.value(FormCheck::Gprs3Enabled);
}

}  // namespace korvel
