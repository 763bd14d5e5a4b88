// Handlers of the production page: firmware folder and files, module
// identification, application control, image writes, serial number and the
// automatic write that chains them.
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

#include "Unit1.h"
#include "dialogs.h"
#include "firmware_files.h"
#include "masked_edit.h"
#include "module_operations.h"

namespace korvel {

namespace {

// The controls automatic mode locks: the manual production steps.
const char* const kManualProductionControls[] = {
    "Hw_Sw_Identification", "open_FW_files",    "Application_Delete", "Boot_Open",
    "Boot_Save",            "Firmware_Open",    "Firmware_Save",      "Application_Open",
    "Application_Save",     "Application_Start", "Save_Serial_Number",
};

const QColor kLinkDoneMark(0, 128, 0);

void setMark(QLineEdit* edit, const QColor& colour) {
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, colour);
    edit->setPalette(palette);
}

void clearMark(QLineEdit* edit) {
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, QApplication::palette(edit).color(QPalette::Base));
    edit->setPalette(palette);
}

}  // namespace

void TForm1::FW_Folder_OpenClick(QObject*) {
    runGuarded([this] {
        const QString folder = dialogs_->browseFolder(QString::fromUtf8(kFirmwareFolderTitle));
        if (!folder.isEmpty()) Folder_Name->setText(QDir::toNativeSeparators(folder));
    });
}

void TForm1::open_FW_filesClick(QObject*) {
    runGuarded([this] {
        const auto found =
            searchFirmwareFolder(*this, systemFileProbe(), Folder_Name->text(), HW_Info->text());
        QLineEdit* const fields[3] = {Boot_Edit, Firmware_Edit, Application_Edit};
        for (int i = 0; i < 3; ++i)
            if (found[i]) fields[i]->setText(*found[i]);
    });
}

void TForm1::Boot_OpenClick(QObject*) {
    runGuarded([this] {
        Boot_Edit->setText(QDir::toNativeSeparators(
            dialogs_->openFile(imageFileFilter(ImageKind::BootLoader), QString())));
    });
}

void TForm1::Firmware_OpenClick(QObject*) {
    runGuarded([this] {
        Firmware_Edit->setText(QDir::toNativeSeparators(
            dialogs_->openFile(imageFileFilter(ImageKind::ModuleFirmware), QString())));
    });
}

void TForm1::Application_OpenClick(QObject*) {
    runGuarded([this] {
        Application_Edit->setText(QDir::toNativeSeparators(
            dialogs_->openFile(imageFileFilter(ImageKind::Application), QString())));
    });
}

void TForm1::Hw_Sw_IdentificationClick(QObject*) {
    runGuarded([this] {
        OperationContext ctx = context();
        if (const auto identity = identifyModule(ctx)) {
            FW_Info->setText(identity->coreVersion);
            HW_Info->setText(identity->moduleType);
        }
    });
}

void TForm1::Application_StartClick(QObject*) {
    runGuarded([this] {
        OperationContext ctx = context();
        startApplication(ctx);
    });
}

void TForm1::Application_DeleteClick(QObject*) {
    runGuarded([this] {
        OperationContext ctx = context();
        deleteApplication(ctx);
    });
}

void TForm1::All_SaveClick(QObject* Sender) {
    runOperation([this, Sender] {
        if (portName().isEmpty()) {
            errorBox(QStringLiteral("Не выбран COM-порт к которому подключен контроллер!"),
                     BoxButtons::Ok);
            focusControl(Control::PortChoice);
            return;
        }
        QLineEdit* source = nullptr;
        if (Sender == Boot_Save)
            source = Boot_Edit;
        else if (Sender == Firmware_Save)
            source = Firmware_Edit;
        else if (Sender == Application_Save)
            source = Application_Edit;
        if (!source) return;
        OperationContext ctx = context();
        writeProductionImage(ctx, source->text());
    });
}

void TForm1::BitBtn6Click(QObject*) {
    runOperation([this] {
        BitBtn6->setEnabled(false);
        struct Link {
            void (TForm1::*handler)(QObject*);
            QObject* sender;
            QLineEdit* mark;
        };
        const Link links[] = {
            {&TForm1::Hw_Sw_IdentificationClick, Hw_Sw_Identification, nullptr},
            {&TForm1::open_FW_filesClick, open_FW_files, nullptr},
            {&TForm1::Application_DeleteClick, Application_Delete, nullptr},
            {&TForm1::All_SaveClick, Boot_Save, Boot_Edit},
            {&TForm1::All_SaveClick, Firmware_Save, Firmware_Edit},
            {&TForm1::All_SaveClick, Application_Save, Application_Edit},
            {&TForm1::Application_StartClick, Application_Start, nullptr},
            {&TForm1::Save_Serial_NumberClick, Save_Serial_Number, SerialNumberEdit},
        };
        // Every link runs whatever the one before did: a failing link shows
        // its own box and the chain goes on.  A mark says only that its link
        // has run.
        for (const Link& link : links) {
            (this->*link.handler)(link.sender);
            if (link.mark) setMark(link.mark, kLinkDoneMark);
            processMessages();
        }
        for (QLineEdit* edit : {Boot_Edit, Firmware_Edit, Application_Edit,
                                static_cast<QLineEdit*>(SerialNumberEdit)})
            clearMark(edit);
        BitBtn6->setEnabled(true);
    });
}

void TForm1::Auto_ModeClick(QObject*) {
    const bool manual = !Auto_Mode->isChecked();
    for (const char* name : kManualProductionControls)
        if (auto* w = findChild<QWidget*>(QString::fromLatin1(name))) w->setEnabled(manual);
}

void TForm1::Save_Serial_NumberClick(QObject*) {
    runGuarded([this] {
        OperationContext ctx = context();
        programSerialNumber(ctx, SerialNumberEdit->value());
    });
}

}  // namespace korvel
