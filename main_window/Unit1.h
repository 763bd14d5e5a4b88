// The configurator's one window, Form1: the configuration page, the firmware
// update page and the production page, the port box and the status line at
// its foot.  It is the window every device operation reports to
// (OperationHost) and the configuration form the configuration write, read and
// settings file work on (ConfigForm).
#pragma once

#include <QComboBox>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

#include "clock.h"
#include "config_form.h"
#include "operation_context.h"
#include "operation_host.h"
#include "serial_port.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QToolButton;

namespace korvel {

class Dialogs;
class GaugeWidget;
class MaskedEdit;
class StringGrid;

// An editable combo box that announces its list is about to drop down.
class DropDownComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void showPopup() override;

signals:
    void dropDown();
};

// What the window works with from outside.  An empty member gets the real
// one: the system's serial ports, the system clock, the toolkit's dialogs,
// the system's port names and the settings file beside the executable.
struct TForm1Services {
    std::shared_ptr<SerialPortFactory> ports;
    std::shared_ptr<Clock> clock;
    std::shared_ptr<Dialogs> dialogs;
    std::function<QStringList()> portSource;
    QString settingsPath;
};

class TForm1 : public QWidget, public OperationHost, public ConfigForm {
    Q_OBJECT
public:
    static const QString kApplicationTitle;    // "Конфигуратор KORVEL"
    static const QString kProductionSuffix;    // " (режим ПРОИЗВОДСТВО)"
    static const QString kFirmwareFileFilter;  // the file-open dialog's filter

    // `arguments` are the command-line arguments WITHOUT the program name
    // (argv[1] onwards).  The window is built, filled from the settings file
    // and set up (FormCreate) here; it is not shown.
    explicit TForm1(const QStringList& arguments, TForm1Services services = {},
                    QWidget* parent = nullptr);
    ~TForm1() override;

    // Runs one event handler: an exception that escapes it is shown in an
    // error box captioned with the application title, and the window stays
    // usable.
    void runGuarded(const std::function<void()>& handler);
    // runGuarded for an operation that pumps messages: a close asked for
    // meanwhile waits until the operation has ended.
    void runOperation(const std::function<void()>& handler);
    bool operationRunning() const { return runningOperations_ > 0; }

    // The context a device operation runs in: this window, the ports, the clock.
    OperationContext context();
    Dialogs& dialogs() { return *dialogs_; }
    const QString& settingsPath() const { return settingsPath_; }
    // The file version the title shows, or an empty string when there is none.
    static QString fileVersion();

    // OperationHost
    QString portName() const override;
    void statusReport(const QString& text) override;
    void setStatusLine(const QString& text) override;
    void appendProductionLog(const QString& text) override;
    void appendConfigLog(const QString& text) override;
    void errorBox(const QString& text, BoxButtons buttons) override;
    void fileErrorBox(const QString& text) override;
    Gauge& gauge(GaugeId id) override;
    void setControlEnabled(Control control, bool enabled) override;
    void focusControl(Control control) override;
    void processMessages() override;

    // ConfigForm
    QString text(FormField field) const override;
    void setText(FormField field, const QString& text) override;
    bool isChecked(FormCheck box) const override;
    void setChecked(FormCheck box, bool checked) override;
    int gprs2Server() const override;
    void setGprs2Server(int value) override;
    QString cell(FormGrid grid, int column, int row) const override;
    void setCell(FormGrid grid, int column, int row, const QString& text) override;
    QStringList meterTypes() const override;

