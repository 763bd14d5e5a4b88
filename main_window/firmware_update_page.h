// The firmware update page: choosing an image file and loading it into the
// GSM module, with its progress gauge.  It owns its layout and its handlers.
#pragma once

#include <QWidget>

class QLineEdit;
class QPushButton;

namespace korvel {

class GaugeWidget;
class PageHost;

class FirmwareUpdatePage : public QWidget {
    Q_OBJECT
public:
    // The file-open dialog's filter for the image.
    static const QString kFirmwareFileFilter;

    FirmwareUpdatePage(PageHost& window, QWidget* parent);
    ~FirmwareUpdatePage() override;

    // The controls; the widget table (widget_names.h) gives each its object name.
    QLineEdit* firmwareFile = nullptr;
    QPushButton* chooseFirmwareButton = nullptr;
    QPushButton* writeFirmwareButton = nullptr;
    GaugeWidget* firmwareProgress = nullptr;

public slots:
    void onChooseFirmware();
    // `sender` is the control the click came from.
    void onWriteFirmware(QObject* sender);

private:
    PageHost& window_;
};

}  // namespace korvel
