// The configurator's one window: three pages on tabs (configuration,
// firmware update, production) and, at its foot, the port choice and the
// status line.  It composes the pages, gives them what their handlers use
// (PageHost), starts up from the command line and the settings file, and
// saves the settings when it closes.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

#include "device_link/serial/clock.h"
#include "configuration/config_form.h"
#include "main_window/page_host.h"
#include "device_link/serial/serial_port.h"

class QLabel;
class QTabWidget;

namespace korvel {

class ConfigurationPage;
class FirmwareUpdatePage;
class PortChoiceBox;
class ProductionPage;
class WindowConfigForm;
class WindowSink;

// What the window works with from outside.  An empty member gets the real
// one: the system's serial ports, the system clock, the toolkit's dialogs,
// the system's port names and the settings file of this installation.
struct MainWindowServices {
    std::shared_ptr<SerialPortFactory> ports;
    std::shared_ptr<Clock> clock;
    std::shared_ptr<Dialogs> dialogs;
    std::function<QStringList()> portSource;
    // What each port is, shown beside its name; with the system's own port
    // source the system's descriptions, otherwise none unless given.
    std::function<QHash<QString, QString>()> portDescriptions;
    QString settingsPath;
    // Where the production page records its devices; empty: the station
    // store's default file.
    QString productionStore;
};

class MainWindow : public QWidget, public PageHost {
    Q_OBJECT
public:
    static const QString kApplicationTitle;  // "Конфигуратор KORVEL"
    static const QString kProductionSuffix;  // " (режим ПРОИЗВОДСТВО)"

    // `arguments` are the command-line arguments WITHOUT the program name
    // (argv[1] onwards).  The window is built, filled from the settings file
    // and started up here; it is not shown.
    explicit MainWindow(const QStringList& arguments, MainWindowServices services = {},
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    ConfigurationPage* configurationPage() const { return configurationPage_; }
    FirmwareUpdatePage* firmwareUpdatePage() const { return firmwareUpdatePage_; }
    ProductionPage* productionPage() const { return productionPage_; }

    // PageHost
    OperationContext context(ProgressRole role) override;
    OperationSink& sink(ProgressRole role) override;
    Dialogs& dialogs() override { return *dialogs_; }
    ConfigForm& configForm() override;
    QString productionStore() const override { return productionStore_; }
    void runGuarded(const std::function<void()>& handler) override;
    void runOperation(const std::function<void()>& handler) override;

    bool operationRunning() const { return runningOperations_ > 0; }
    // The port the operations use: the port choice's text, or, while an
    // operation runs, the text it had when that operation started.
    QString portName() const;
    const QString& settingsPath() const { return settingsPath_; }
    // The file version the title shows, or an empty string when there is none.
    static QString fileVersion();

    // The window's own controls; the widget table (widget_names.h) gives
    // each its object name.
    QTabWidget* pages = nullptr;
    QLabel* portLabel = nullptr;
    PortChoiceBox* portChoice = nullptr;
    QLabel* stateLabel = nullptr;
    QLabel* statusLine = nullptr;

public slots:
    // The port list is about to drop down: it is filled afresh.
    void onPortListDropDown();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWindow();
    void buildBottomBar();
    void startUp();
    void saveSettingsOnClose();
    void lockOutProductionPage();

    QStringList arguments_;
    std::shared_ptr<SerialPortFactory> ports_;
    std::shared_ptr<Clock> clock_;
    std::shared_ptr<Dialogs> dialogs_;
    std::function<QStringList()> portSource_;
    std::function<QHash<QString, QString>()> portDescriptions_;
    QString settingsPath_;
    QString productionStore_;
    ConfigurationPage* configurationPage_ = nullptr;
    FirmwareUpdatePage* firmwareUpdatePage_ = nullptr;
    ProductionPage* productionPage_ = nullptr;
    std::unique_ptr<WindowSink> sinks_[3];  // by ProgressRole
    std::unique_ptr<Clock> responsiveClock_;
    std::unique_ptr<SerialPortFactory> responsivePorts_;
    std::unique_ptr<WindowConfigForm> form_;
    int runningOperations_ = 0;
    QString operationPort_;
    bool closePending_ = false;
    bool productionLocked_ = false;
    int lastReachablePage_ = 0;
};

}  // namespace korvel
