#include "main_window/production_page.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <functional>

#include "main_window/button_images.h"
#include "main_window/dialogs.h"
#include "production/firmware_files.h"
#include "texts/report_texts.h"
#include "main_window/gauge_widget.h"
#include "main_window/masked_edit.h"
#include "production/module_operations.h"
#include "production/production_chain.h"
#include "main_window/production_records.h"
#include "operations/device_operations.h"
#include "main_window/page_host.h"
#include "main_window/widget_factory.h"
#include "main_window/widget_names.h"

namespace korvel {

namespace n = production_page_names;

namespace {

const QColor kLinkDoneMark(0, 128, 0);
constexpr int kFieldWidth = 521;
constexpr int kRight = 536;  // the column of buttons beside the fields

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

ProductionPage::ProductionPage(PageHost& window, QWidget* parent)
    : QWidget(parent), window_(window) {
    setObjectName(QString::fromLatin1(n::page));
    build();
    connectHandlers();
}

ProductionPage::~ProductionPage() {
    // The controls outlive this part of the page while the base class
    // deletes them: nothing they report on the way out may reach a handler.
    for (QObject* control : findChildren<QObject*>()) control->disconnect(this);
}

// ---------------------------------------------------------------------------
// Layout

void ProductionPage::build() {
    firmwareGroup =
        makeGroup(this, n::firmwareGroup, QStringLiteral("Встроенное ПО"), 0, 0, 737, 409);
    QGroupBox* g = firmwareGroup;

    firmwareFolder = labelled(readOnlyEdit(new QLineEdit(g)), n::firmwareFolder,
                              QStringLiteral("Папка с ПО:"), 8, 36, kFieldWidth);
    chooseFolderButton = makeButton(g, n::chooseFolderButton, QStringLiteral("Открыть папку ПО"),
                                    kRight, 34, 193);

    moduleType = labelled(readOnlyEdit(new QLineEdit(g)), n::moduleType,
                          QStringLiteral("Тип модуля:"), 8, 78, 257);
    coreVersion = labelled(readOnlyEdit(new QLineEdit(g)), n::coreVersion,
                           QStringLiteral("Версия ПО ядра:"), 272, 78, 257);

    searchFolderButton = makeButton(g, n::searchFolderButton,
                                    QStringLiteral("Открыть файлы прошивки"), 8, 108, 193);

    buildImageRows(g);

    serialNumber = labelled(new MaskedEdit(QStringLiteral("!00000000;1;_"), g), n::serialNumber,
                            QStringLiteral("Серийный номер:"), 8, 332, 113);

    productionProgress = named(new GaugeWidget(g), n::productionProgress);
    productionProgress->setGeometry(8, 366, kFieldWidth, 33);
    automaticWriteButton = makeButton(g, n::automaticWriteButton,
                                      QStringLiteral("Запись автоматически"), kRight, 330, 193, 33);
    automaticWriteButton->setIcon(buttonImage(ButtonImage::Start));
    automaticMode =
        named(new QCheckBox(QStringLiteral("Автоматический режим"), g), n::automaticMode);
    automaticMode->setGeometry(kRight, 372, 193, kEditHeight);

    buildOperationButtons(g);

    productionLog = named(new QPlainTextEdit(this), n::productionLog);
    productionLog->setGeometry(737 - 241, 414, 241, 89);
    productionLog->setReadOnly(true);
    productionLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

// The three images: each one's file, its "Открыть" and its write button.
void ProductionPage::buildImageRows(QGroupBox* g) {
    const struct {
        QLineEdit** edit;
        QPushButton** open;
        QPushButton** save;
        const char* editName;
        const char* openName;
        const char* saveName;
        const char* label;
        const char* saveText;
    } images[] = {
        {&bootLoaderFile, &chooseBootLoaderButton, &writeBootLoaderButton, n::bootLoaderFile,
         n::chooseBootLoaderButton, n::writeBootLoaderButton, "Файл загрузчика:", "Записать boot"},
        {&moduleFirmwareFile, &chooseModuleFirmwareButton, &writeModuleFirmwareButton,
         n::moduleFirmwareFile, n::chooseModuleFirmwareButton, n::writeModuleFirmwareButton,
         "Файл прошивки:", "Записать FW"},
        {&applicationFile, &chooseApplicationButton, &writeApplicationButton, n::applicationFile,
         n::chooseApplicationButton, n::writeApplicationButton, "Файл приложения:",
         "Записать App"},
    };
    int y = 164;
    for (const auto& image : images) {
        *image.edit = labelled(readOnlyEdit(new QLineEdit(g)), image.editName,
                               QString::fromUtf8(image.label), 8, y, kFieldWidth);
        *image.open = makeButton(g, image.openName, QStringLiteral("Открыть"), kRight, y - 2, 81);
        *image.save = makeButton(g, image.saveName, QString::fromUtf8(image.saveText),
                                 kRight + 88, y - 2, 105);
        y += 42;
    }
}

void ProductionPage::buildOperationButtons(QGroupBox* g) {
    for (const DeviceOperation& op : deviceOperations()) {
        const Placement& at = op.placement;
        if (at.page != Page::Production) continue;
        QPushButton* button =
            makeButton(g, op.objectName, QString::fromUtf8(op.caption), at.x, at.y, at.width);
        if (QWidget* before = at.after ? g->findChild<QWidget*>(QLatin1String(at.after)) : nullptr)
            setTabOrder(before, button);
        connect(button, &QPushButton::clicked, this, [this, &op] { onOperation(op); });
        operationButtons_ << button;
    }
}

QPushButton* ProductionPage::operationButton(const char* objectName) const {
    for (QPushButton* button : operationButtons_)
        if (button->objectName() == QLatin1String(objectName)) return button;
    return nullptr;
}

QList<QWidget*> ProductionPage::manualControls() const {
    QList<QWidget*> controls = {searchFolderButton,         chooseBootLoaderButton,
                                writeBootLoaderButton,      chooseModuleFirmwareButton,
                                writeModuleFirmwareButton,  chooseApplicationButton,
                                writeApplicationButton};
    for (QPushButton* button : operationButtons_) controls << button;
    return controls;
}

void ProductionPage::connectHandlers() {
    connect(automaticMode, &QCheckBox::toggled, this, &ProductionPage::onAutomaticModeToggled);

    const auto onClick = [this](QPushButton* button, const std::function<void()>& handler) {
        connect(button, &QPushButton::clicked, this, handler);
    };
    onClick(chooseFolderButton, [this] { onChooseFolder(); });
    onClick(searchFolderButton, [this] { onSearchFolder(); });
    onClick(chooseBootLoaderButton, [this] { onChooseBootLoader(); });
    onClick(chooseModuleFirmwareButton, [this] { onChooseModuleFirmware(); });
    onClick(chooseApplicationButton, [this] { onChooseApplication(); });
    for (QPushButton* write :
         {writeBootLoaderButton, writeModuleFirmwareButton, writeApplicationButton})
        onClick(write, [this, write] { onWriteImage(write); });
    onClick(automaticWriteButton, [this] { onAutomaticWrite(); });
}

// ---------------------------------------------------------------------------
// Handlers

void ProductionPage::onChooseFolder() {
    window_.runGuarded([this] {
        const QString folder =
            window_.dialogs().browseFolder(QString::fromUtf8(kFirmwareFolderTitle));
        if (!folder.isEmpty()) firmwareFolder->setText(QDir::toNativeSeparators(folder));
    });
}

void ProductionPage::onSearchFolder() {
    window_.runGuarded([this] {
        ChainState state = chainState();
        findChainImages(window_.sink(ProgressRole::Production), systemFileProbe(), state);
        showChainState(state);
    });
}

ChainState ProductionPage::chainState() const {
    ChainState state;
    state.folder = firmwareFolder->text();
    state.moduleType = moduleType->text();
    state.coreVersion = coreVersion->text();
    state.images = {bootLoaderFile->text(), moduleFirmwareFile->text(), applicationFile->text()};
    state.serialNumber = serialNumber->value();
    return state;
}

void ProductionPage::showChainState(const ChainState& state) {
    // Only what a link changed is set again.
    const auto show = [](QLineEdit* field, const QString& text) {
        if (field->text() != text) field->setText(text);
    };
    show(coreVersion, state.coreVersion);
    show(moduleType, state.moduleType);
    show(bootLoaderFile, state.images[0]);
    show(moduleFirmwareFile, state.images[1]);
    show(applicationFile, state.images[2]);
}

void ProductionPage::onChooseBootLoader() {
    window_.runGuarded([this] {
        bootLoaderFile->setText(QDir::toNativeSeparators(
            window_.dialogs().openFile(imageFileFilter(ImageKind::BootLoader), QString())));
    });
}

void ProductionPage::onChooseModuleFirmware() {
    window_.runGuarded([this] {
        moduleFirmwareFile->setText(QDir::toNativeSeparators(
            window_.dialogs().openFile(imageFileFilter(ImageKind::ModuleFirmware), QString())));
    });
}

void ProductionPage::onChooseApplication() {
    window_.runGuarded([this] {
        applicationFile->setText(QDir::toNativeSeparators(
            window_.dialogs().openFile(imageFileFilter(ImageKind::Application), QString())));
    });
}

void ProductionPage::onOperation(const DeviceOperation& op) {
    window_.runOperation([this, &op] {
        OperationContext context = window_.context(ProgressRole::Production);
        if (op.needs != Needs::SerialNumber) {
            const Outcome outcome = op.run(context, OperationInput{});
            if (outcome.ok() && op.learns == Learns::ModuleIdentity) {
                coreVersion->setText(outcome.coreVersion);
                moduleType->setText(outcome.moduleType);
            }
            return;
        }
        // A number that goes to a device is recorded as the chain's serial
        // number link would be.
        ChainState state;
        state.serialNumber = serialNumber->value();
        ProductionRecords records(window_.productionStore(), context.sink.portName());
        records.before(ChainLink::SerialNumber, state);
        const Outcome outcome = op.run(context, OperationInput{state.serialNumber});
        records.after(ChainLink::SerialNumber, &outcome, state);
        records.finish();
    });
}

void ProductionPage::onWriteImage(QObject* sender) {
    window_.runOperation([this, sender] {
        QLineEdit* source = nullptr;
        if (sender == writeBootLoaderButton)
            source = bootLoaderFile;
        else if (sender == writeModuleFirmwareButton)
            source = moduleFirmwareFile;
        else if (sender == writeApplicationButton)
            source = applicationFile;
        if (!source) return;
        OperationContext context = window_.context(ProgressRole::Production);
        writeProductionImage(context, source->text());
    });
}

void ProductionPage::onAutomaticWrite() {
    window_.runOperation([this] {
        automaticWriteButton->setEnabled(false);
        // A mark says only that its link has run.
        const auto markOf = [this](ChainLink link) -> QLineEdit* {
            switch (link) {
                case ChainLink::BootLoader: return bootLoaderFile;
                case ChainLink::ModuleFirmware: return moduleFirmwareFile;
                case ChainLink::Application: return applicationFile;
                case ChainLink::SerialNumber: return serialNumber;
                default: return nullptr;
            }
        };
        // The fields as they stand now are the whole write's: what is typed
        // or chosen meanwhile is for the next operation.
        ChainState state = chainState();
        ProductionRecords records(window_.productionStore(), window_.sink(ProgressRole::Production).portName());
        ChainHooks hooks;
        hooks.before = [&](ChainLink link) { records.before(link, state); };
        hooks.around = [this](ChainLink, const std::function<void()>& run) {
            window_.runGuarded(run);
        };
        hooks.after = [&](ChainLink link, const Outcome* outcome) {
            records.after(link, outcome, state);
            showChainState(state);
            if (QLineEdit* mark = markOf(link)) setMark(mark, kLinkDoneMark);
            window_.sink(ProgressRole::Production).processMessages();
        };
        OperationContext context = window_.context(ProgressRole::Production);
        runProductionChain(context, systemFileProbe(), state, hooks);
        records.finish();
        for (QLineEdit* edit : {bootLoaderFile, moduleFirmwareFile, applicationFile,
                                static_cast<QLineEdit*>(serialNumber)})
            clearMark(edit);
        automaticWriteButton->setEnabled(true);
    });
}

void ProductionPage::onAutomaticModeToggled() {
    const bool manual = !automaticMode->isChecked();
    for (QWidget* control : manualControls()) control->setEnabled(manual);
}

void ProductionPage::onShown() { onAutomaticModeToggled(); }

}  // namespace korvel
