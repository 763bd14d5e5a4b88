// Handlers of the firmware update page: choosing the image and loading it
// into the GSM module.
#include <QDir>
#include <QLineEdit>
#include <QPushButton>

#include "Unit1.h"
#include "dialogs.h"
#include "firmware_download.h"
#include "gauge_widget.h"

namespace korvel {

void TForm1::BitBtn3Click(QObject*) {
    runGuarded([this] {
        // A cancelled choice clears an earlier one.
        const QString chosen = dialogs_->openFile(kFirmwareFileFilter, QString());
        FirmwareFile->setText(QDir::toNativeSeparators(chosen));
    });
}

void TForm1::BitBtn1Click(QObject* Sender) {
    if (Sender != BitBtn1) return;
    runOperation([this] {
        if (portName().isEmpty()) {
            errorBox(QStringLiteral("Не выбран COM-порт к которому подключен контроллер!"),
                     BoxButtons::Ok);
            focusControl(Control::PortChoice);
            return;
        }
        const QString path = FirmwareFile->text();
        if (path.isEmpty()) {
            errorBox(QStringLiteral("Не выбран файл!"), BoxButtons::Ok);
            return;
        }
        CGauge1->setMin(0);
        CGauge1->setProgress(0);
        CGauge1->setMax(100);
        OperationContext ctx = context();
        runFirmwareDownload(ctx, path, GaugeId::CGauge1, DownloadEntry::UpdatePage);
    });
}

}  // namespace korvel
