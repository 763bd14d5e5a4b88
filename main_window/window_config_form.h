// The configuration page's fields and tables (and the production page's two
// remembered fields) as the configuration write, read and settings file see
// them (ConfigForm).
#pragma once

#include <QHash>

#include "configuration/config_form.h"

class QWidget;

namespace korvel {

class ConfigurationPage;
class ProductionPage;
class StringGrid;

class WindowConfigForm : public ConfigForm {
public:
    WindowConfigForm(ConfigurationPage& configuration, ProductionPage& production);

    QString text(FormField field) const override;
    void setText(FormField field, const QString& text) override;
    bool isChecked(FormCheck box) const override;
    void setChecked(FormCheck box, bool checked) override;
    int gprs2Server() const override;
    void setGprs2Server(int value) override;
    QString cell(FormGrid grid, int column, int row) const override;
    void setCell(FormGrid grid, int column, int row, const QString& text) override;
    QStringList meterTypes() const override;

    // The control that shows a field.
    QWidget* fieldWidget(FormField field) const { return fields_.value(int(field)); }

private:
    StringGrid* table(FormGrid which) const;

    ConfigurationPage& page_;
    QHash<int, QWidget*> fields_;
};

}  // namespace korvel