    // The controls, under their names in the window.
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet3 = nullptr;
    // Bottom bar.
    QLabel* Label1 = nullptr;
    DropDownComboBox* COMPort = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label3 = nullptr;
    // Page 1: configuration.
    QGroupBox* GroupBox5 = nullptr;
    MaskedEdit* TelNumb = nullptr;
    MaskedEdit* MaskEdit1 = nullptr;
    QLineEdit* SIM_About = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QLineEdit* GPRS_APN = nullptr;
    QLineEdit* GPRS_login = nullptr;
    QLineEdit* GPRS_pass = nullptr;
    QGroupBox* GroupBox6 = nullptr;
    QToolButton* SaveConfig = nullptr;
    QToolButton* ReadConfig = nullptr;
    QToolButton* ResetCntrl = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    StringGrid* StringGrid1 = nullptr;
    QGroupBox* GroupBox11 = nullptr;
    QCheckBox* GPRS3_Enable = nullptr;
    QLabel* GPRS3_IP_Label = nullptr;
    MaskedEdit* GPRS3_IP_Edit = nullptr;
    QLineEdit* GPRS3_Port_Edit = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLineEdit* LabeledEdit1 = nullptr;
    QLineEdit* LabeledEdit2 = nullptr;
    QLineEdit* LabeledEdit3 = nullptr;
    MaskedEdit* MaskEdit6 = nullptr;
    QGroupBox* GroupBox8 = nullptr;
    StringGrid* StringGrid3 = nullptr;
    QGroupBox* GroupBox4 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QGroupBox* GroupBox10 = nullptr;
    QCheckBox* GPRS2_Enable = nullptr;
    QLineEdit* GPRS2_Period = nullptr;
    QLabel* GPRS2_Server_Label = nullptr;
    QSpinBox* GPRS2_Server = nullptr;
    QGroupBox* GroupBox12 = nullptr;
    MaskedEdit* SMSPass = nullptr;
    QGroupBox* GroupBox13 = nullptr;
    QLineEdit* LabeledEdit4 = nullptr;
    QLineEdit* LabeledEdit5 = nullptr;
    QLineEdit* DeviceTime_Edit = nullptr;
    QLineEdit* DeviceDate_Edit = nullptr;
    QGroupBox* GroupBox7 = nullptr;
    StringGrid* StringGrid2 = nullptr;
    QComboBox* DeviceCombo = nullptr;
    GaugeWidget* Config_Progress = nullptr;
    // Page 2: firmware update.
    QLineEdit* FirmwareFile = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    GaugeWidget* CGauge1 = nullptr;
    // Page 3: production.
    QGroupBox* GroupBox9 = nullptr;
    QLineEdit* Folder_Name = nullptr;
    QPushButton* FW_Folder_Open = nullptr;
    QLineEdit* HW_Info = nullptr;
    QLineEdit* FW_Info = nullptr;
    QPushButton* Hw_Sw_Identification = nullptr;
    QPushButton* open_FW_files = nullptr;
    QPushButton* Application_Delete = nullptr;
    QLineEdit* Boot_Edit = nullptr;
    QPushButton* Boot_Open = nullptr;
    QPushButton* Boot_Save = nullptr;
    QLineEdit* Firmware_Edit = nullptr;
    QPushButton* Firmware_Open = nullptr;
    QPushButton* Firmware_Save = nullptr;
    QLineEdit* Application_Edit = nullptr;
    QPushButton* Application_Open = nullptr;
    QPushButton* Application_Save = nullptr;
    QPushButton* Application_Start = nullptr;
    MaskedEdit* SerialNumberEdit = nullptr;
    QPushButton* Save_Serial_Number = nullptr;
    GaugeWidget* CGauge2 = nullptr;
    QPushButton* BitBtn6 = nullptr;
    QCheckBox* Auto_Mode = nullptr;
    QPlainTextEdit* Memo2 = nullptr;

public slots:
    // Event handlers.  Each runs its work through runGuarded.  A click
    // handler gets the control it serves as `Sender` (the production page's
    // automatic write calls them with the control, also when it is disabled).
    void FormCreate();
    void FormClose();
    void TabSheet3Show();
    void COMPortDropDown();
    void SaveConfigClick(QObject* Sender = nullptr);
    void ReadConfigClick(QObject* Sender = nullptr);
    void ResetCntrlClick(QObject* Sender = nullptr);
    QString StringGrid1GetEditMask(int column, int row);
    void StringGrid1DrawCell();
    void StringGrid2DblClick();
    // True when the type selector opened instead of the grid's own editor.
    bool StringGrid2GetEditText(int column, int row);
    void DeviceComboSelect(int index);
    void DeviceComboExit();
    QString StringGrid3GetEditMask(int column, int row);
    void StringGrid3DrawCell();
    void GPRS2_EnableClick(QObject* Sender = nullptr);
    void GPRS3_EnableClick(QObject* Sender = nullptr);
    void BitBtn3Click(QObject* Sender = nullptr);
    void BitBtn1Click(QObject* Sender = nullptr);
    void FW_Folder_OpenClick(QObject* Sender = nullptr);
    void open_FW_filesClick(QObject* Sender = nullptr);
    void Boot_OpenClick(QObject* Sender = nullptr);
    void Firmware_OpenClick(QObject* Sender = nullptr);
    void Application_OpenClick(QObject* Sender = nullptr);
    void Hw_Sw_IdentificationClick(QObject* Sender = nullptr);
    void Application_StartClick(QObject* Sender = nullptr);
    void Application_DeleteClick(QObject* Sender = nullptr);
    void All_SaveClick(QObject* Sender = nullptr);
    void BitBtn6Click(QObject* Sender = nullptr);
    void Auto_ModeClick(QObject* Sender = nullptr);
    void Save_Serial_NumberClick(QObject* Sender = nullptr);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWindow();
    void buildBottomBar();
    void buildConfigurationPage();
    void buildUpdatePage();
    void buildProductionPage();
    void connectHandlers();
    void layOutFilledGroups();
    void setColumnWidths();
    void openTypeSelector(int column, int row);
    StringGrid* grid(FormGrid which) const;
    QWidget* fieldWidget(FormField field) const;

    QStringList arguments_;
    std::shared_ptr<SerialPortFactory> ports_;
    std::shared_ptr<Clock> clock_;
    std::shared_ptr<Dialogs> dialogs_;
    std::function<QStringList()> portSource_;
    QString settingsPath_;
    QHash<int, QWidget*> fields_;
    bool typeSelectorOpen_ = false;
    int runningOperations_ = 0;
    bool closePending_ = false;
    int memo1Height_ = 0;
};

}  // namespace korvel
