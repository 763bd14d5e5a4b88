#include "memory_config_form.h"

namespace korvel {

namespace {

constexpr FormField kAllFields[] = {
    FormField::TelNumb,         FormField::MaskEdit1,     FormField::SIM_About,
    FormField::GPRS_APN,        FormField::GPRS_login,    FormField::GPRS_pass,
    FormField::GPRS2_Period,    FormField::GPRS3_IP_Edit, FormField::GPRS3_Port_Edit,
    FormField::LabeledEdit1,    FormField::LabeledEdit2,  FormField::LabeledEdit3,
    FormField::MaskEdit6,       FormField::SMSPass,       FormField::ComboBox1,
    FormField::LabeledEdit4,    FormField::LabeledEdit5,  FormField::DeviceTime_Edit,
    FormField::DeviceDate_Edit, FormField::Folder_Name,   FormField::SerialNumberEdit,
};

}  // namespace

MemoryConfigForm::MemoryConfigForm() {
    for (FormField field : kAllFields) texts_[field] = EditMask(editMask(field)).emptyValue();
    checks_[FormCheck::GPRS2_Enable] = false;
    checks_[FormCheck::GPRS3_Enable] = false;
    for (FormGrid grid : {FormGrid::StringGrid1, FormGrid::StringGrid2, FormGrid::StringGrid3}) {
        grids_[grid] =
            QVector<QStringList>(rowCount(grid), QStringList(columnCount(grid), QString()));
    }
}

QString MemoryConfigForm::editMask(FormField field) {
    switch (field) {
        case FormField::TelNumb:
        case FormField::MaskEdit6:
            return QStringLiteral("##########;1;_");
        case FormField::MaskEdit1:
        case FormField::SMSPass:
            return QStringLiteral("####;1;_");
        case FormField::GPRS3_IP_Edit:
            return QStringLiteral("###\\.###\\.###\\.###;1;");
        case FormField::SerialNumberEdit:
            return QStringLiteral("!00000000;1;_");
        default:
            return QString();
    }
}

int MemoryConfigForm::columnCount(FormGrid grid) {
    switch (grid) {
        case FormGrid::StringGrid1:
            return 5;
        case FormGrid::StringGrid2:
            return 3;
        case FormGrid::StringGrid3:
            return 2;
    }
    return 0;
}

int MemoryConfigForm::rowCount(FormGrid grid) {
    switch (grid) {
        case FormGrid::StringGrid1:
            return 6;
        case FormGrid::StringGrid2:
            return 33;
        case FormGrid::StringGrid3:
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
    return {QString(), QStringLiteral("КВАРН"), QStringLiteral("ОРТИС-12")};
}

bool MemoryConfigForm::isEnabled(FormField field) const {
    switch (field) {
        case FormField::GPRS2_Period:
            return checks_.value(FormCheck::GPRS2_Enable);
        case FormField::GPRS3_IP_Edit:
        case FormField::GPRS3_Port_Edit:
            return checks_.value(FormCheck::GPRS3_Enable);
        case FormField::SIM_About:
        case FormField::LabeledEdit4:
        case FormField::LabeledEdit5:
        case FormField::DeviceTime_Edit:
        case FormField::DeviceDate_Edit:
            return false;  // remembered or display-only, never edited by the user
        default:
            return true;
    }
}

bool MemoryConfigForm::isLabelEnabled(FormLabel label) const {
    return label == FormLabel::GPRS2_Server_Label ? checks_.value(FormCheck::GPRS2_Enable)
                                                  : checks_.value(FormCheck::GPRS3_Enable);
}

}  // namespace korvel
