// The configuration page as the operations see it: its fields and its three
// tables, read and set by control name and by cell (column, row) with row 0
// the header.  The window implements it over its widgets; MemoryConfigForm
// keeps the same values without any widget.
#pragma once

#include <QString>
#include <QStringList>

namespace korvel {

enum class FormField {
    TelNumb,          // SIM telephone, mask "##########;1;_"
    MaskEdit1,        // SIM PIN, mask "####;1;_"
    SIM_About,        // object description (hidden, remembered only)
    GPRS_APN,
    GPRS_login,
    GPRS_pass,
    GPRS2_Period,
    GPRS3_IP_Edit,    // mask "###\.###\.###\.###;1;"
    GPRS3_Port_Edit,
    LabeledEdit1,     // balance USSD request
    LabeledEdit2,     // balance period, minutes
    LabeledEdit3,     // balance threshold, roubles
    MaskEdit6,        // balance alarm telephone, mask "##########;1;_"
    SMSPass,          // SMS password, mask "####;1;_"
    ComboBox1,        // RS-485 speed (the box's text)
    LabeledEdit4,     // serial number (read only)
    LabeledEdit5,     // software version (read only)
    DeviceTime_Edit,  // (read only)
    DeviceDate_Edit,  // (read only)
    Folder_Name,      // production page: firmware folder
    SerialNumberEdit, // production page: serial number, mask "!00000000;1;_"
};

enum class FormCheck { GPRS2_Enable, GPRS3_Enable };

enum class FormGrid { StringGrid1, StringGrid2, StringGrid3 };

class ConfigForm {
public:
    virtual ~ConfigForm() = default;

    // A masked field gives its full width: a blank in every empty position.
    virtual QString text(FormField field) const = 0;
    // A masked field fits the text into its mask group by group.
    virtual void setText(FormField field, const QString& text) = 0;

    // Setting a check box also enables or disables its dependent controls.
    virtual bool isChecked(FormCheck box) const = 0;
    virtual void setChecked(FormCheck box, bool checked) = 0;

    // GPRS2_Server, kept within 1..5.
    virtual int gprs2Server() const = 0;
    virtual void setGprs2Server(int value) = 0;

    virtual QString cell(FormGrid grid, int column, int row) const = 0;
    virtual void setCell(FormGrid grid, int column, int row, const QString& text) = 0;

    // Items of the meter type selector DeviceCombo; the position is the code.
    virtual QStringList meterTypes() const = 0;
};

}  // namespace korvel
