// The configuration page: the device's settings in groups (SIM card, GPRS,
// servers, balance check, alarm numbers, RS-485, meters, information), the
// write, read and reset buttons and the configuration log.  It owns its
// layout and its handlers.
#pragma once

#include <QString>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
class QToolButton;

namespace korvel {

class GaugeWidget;
class MaskedEdit;
class PageHost;
class StringGrid;

class ConfigurationPage : public QWidget {
    Q_OBJECT
public:
    ConfigurationPage(PageHost& window, QWidget* parent);
    ~ConfigurationPage() override;

    // Start-up: only the three buttons of their group stay in view and the
    // meter list takes the freed space; the log keeps receiving lines unseen.
    void collapseConfigurationLog();

    // Sets a GPRS switch and the state of the fields it governs.
    void setGprs2Enabled(bool on);
    void setGprs3Enabled(bool on);

    // The controls; the widget table (widget_names.h) gives each its object name.
    QGroupBox* simGroup = nullptr;
    MaskedEdit* simTelephone = nullptr;
    MaskedEdit* simPin = nullptr;
    QLineEdit* objectDescription = nullptr;  // hidden, only remembered in the settings
    QGroupBox* gprsGroup = nullptr;
    QLineEdit* gprsAccessPoint = nullptr;
    QLineEdit* gprsLogin = nullptr;
    QLineEdit* gprsPassword = nullptr;
    QGroupBox* deviceButtonsGroup = nullptr;
    QToolButton* writeConfigurationButton = nullptr;
    QToolButton* readConfigurationButton = nullptr;
    QToolButton* resetControllerButton = nullptr;
    QPlainTextEdit* configurationLog = nullptr;
    QGroupBox* serverGroup = nullptr;
    StringGrid* serverTable = nullptr;
    QGroupBox* gprs3Group = nullptr;
    QCheckBox* gprs3Enabled = nullptr;
    QLabel* gprs3AddressLabel = nullptr;
    MaskedEdit* gprs3Address = nullptr;
    QLineEdit* gprs3Port = nullptr;
    QGroupBox* balanceGroup = nullptr;
    QLineEdit* balanceUssd = nullptr;
    QLineEdit* balancePeriod = nullptr;
    QLineEdit* balanceThreshold = nullptr;
    MaskedEdit* balanceAlarmTelephone = nullptr;
    QGroupBox* alarmNumberGroup = nullptr;
    StringGrid* alarmNumberTable = nullptr;
    QGroupBox* rs485Group = nullptr;
    QComboBox* rs485Speed = nullptr;
    QGroupBox* gprs2Group = nullptr;
    QCheckBox* gprs2Enabled = nullptr;
    QLineEdit* gprs2Period = nullptr;
    QLabel* gprs2ServerLabel = nullptr;
    QSpinBox* gprs2Server = nullptr;
    QGroupBox* smsGroup = nullptr;
    MaskedEdit* smsPassword = nullptr;
    QGroupBox* informationGroup = nullptr;
    QLineEdit* serialNumber = nullptr;
    QLineEdit* softwareVersion = nullptr;
    QLineEdit* deviceTime = nullptr;
    QLineEdit* deviceDate = nullptr;
    QGroupBox* meterGroup = nullptr;
    StringGrid* meterTable = nullptr;
    QComboBox* meterTypeChoice = nullptr;
    GaugeWidget* configurationProgress = nullptr;

public slots:
    void onWriteConfiguration();
    void onReadConfiguration();
    void onResetController();
    void onGprs2Toggled();
    void onGprs3Toggled();
    void onMeterTableDoubleClicked();
    void onMeterTypeChosen(int index);
    // The meter type selector has lost the focus: its text goes into the cell.
    void onMeterTypeChoiceLeft();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildSimAndGprs();
    void buildDeviceButtons();
    void buildLeftColumn();
    void buildMiddleColumn();
    void buildMeterList();
    void connectHandlers();
    void setColumnWidths();
    void layOutFilledGroups();
    // The last column of the server list and of the alarm numbers takes the
    // rest of its table.
    void fitServerTableLastColumn();
    void fitAlarmNumberTableLastColumn();
    QString serverCellMask(int column) const;
    // True when the type selector opened instead of the table's own editor.
    bool meterCellEditRequested(int column, int row);
    void openMeterTypeChoice(int row);

    PageHost& window_;
    bool meterTypeChoiceOpen_ = false;
    int configurationLogHeight_ = 0;
};

}  // namespace korvel
