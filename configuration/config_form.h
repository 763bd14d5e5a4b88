// The configuration page as the operations see it: its fields and its three
// tables, read and set by field and by cell (column, row) with row 0
// the header.  The window implements it over its widgets; MemoryConfigForm
// keeps the same values without any widget.
#pragma once

#include <QString>
#include <QStringList>

namespace korvel {

enum class FormField {
    SimTelephone,            // mask "##########;1;_"
    SimPin,                  // mask "####;1;_"
    ObjectDescription,       // hidden, only remembered in the settings
    GprsAccessPoint,
    GprsLogin,
    GprsPassword,
    Gprs2Period,             // minutes between automatic connections
    Gprs3Address,            // static IP address, mask "###\.###\.###\.###;1;"
    Gprs3Port,
    BalanceUssd,
    BalancePeriod,           // minutes
    BalanceThreshold,        // roubles
    BalanceAlarmTelephone,   // mask "##########;1;_"
    SmsPassword,             // mask "####;1;_"
    Rs485Speed,              // the speed box's text
    SerialNumber,            // read only
    SoftwareVersion,         // read only
    DeviceTime,              // read only
    DeviceDate,              // read only
    FirmwareFolder,          // production page
    ProductionSerialNumber,  // production page, mask "!00000000;1;_"
};

enum class FormCheck { Gprs2Enabled, Gprs3Enabled };

// The server list, the meter list and the alarm telephone numbers.
enum class FormGrid { Servers, Meters, AlarmNumbers };

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

    // The number of the server GPRS variant 2 connects to, kept within 1..5.
    virtual int gprs2Server() const = 0;
    virtual void setGprs2Server(int value) = 0;

    virtual QString cell(FormGrid grid, int column, int row) const = 0;
    virtual void setCell(FormGrid grid, int column, int row, const QString& text) = 0;

    // Items of the meter type selector; an item's position is its type code.
    virtual QStringList meterTypes() const = 0;
};

}  // namespace korvel
