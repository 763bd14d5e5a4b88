// The production page: the firmware folder and image files, module
// identification, application control, image writes, the serial number and
// the automatic write that chains them, with its log.  It owns its layout
// and its handlers.
#pragma once

#include <QList>
#include <QWidget>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace korvel {

class GaugeWidget;
class MaskedEdit;
class PageHost;
struct ChainState;
struct DeviceOperation;

class ProductionPage : public QWidget {
    Q_OBJECT
public:
    ProductionPage(PageHost& window, QWidget* parent);
    ~ProductionPage() override;

    // The manual production steps, which automatic mode locks.
    QList<QWidget*> manualControls() const;

    // The button of a device operation, made from its row of the
    // operations' table; null for none on this page.
    QPushButton* operationButton(const char* objectName) const;

    // The controls; the widget table (widget_names.h) gives each its object name.
    QGroupBox* firmwareGroup = nullptr;
    QLineEdit* firmwareFolder = nullptr;
    QPushButton* chooseFolderButton = nullptr;
    QLineEdit* moduleType = nullptr;
    QLineEdit* coreVersion = nullptr;
    QPushButton* searchFolderButton = nullptr;
    QLineEdit* bootLoaderFile = nullptr;
    QPushButton* chooseBootLoaderButton = nullptr;
    QPushButton* writeBootLoaderButton = nullptr;
    QLineEdit* moduleFirmwareFile = nullptr;
    QPushButton* chooseModuleFirmwareButton = nullptr;
    QPushButton* writeModuleFirmwareButton = nullptr;
    QLineEdit* applicationFile = nullptr;
    QPushButton* chooseApplicationButton = nullptr;
    QPushButton* writeApplicationButton = nullptr;
    MaskedEdit* serialNumber = nullptr;
    GaugeWidget* productionProgress = nullptr;
    QPushButton* automaticWriteButton = nullptr;
    QCheckBox* automaticMode = nullptr;
    QPlainTextEdit* productionLog = nullptr;

public slots:
    // Each click handler gets the control it serves as `sender`; the
    // automatic write calls them with their control, also when it is disabled.
    void onChooseFolder();
    void onSearchFolder();
    void onChooseBootLoader();
    void onChooseModuleFirmware();
    void onChooseApplication();
    // A device operation's button: runs the operation of its row.
    void onOperation(const DeviceOperation& operation);
    // One of the three image write buttons: writes the image of its field.
    void onWriteImage(QObject* sender);
    void onAutomaticWrite();
    // Automatic mode locks the manual steps; plain mode frees them.
    void onAutomaticModeToggled();
    // The page has come into view.
    void onShown();

private:
    void build();
    void buildImageRows(QGroupBox* g);
    // A button for each row of the operations' table placed on this page.
    void buildOperationButtons(QGroupBox* g);
    void connectHandlers();
    // The automatic write's state from the fields, and back into them.
    ChainState chainState() const;
    void showChainState(const ChainState& state);

    PageHost& window_;
    QList<QPushButton*> operationButtons_;
};

}  // namespace korvel
