#include "window_config_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

#include "configuration_page.h"
#include "masked_edit.h"
#include "production_page.h"
#include "string_grid.h"

namespace korvel {

WindowConfigForm::WindowConfigForm(ConfigurationPage& configuration, ProductionPage& production)
    : page_(configuration) {
    const std::pair<FormField, QWidget*> fields[] = {
        {FormField::TelNumb, configuration.simTelephone},
        {FormField::MaskEdit1, configuration.simPin},
        {FormField::SIM_About, configuration.objectDescription},
        {FormField::GPRS_APN, configuration.gprsAccessPoint},
        {FormField::GPRS_login, configuration.gprsLogin},
        {FormField::GPRS_pass, configuration.gprsPassword},
        {FormField::GPRS2_Period, configuration.gprs2Period},
        {FormField::GPRS3_IP_Edit, configuration.gprs3Address},
        {FormField::GPRS3_Port_Edit, configuration.gprs3Port},
        {FormField::LabeledEdit1, configuration.balanceUssd},
        {FormField::LabeledEdit2, configuration.balancePeriod},
        {FormField::LabeledEdit3, configuration.balanceThreshold},
        {FormField::MaskEdit6, configuration.balanceAlarmTelephone},
        {FormField::SMSPass, configuration.smsPassword},
        {FormField::ComboBox1, configuration.rs485Speed},
        {FormField::LabeledEdit4, configuration.serialNumber},
        {FormField::LabeledEdit5, configuration.softwareVersion},
        {FormField::DeviceTime_Edit, configuration.deviceTime},
        {FormField::DeviceDate_Edit, configuration.deviceDate},
        {FormField::Folder_Name, production.firmwareFolder},
        {FormField::SerialNumberEdit, production.serialNumber},
    };
    for (const auto& [field, widget] : fields) fields_.insert(int(field), widget);
}

QString WindowConfigForm::text(FormField field) const {
    QWidget* w = fieldWidget(field);
    if (auto* masked = qobject_cast<MaskedEdit*>(w)) return masked->value();
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentText();
    return QString();
}

void WindowConfigForm::setText(FormField field, const QString& text) {
    QWidget* w = fieldWidget(field);
    if (auto* masked = qobject_cast<MaskedEdit*>(w)) {
        masked->setValue(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setText(text);
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        combo->setCurrentIndex(combo->findText(text, Qt::MatchExactly));
        combo->setEditText(text);
    }
}

bool WindowConfigForm::isChecked(FormCheck box) const {
    return (box == FormCheck::GPRS2_Enable ? page_.gprs2Enabled : page_.gprs3Enabled)->isChecked();
}

void WindowConfigForm::setChecked(FormCheck box, bool checked) {
    if (box == FormCheck::GPRS2_Enable)
        page_.setGprs2Enabled(checked);
    else
        page_.setGprs3Enabled(checked);
}

int WindowConfigForm::gprs2Server() const { return page_.gprs2Server->value(); }

void WindowConfigForm::setGprs2Server(int value) { page_.gprs2Server->setValue(value); }

StringGrid* WindowConfigForm::table(FormGrid which) const {
    switch (which) {
        case FormGrid::StringGrid1:
            return page_.serverTable;
        case FormGrid::StringGrid2:
            return page_.meterTable;
        case FormGrid::StringGrid3:
            break;
    }
    return page_.alarmNumberTable;
}

QString WindowConfigForm::cell(FormGrid which, int column, int row) const {
    const StringGrid* g = table(which);
    if (column < 0 || row < 0 || column >= g->columnCount() || row >= g->rowCount()) return {};
    return g->cell(column, row);
}

void WindowConfigForm::setCell(FormGrid which, int column, int row, const QString& text) {
    StringGrid* g = table(which);
    if (column < 0 || row < 0 || column >= g->columnCount() || row >= g->rowCount()) return;
    g->setCell(column, row, text);
}

QStringList WindowConfigForm::meterTypes() const {
    QStringList items;
    for (int i = 0; i < page_.meterTypeChoice->count(); ++i)
        items << page_.meterTypeChoice->itemText(i);
    return items;
}

}  // namespace korvel
