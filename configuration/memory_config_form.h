// The configuration page's values without any widget: masked fields keep
// their full-width values, the check boxes record the enabled state of their
// dependent controls, the three tables keep their cells.  Used wherever the
// configuration is needed without the window (tests, the settings file).
#pragma once

#include <QMap>
#include <QVector>

#include "configuration/config_form.h"
#include "configuration/edit_mask.h"

namespace korvel {

// Labels whose enabled state follows a GPRS variant's switch.
enum class FormLabel { Gprs2ServerLabel, Gprs3AddressLabel };

class MemoryConfigForm : public ConfigForm {
public:
    MemoryConfigForm();
    // Every value of `form` as it stands, taken as it is (masked fields
    // keep their full width): what an operation works from while the form
    // itself may change.
    static MemoryConfigForm copyOf(const ConfigForm& form);

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

    // Enabled state of the fields that follow the GPRS switches (variant 2's
    // period, variant 3's address and port); the object description and the
    // display-only fields are always disabled, every other field enabled.
    // Variant 2's server number follows variant 2's switch.
    bool isEnabled(FormField field) const;
    bool isServerEnabled() const { return checks_.value(FormCheck::Gprs2Enabled); }
    bool isLabelEnabled(FormLabel label) const;

private:
    QMap<FormField, QString> texts_;
    QMap<FormCheck, bool> checks_;
    int gprs2Server_ = 1;
    QMap<FormGrid, QVector<QStringList>> grids_;  // [row][column]
};

}  // namespace korvel
