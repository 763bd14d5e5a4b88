#include "main_window/firmware_update_page.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>

#include "main_window/button_images.h"
#include "main_window/dialogs.h"
#include "firmware/firmware_download.h"
#include "main_window/gauge_widget.h"
#include "main_window/page_host.h"
#include "main_window/widget_factory.h"
#include "main_window/widget_names.h"

namespace korvel {

namespace n = firmware_update_page_names;

const QString FirmwareUpdatePage::kFirmwareFileFilter =
    QStringLiteral("Файл ПО KORVEL (*.dwl) |*.dwl");

FirmwareUpdatePage::FirmwareUpdatePage(PageHost& window, QWidget* parent)
    : QWidget(parent), window_(window) {
    setObjectName(QString::fromLatin1(n::page));
    firmwareFile = labelled(new QLineEdit(this), n::firmwareFile,
                            QStringLiteral("Файл обновления:"), 8, 28, 521);
    chooseFirmwareButton =
        makeButton(this, n::chooseFirmwareButton, QStringLiteral("Открыть"), 536, 26, 97);
    chooseFirmwareButton->setIcon(buttonImage(ButtonImage::Read));
    writeFirmwareButton =
        makeButton(this, n::writeFirmwareButton, QStringLiteral("Записать ПО"), 8, 64, 97, 33);
    writeFirmwareButton->setIcon(buttonImage(ButtonImage::Write));
    firmwareProgress = named(new GaugeWidget(this), n::firmwareProgress);
    firmwareProgress->setGeometry(112, 64, 425, 33);

    connect(chooseFirmwareButton, &QPushButton::clicked, this,
            &FirmwareUpdatePage::onChooseFirmware);
    connect(writeFirmwareButton, &QPushButton::clicked, this,
            [this] { onWriteFirmware(writeFirmwareButton); });
}

FirmwareUpdatePage::~FirmwareUpdatePage() {
    // The controls outlive this part of the page while the base class
    // deletes them: nothing they report on the way out may reach a handler.
    for (QObject* control : findChildren<QObject*>()) control->disconnect(this);
}

void FirmwareUpdatePage::onChooseFirmware() {
    window_.runGuarded([this] {
        // A cancelled choice clears an earlier one.
        const QString chosen = window_.dialogs().openFile(kFirmwareFileFilter, QString());
        firmwareFile->setText(QDir::toNativeSeparators(chosen));
    });
}

void FirmwareUpdatePage::onWriteFirmware(QObject* sender) {
    if (sender != writeFirmwareButton) return;
    window_.runOperation([this] {
        OperationContext context = window_.context(ProgressRole::FirmwareUpdate);
        updateFirmware(context, firmwareFile->text());
    });
}

}  // namespace korvel
