// The configuration page's values without any widget: masked fields keep
// their full-width values, the check boxes record the enabled state of their
// dependent controls, the three tables keep their cells.  Used wherever the
// configuration is needed without the window (tests, the settings file).
#pragma once

#include <QMap>
#include <QVector>

#include "config_form.h"
#include "edit_mask.h"

namespace korvel {

// Controls whose enabled state follows a GPRS variant's check box.
enum class FormLabel { GPRS2_Server_Label, GPRS3_IP_Label };

class MemoryConfigForm : public ConfigForm {
public:
    MemoryConfigForm();

    QString text(FormField field) const override;
    void setText(FormField field, const QString& text) override;

    bool isChecked(FormCheck box) const override;
    void setChecked(FormCheck box, bool checked) override;

    int gprs2Server() const override { return gprs2Server_; }
    void setGprs2Server(int value) override;

    QString cell(FormGrid grid, int column, int row) const override;
    void setCell(FormGrid grid, int column, int row, const QString& text) override;

    QStringList meterTypes() const override;

    // The field's edit mask ("" = free text).
    static QString editMask(FormField field);
    static int columnCount(FormGrid grid);
    static int rowCount(FormGrid grid);

    // Enabled state of the controls that follow the GPRS check boxes
    // (GPRS2_Period, GPRS3_IP_Edit, GPRS3_Port_Edit); SIM_About and the
    // display-only fields are always disabled, every other field enabled.  The GPRS2_Server spin
    // box follows GPRS2_Enable.
    bool isEnabled(FormField field) const;
    bool isServerEnabled() const { return checks_.value(FormCheck::GPRS2_Enable); }
    bool isLabelEnabled(FormLabel label) const;

private:
    QMap<FormField, QString> texts_;
    QMap<FormCheck, bool> checks_;
    int gprs2Server_ = 1;
    QMap<FormGrid, QVector<QStringList>> grids_;  // [row][column]
};

}  // namespace korvel
