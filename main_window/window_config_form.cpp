#include "main_window/window_config_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

#include "main_window/configuration_page.h"
#include "main_window/masked_edit.h"
#include "main_window/production_page.h"
#include "main_window/string_grid.h"

namespace korvel {

WindowConfigForm::WindowConfigForm(ConfigurationPage& configuration, ProductionPage& production)
    : page_(configuration) {
    const std::pair<FormField, QWidget*> fields[] = {
        {FormField::SimTelephone, configuration.simTelephone},
        {FormField::SimPin, configuration.simPin},
        {FormField::ObjectDescription, configuration.objectDescription},
        {FormField::GprsAccessPoint, configuration.gprsAccessPoint},
        {FormField::GprsLogin, configuration.gprsLogin},
        {FormField::GprsPassword, configuration.gprsPassword},
        {FormField::Gprs2Period, configuration.gprs2Period},
        {FormField::Gprs3Address, configuration.gprs3Address},
        {FormField::Gprs3Port, configuration.gprs3Port},
        {FormField::BalanceUssd, configuration.balanceUssd},
        {FormField::BalancePeriod, configuration.balancePeriod},
        {FormField::BalanceThreshold, configuration.balanceThreshold},
        {FormField::BalanceAlarmTelephone, configuration.balanceAlarmTelephone},
        {FormField::SmsPassword, configuration.smsPassword},
        {FormField::Rs485Speed, configuration.rs485Speed},
        {FormField::SerialNumber, configuration.serialNumber},
        {FormField::SoftwareVersion, configuration.softwareVersion},
        {FormField::DeviceTime, configuration.deviceTime},
        {FormField::DeviceDate, configuration.deviceDate},
        {FormField::FirmwareFolder, production.firmwareFolder},
        {FormField::ProductionSerialNumber, production.serialNumber},
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
    return (box == FormCheck::Gprs2Enabled ? page_.gprs2Enabled : page_.gprs3Enabled)->isChecked();
}

void WindowConfigForm::setChecked(FormCheck box, bool checked) {
    if (box == FormCheck::Gprs2Enabled)
        page_.setGprs2Enabled(checked);
    else
        page_.setGprs3Enabled(checked);
}

int WindowConfigForm::gprs2Server() const { return page_.gprs2Server->value(); }

void WindowConfigForm::setGprs2Server(int value) { page_.gprs2Server->setValue(value); }

StringGrid* WindowConfigForm::table(FormGrid which) const {
    switch (which) {
        case FormGrid::Servers:
            return page_.serverTable;
        case FormGrid::Meters:
            return page_.meterTable;
        case FormGrid::AlarmNumbers:
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
