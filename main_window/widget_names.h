// The one table of the window's controls: the name each has in the code and
// the object name it carries in the window.  Object names are the controls'
// names of old; they are how a control is found and checked from outside
// (tests, accessibility tools).  Each page builds its controls with the
// constants below, so a control and its table entry cannot drift apart.
// The buttons of device operations are named by their rows in the
// operations' table (operations/device_operations.cpp).
#pragma once

#include <cstddef>

// X(code name, object name)
#define KORVEL_MAIN_WINDOW_WIDGETS(X)      \
    X(window, "Form1")                     \
    X(pages, "PageControl1")               \
    X(portLabel, "Label1")                 \
    X(portChoice, "COMPort")               \
    X(stateLabel, "Label4")                \
    X(statusLine, "Label3")

#define KORVEL_CONFIGURATION_PAGE_WIDGETS(X)         \
    X(page, "TabSheet1")                             \
    X(simGroup, "GroupBox5")                         \
    X(simTelephone, "TelNumb")                       \
    X(simPin, "MaskEdit1")                           \
    X(objectDescription, "SIM_About")                \
    X(gprsGroup, "GroupBox3")                        \
    X(gprsAccessPoint, "GPRS_APN")                   \
    X(gprsLogin, "GPRS_login")                       \
    X(gprsPassword, "GPRS_pass")                     \
    X(deviceButtonsGroup, "GroupBox6")               \
    X(writeConfigurationButton, "SaveConfig")        \
    X(readConfigurationButton, "ReadConfig")         \
    X(resetControllerButton, "ResetCntrl")           \
    X(configurationLog, "Memo1")                     \
    X(serverGroup, "GroupBox2")                      \
    X(serverTable, "StringGrid1")                    \
    X(gprs3Group, "GroupBox11")                      \
    X(gprs3Enabled, "GPRS3_Enable")                  \
    X(gprs3AddressLabel, "GPRS3_IP_Label")           \
    X(gprs3Address, "GPRS3_IP_Edit")                 \
    X(gprs3Port, "GPRS3_Port_Edit")                  \
    X(balanceGroup, "GroupBox1")                     \
    X(balanceUssd, "LabeledEdit1")                   \
    X(balancePeriod, "LabeledEdit2")                 \
    X(balanceThreshold, "LabeledEdit3")              \
    X(balanceAlarmTelephone, "MaskEdit6")            \
    X(alarmNumberGroup, "GroupBox8")                 \
    X(alarmNumberTable, "StringGrid3")               \
    X(rs485Group, "GroupBox4")                       \
    X(rs485Speed, "ComboBox1")                       \
    X(gprs2Group, "GroupBox10")                      \
    X(gprs2Enabled, "GPRS2_Enable")                  \
    X(gprs2Period, "GPRS2_Period")                   \
    X(gprs2ServerLabel, "GPRS2_Server_Label")        \
    X(gprs2Server, "GPRS2_Server")                   \
    X(smsGroup, "GroupBox12")                        \
    X(smsPassword, "SMSPass")                        \
    X(informationGroup, "GroupBox13")                \
    X(serialNumber, "LabeledEdit4")                  \
    X(softwareVersion, "LabeledEdit5")               \
    X(deviceTime, "DeviceTime_Edit")                 \
    X(deviceDate, "DeviceDate_Edit")                 \
    X(meterGroup, "GroupBox7")                       \
    X(meterTable, "StringGrid2")                     \
    X(meterTypeChoice, "DeviceCombo")                \
    X(configurationProgress, "Config_Progress")

#define KORVEL_FIRMWARE_UPDATE_PAGE_WIDGETS(X)  \
    X(page, "TabSheet2")                        \
    X(firmwareFile, "FirmwareFile")             \
    X(chooseFirmwareButton, "BitBtn3")          \
    X(writeFirmwareButton, "BitBtn1")           \
    X(firmwareProgress, "CGauge1")

#define KORVEL_PRODUCTION_PAGE_WIDGETS(X)                  \
    X(page, "TabSheet3")                                   \
    X(firmwareGroup, "GroupBox9")                          \
    X(firmwareFolder, "Folder_Name")                       \
    X(chooseFolderButton, "FW_Folder_Open")                \
    X(moduleType, "HW_Info")                               \
    X(coreVersion, "FW_Info")                              \
    X(searchFolderButton, "open_FW_files")                 \
    X(bootLoaderFile, "Boot_Edit")                         \
    X(chooseBootLoaderButton, "Boot_Open")                 \
    X(writeBootLoaderButton, "Boot_Save")                  \
    X(moduleFirmwareFile, "Firmware_Edit")                 \
    X(chooseModuleFirmwareButton, "Firmware_Open")         \
    X(writeModuleFirmwareButton, "Firmware_Save")          \
    X(applicationFile, "Application_Edit")                 \
    X(chooseApplicationButton, "Application_Open")         \
    X(writeApplicationButton, "Application_Save")          \
    X(serialNumber, "SerialNumberEdit")                    \
    X(productionProgress, "CGauge2")                       \
    X(automaticWriteButton, "BitBtn6")                     \
    X(automaticMode, "Auto_Mode")                          \
    X(productionLog, "Memo2")

namespace korvel {

#define KORVEL_OBJECT_NAME_CONSTANT(code, object) inline constexpr char code[] = object;
namespace main_window_names {
KORVEL_MAIN_WINDOW_WIDGETS(KORVEL_OBJECT_NAME_CONSTANT)
}
namespace configuration_page_names {
KORVEL_CONFIGURATION_PAGE_WIDGETS(KORVEL_OBJECT_NAME_CONSTANT)
}
namespace firmware_update_page_names {
KORVEL_FIRMWARE_UPDATE_PAGE_WIDGETS(KORVEL_OBJECT_NAME_CONSTANT)
}
namespace production_page_names {
KORVEL_PRODUCTION_PAGE_WIDGETS(KORVEL_OBJECT_NAME_CONSTANT)
}
#undef KORVEL_OBJECT_NAME_CONSTANT

// The same table as rows, for walking it.
struct WidgetName {
    const char* page;        // "MainWindow", "ConfigurationPage", ...
    const char* codeName;    // the member that holds the control
    const char* objectName;  // the control's object name in the window
};

#define KORVEL_WIDGET_ROW(code, object) {KORVEL_WIDGET_PAGE, #code, object},
inline constexpr WidgetName kWidgetNames[] = {
#define KORVEL_WIDGET_PAGE "MainWindow"
    KORVEL_MAIN_WINDOW_WIDGETS(KORVEL_WIDGET_ROW)
#undef KORVEL_WIDGET_PAGE
#define KORVEL_WIDGET_PAGE "ConfigurationPage"
    KORVEL_CONFIGURATION_PAGE_WIDGETS(KORVEL_WIDGET_ROW)
#undef KORVEL_WIDGET_PAGE
#define KORVEL_WIDGET_PAGE "FirmwareUpdatePage"
    KORVEL_FIRMWARE_UPDATE_PAGE_WIDGETS(KORVEL_WIDGET_ROW)
#undef KORVEL_WIDGET_PAGE
#define KORVEL_WIDGET_PAGE "ProductionPage"
    KORVEL_PRODUCTION_PAGE_WIDGETS(KORVEL_WIDGET_ROW)
#undef KORVEL_WIDGET_PAGE
};
#undef KORVEL_WIDGET_ROW

inline constexpr std::size_t kWidgetNameCount = sizeof kWidgetNames / sizeof kWidgetNames[0];

}  // namespace korvel
