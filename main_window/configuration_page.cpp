#include "main_window/configuration_page.h"

#include "configuration/meter_types.h"
#include "operations/device_operations.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QToolButton>
#include <algorithm>

#include "main_window/button_images.h"
#include "configuration/config_read.h"
#include "configuration/config_write.h"
#include "device_link/controller_reset.h"
#include "main_window/gauge_widget.h"
#include "main_window/masked_edit.h"
#include "configuration/memory_config_form.h"
#include "main_window/page_host.h"
#include "main_window/string_grid.h"
#include "main_window/widget_factory.h"
#include "main_window/widget_names.h"

namespace korvel {

namespace n = configuration_page_names;

namespace {

constexpr int kMeterTypeColumn = 1;
// The group of the three buttons, with the configuration log below them.
constexpr int kDeviceButtonsGroupHeight = 273;

}  // namespace

ConfigurationPage::ConfigurationPage(PageHost& window, QWidget* parent)
    : QWidget(parent), window_(window) {
    setObjectName(QString::fromLatin1(n::page));
    // Controls are built in their tab order.
    buildSimAndGprs();
    buildDeviceButtons();
    buildLeftColumn();
    buildMiddleColumn();
    buildMeterList();

    configurationProgress = named(new GaugeWidget(this), n::configurationProgress);
    configurationProgress->setGeometry(344, 488, 393, 20);
    configurationProgress->hide();

    layOutFilledGroups();
    setColumnWidths();
    connectHandlers();
}

ConfigurationPage::~ConfigurationPage() {
    // The tables outlive this part of the page while the base class deletes
    // them: nothing they report on the way out may reach a handler.
    for (StringGrid* table : {serverTable, meterTable, alarmNumberTable}) {
        table->getEditMask = nullptr;
        table->editorRequested = nullptr;
        table->drawCell = nullptr;
    }
    for (QObject* control : findChildren<QObject*>()) {
        control->removeEventFilter(this);
        control->disconnect(this);
    }
}

// ---------------------------------------------------------------------------
// Layout

void ConfigurationPage::buildSimAndGprs() {
    simGroup = makeGroup(this, n::simGroup, QStringLiteral("SIM-карта"), 0, 0, 177, 65);
    simTelephone = labelled(new MaskedEdit(QStringLiteral("##########;1;_"), simGroup),
                            n::simTelephone, QStringLiteral("Номер телефона:"), 8, 38, 97);
    simPin = labelled(new MaskedEdit(QStringLiteral("####;1;_"), simGroup), n::simPin,
                      QStringLiteral("PIN код:"), 112, 38, 57);
    objectDescription = named(new QLineEdit(simGroup), n::objectDescription);
    objectDescription->setGeometry(8, 38, 161, kEditHeight);
    objectDescription->setAccessibleName(QStringLiteral("Описание объекта:"));
    objectDescription->setEnabled(false);
    objectDescription->hide();

    gprsGroup = makeGroup(this, n::gprsGroup, QStringLiteral("Параметры GPRS"), 184, 0, 345, 65);
    gprsAccessPoint = labelled(new QLineEdit(gprsGroup), n::gprsAccessPoint,
                               QStringLiteral("Точка доступа (APN):"), 8, 38, 105);
    gprsLogin = labelled(new QLineEdit(gprsGroup), n::gprsLogin,
                         QStringLiteral("Пользователь (login):"), 120, 38, 105);
    gprsPassword = labelled(new QLineEdit(gprsGroup), n::gprsPassword,
                            QStringLiteral("Пароль (password):"), 232, 38, 105);
}

void ConfigurationPage::buildDeviceButtons() {
    deviceButtonsGroup =
        makeGroup(this, n::deviceButtonsGroup, QString(), 536, 0, 201, kDeviceButtonsGroupHeight);
    writeConfigurationButton =
        makeToolButton(deviceButtonsGroup, n::writeConfigurationButton, QStringLiteral("Записать"),
                       buttonImage(ButtonImage::Write), 8, 16);
    readConfigurationButton =
        makeToolButton(deviceButtonsGroup, n::readConfigurationButton, QStringLiteral("Считать"),
                       buttonImage(ButtonImage::Read), 72, 16);
    resetControllerButton =
        makeToolButton(deviceButtonsGroup, n::resetControllerButton,
                       QString::fromUtf8(operationNamed(n::resetControllerButton)->caption),
                       buttonImage(ButtonImage::Reset), 136, 16);
    // The configuration log, docked at the bottom of the group under the buttons.
    configurationLog = named(new QPlainTextEdit(deviceButtonsGroup), n::configurationLog);
    configurationLog->setReadOnly(true);
    configurationLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    configurationLog->setMinimumSize(0, 0);
    configurationLogHeight_ = kDeviceButtonsGroupHeight - 80;
}

void ConfigurationPage::buildLeftColumn() {
    serverGroup =
        makeGroup(this, n::serverGroup, QStringLiteral("Список серверов"), 0, 68, 337, 177);
    serverTable = named(new StringGrid(5, 6, serverGroup), n::serverTable);

    gprs3Group = makeGroup(this, n::gprs3Group, QStringLiteral("Соединение GPRS, вариант 3 "), 0,
                           252, 337, 65);
    gprs3Enabled = named(new QCheckBox(QStringLiteral("Активно"), gprs3Group), n::gprs3Enabled);
    gprs3Enabled->setGeometry(8, 38, 73, kEditHeight);
    gprs3Address = labelled(new MaskedEdit(QStringLiteral("###\\.###\\.###\\.###;1;"), gprs3Group),
                            n::gprs3Address, QStringLiteral("Статический IP адрес:"), 88, 38, 121);
    gprs3AddressLabel = labelOf(gprs3Address);
    gprs3AddressLabel->setObjectName(QString::fromLatin1(n::gprs3AddressLabel));
    gprs3Port = labelled(new QLineEdit(gprs3Group), n::gprs3Port, QStringLiteral("Номер порта:"),
                         224, 38, 105);

    balanceGroup =
        makeGroup(this, n::balanceGroup, QStringLiteral("Проверка баланса"), 0, 320, 337, 73);
    balanceUssd = labelled(new QLineEdit(balanceGroup), n::balanceUssd,
                           QStringLiteral("USSD запрос:"), 8, 40, 89);
    balancePeriod = labelled(new QLineEdit(balanceGroup), n::balancePeriod,
                             QStringLiteral("Период, мин.:"), 104, 40, 73);
    balancePeriod->setToolTip(QStringLiteral("Не более 1440 мин. (24 часа)"));
    balanceThreshold = labelled(new QLineEdit(balanceGroup), n::balanceThreshold,
                                QStringLiteral("Порог, руб.:"), 184, 40, 65);
    balanceAlarmTelephone =
        labelled(new MaskedEdit(QStringLiteral("##########;1;_"), balanceGroup),
                 n::balanceAlarmTelephone, QStringLiteral("Уведомлять.:"), 256, 40, 73);

    alarmNumberGroup = makeGroup(this, n::alarmNumberGroup,
                                 QStringLiteral("Номера для уведомления о НС"), 0, 400, 169, 97);
    alarmNumberTable = named(new StringGrid(2, 3, alarmNumberGroup), n::alarmNumberTable);

    rs485Group =
        makeGroup(this, n::rs485Group, QStringLiteral("Настройка RS-485"), 176, 400, 161, 81);
    rs485Speed = labelled(new QComboBox(rs485Group), n::rs485Speed,
                          QStringLiteral("Скорость, бод:"), 8, 42, 145);
    rs485Speed->setEditable(true);
    rs485Speed->setInsertPolicy(QComboBox::NoInsert);
    rs485Speed->addItems({QStringLiteral("1200"), QStringLiteral("2400"), QStringLiteral("4800"),
                          QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400"),
                          QStringLiteral("57600")});
    rs485Speed->setCurrentIndex(-1);
    rs485Speed->setEditText(QString());
}

void ConfigurationPage::buildMiddleColumn() {
    gprs2Group = makeGroup(this, n::gprs2Group, QStringLiteral("Соединение GPRS, вариант 2 "), 344,
                           68, 185, 141);
    gprs2Enabled = named(new QCheckBox(QStringLiteral("Активно"), gprs2Group), n::gprs2Enabled);
    gprs2Enabled->setGeometry(8, 20, 169, kEditHeight);
    gprs2Period = labelled(new QLineEdit(gprs2Group), n::gprs2Period,
                           QStringLiteral("Период автоподключения, мин:"), 8, 64, 169);
    gprs2Server = labelled(new QSpinBox(gprs2Group), n::gprs2Server,
                           QStringLiteral("Номер сервера из таблицы:"), 8, 108, 57);
    gprs2Server->setRange(1, 5);
    gprs2Server->setValue(1);
    gprs2ServerLabel = labelOf(gprs2Server);
    gprs2ServerLabel->setObjectName(QString::fromLatin1(n::gprs2ServerLabel));

    smsGroup = makeGroup(this, n::smsGroup, QStringLiteral("SMS-запросы"), 344, 216, 185, 73);
    smsPassword = labelled(new MaskedEdit(QStringLiteral("####;1;_"), smsGroup), n::smsPassword,
                           QStringLiteral("Пароль:"), 8, 40, 57);
    smsPassword->setValue(QStringLiteral("5729"));

    informationGroup =
        makeGroup(this, n::informationGroup, QStringLiteral("Информация"), 344, 296, 185, 185);
    const struct {
        QLineEdit** edit;
        const char* name;
        const char* label;
    } infoFields[] = {
        {&serialNumber, n::serialNumber, "Серийный номер:"},
        {&softwareVersion, n::softwareVersion, "Версия ПО:"},
        {&deviceTime, n::deviceTime, "Время:"},
        {&deviceDate, n::deviceDate, "Дата:"},
    };
    int y = 36;
    for (const auto& f : infoFields) {
        *f.edit = labelled(readOnlyEdit(new QLineEdit(informationGroup)), f.name,
                           QString::fromUtf8(f.label), 8, y, 169);
        // Filled only by reading the device; the user cannot change them.
        (*f.edit)->setEnabled(false);
        y += 38;
    }
}

void ConfigurationPage::buildMeterList() {
    meterGroup =
        makeGroup(this, n::meterGroup, QStringLiteral("Список приборов"), 536, 272, 201, 209);
    meterTable = named(new StringGrid(3, 33, meterGroup), n::meterTable);
    meterTable->setFrameShape(QFrame::NoFrame);
    meterTable->setDefaultRowHeight(20);
    // The meter type selector lies over the meter list while a type cell is
    // edited; its item positions are the device's meter type codes.
    meterTypeChoice = named(new QComboBox(meterGroup), n::meterTypeChoice);
    meterTypeChoice->setEditable(true);
    meterTypeChoice->setInsertPolicy(QComboBox::NoInsert);
    meterTypeChoice->addItems(meterTypeNames());
    meterTypeChoice->hide();
}

// Column widths are multiples of the table font's point size.
void ConfigurationPage::setColumnWidths() {
    const int fontSize = std::max(serverTable->font().pointSize(), 1);
    serverTable->setDefaultRowHeight(24);
    serverTable->setColWidth(0, 2 * fontSize);
    serverTable->setColWidth(1, 9 * fontSize);
    serverTable->setColWidth(2, 11 * fontSize);
    serverTable->setColWidth(3, 5 * fontSize);
    fitServerTableLastColumn();
    meterTable->setColWidth(0, 3 * fontSize);
    meterTable->setColWidth(1, 9 * fontSize);
    meterTable->setColWidth(2, std::max(meterTable->width() - 12 * fontSize - 24, 0));
    alarmNumberTable->setDefaultRowHeight(24);
    alarmNumberTable->setColWidth(0, 2 * fontSize);
    fitAlarmNumberTableLastColumn();
}

// The tables fill their groups and the configuration log is docked at the
// bottom of its group; both follow the groups' size.
void ConfigurationPage::layOutFilledGroups() {
    const int top = fontMetrics().height() + 2;
    for (auto [group, table] : {std::pair<QGroupBox*, StringGrid*>{serverGroup, serverTable},
                                {meterGroup, meterTable},
                                {alarmNumberGroup, alarmNumberTable}}) {
        table->setGeometry(2, top, group->width() - 4, group->height() - top - 2);
    }
    const int logHeight =
        std::min(configurationLogHeight_, std::max(deviceButtonsGroup->height() - 2, 0));
    configurationLog->setGeometry(2, deviceButtonsGroup->height() - 2 - logHeight,
                                  deviceButtonsGroup->width() - 4, logHeight);
}

void ConfigurationPage::collapseConfigurationLog() {
    configurationLogHeight_ = 0;
    configurationLog->setFocusPolicy(Qt::NoFocus);  // out of sight, so out of the tab order
    deviceButtonsGroup->resize(deviceButtonsGroup->width(), 89);
    meterGroup->setGeometry(meterGroup->x(), 89, meterGroup->width(), 392);
    layOutFilledGroups();
}

void ConfigurationPage::connectHandlers() {
    for (QGroupBox* group : {serverGroup, deviceButtonsGroup, meterGroup, alarmNumberGroup})
        group->installEventFilter(this);

    serverTable->getEditMask = [this](int column, int) { return serverCellMask(column); };
    serverTable->drawCell = [this] { fitServerTableLastColumn(); };
    alarmNumberTable->getEditMask = [](int column, int) {
        return column == 1 ? QStringLiteral("##########;1;") : QString();
    };
    alarmNumberTable->drawCell = [this] { fitAlarmNumberTableLastColumn(); };
    meterTable->editorRequested = [this](int c, int r) { return meterCellEditRequested(c, r); };
    connect(meterTable, &StringGrid::cellDoubleClickedAt, this,
            &ConfigurationPage::onMeterTableDoubleClicked);
    connect(meterTypeChoice, &QComboBox::activated, this, &ConfigurationPage::onMeterTypeChosen);
    meterTypeChoice->installEventFilter(this);
    meterTypeChoice->lineEdit()->installEventFilter(this);

    connect(gprs2Enabled, &QCheckBox::toggled, this, &ConfigurationPage::onGprs2Toggled);
    connect(gprs3Enabled, &QCheckBox::toggled, this, &ConfigurationPage::onGprs3Toggled);
    // The dependent controls start in the state of their (unchecked) switch.
    onGprs2Toggled();
    onGprs3Toggled();

    connect(writeConfigurationButton, &QToolButton::clicked, this,
            &ConfigurationPage::onWriteConfiguration);
    connect(readConfigurationButton, &QToolButton::clicked, this,
            &ConfigurationPage::onReadConfiguration);
    connect(resetControllerButton, &QToolButton::clicked, this,
            &ConfigurationPage::onResetController);
}

// ---------------------------------------------------------------------------
// Handlers

void ConfigurationPage::onWriteConfiguration() {
    window_.runOperation([this] {
        OperationContext context = window_.context(ProgressRole::Configuration);
        // The write sends the values as they stand at the press; what is
        // typed meanwhile is for the next write.
        MemoryConfigForm values = MemoryConfigForm::copyOf(window_.configForm());
        writeConfiguration(context, values);
    });
}

void ConfigurationPage::onReadConfiguration() {
    window_.runOperation([this] {
        OperationContext context = window_.context(ProgressRole::Configuration);
        readConfiguration(context, window_.configForm());
    });
}

void ConfigurationPage::onResetController() {
    window_.runOperation([this] {
        OperationContext context = window_.context(ProgressRole::Configuration);
        resetController(context);
    });
}

// The mask goes with the column's header text, not with its position.
QString ConfigurationPage::serverCellMask(int column) const {
    const QString header = serverTable->cell(column, 0);
    if (header == QStringLiteral("Телефон")) return QStringLiteral("##########;1;");
    if (header == QStringLiteral("IP адрес")) return QStringLiteral("###.###.###.###;1;");
    if (header == QStringLiteral("Порт")) return QStringLiteral("#####;1;");
    return QString();
}

void ConfigurationPage::fitServerTableLastColumn() {
    int others = 0;
    for (int c = 0; c < 4; ++c) others += serverTable->colWidth(c);
    const int last = std::max(serverTable->width() - others - 8, 0);
    if (serverTable->colWidth(4) != last) serverTable->setColWidth(4, last);
}

void ConfigurationPage::fitAlarmNumberTableLastColumn() {
    const int last = std::max(alarmNumberTable->width() - alarmNumberTable->colWidth(0) - 8, 0);
    if (alarmNumberTable->colWidth(1) != last) alarmNumberTable->setColWidth(1, last);
}

void ConfigurationPage::onMeterTableDoubleClicked() {
    window_.runGuarded([this] {
        if (meterTable->currentCol() == kMeterTypeColumn && meterTable->currentRow() >= 1)
            openMeterTypeChoice(meterTable->currentRow());
    });
}

bool ConfigurationPage::meterCellEditRequested(int column, int row) {
    if (column != kMeterTypeColumn || row < 1) return false;
    window_.runGuarded([this, row] { openMeterTypeChoice(row); });
    return true;
}

void ConfigurationPage::openMeterTypeChoice(int row) {
    const QRect cellRect = meterTable->cellRect(kMeterTypeColumn, row);
    meterTypeChoice->setGeometry(
        QRect(meterTable->pos() + cellRect.topLeft(),
              QSize(meterTable->colWidth(kMeterTypeColumn), meterTable->rowHeight(row))));
    const QString text = meterTable->cell(kMeterTypeColumn, row);
    meterTypeChoice->setCurrentIndex(meterTypeChoice->findText(text, Qt::MatchExactly));
    meterTypeChoice->setEditText(text);
    meterTypeChoiceOpen_ = true;
    meterTypeChoice->show();
    meterTypeChoice->raise();
    meterTypeChoice->setFocus(Qt::OtherFocusReason);
}

void ConfigurationPage::onMeterTypeChosen(int) {
    window_.runGuarded([this] {
        meterTypeChoice->hide();
        // Hiding the focused selector normally ends it through the focus
        // loss; where it had no focus to lose, it is ended here, so the
        // chosen item always reaches the cell.
        onMeterTypeChoiceLeft();
        meterTable->setFocus(Qt::OtherFocusReason);
    });
}

void ConfigurationPage::onMeterTypeChoiceLeft() {
    window_.runGuarded([this] {
        if (!meterTypeChoiceOpen_) return;
        meterTypeChoiceOpen_ = false;
        meterTypeChoice->hide();
        const int column = meterTable->currentCol();
        const int row = meterTable->currentRow();
        if (column >= 1 && row >= 1) meterTable->setCell(column, row, meterTypeChoice->currentText());
    });
}

void ConfigurationPage::setGprs2Enabled(bool on) {
    gprs2Enabled->setChecked(on);
    onGprs2Toggled();
}

void ConfigurationPage::setGprs3Enabled(bool on) {
    gprs3Enabled->setChecked(on);
    onGprs3Toggled();
}

void ConfigurationPage::onGprs2Toggled() {
    const bool on = gprs2Enabled->isChecked();
    gprs2Period->setEnabled(on);
    gprs2Server->setEnabled(on);
}

void ConfigurationPage::onGprs3Toggled() {
    const bool on = gprs3Enabled->isChecked();
    gprs3Address->setEnabled(on);
    gprs3Port->setEnabled(on);
}

bool ConfigurationPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize &&
        (watched == serverGroup || watched == deviceButtonsGroup || watched == meterGroup ||
         watched == alarmNumberGroup)) {
        layOutFilledGroups();
    } else if (event->type() == QEvent::FocusOut &&
               (watched == meterTypeChoice || watched == meterTypeChoice->lineEdit())) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // The selector's own list dropping down, or the whole window losing
        // activation, is no exit from the selector.
        QWidget* now = QApplication::focusWidget();
        const bool stillInside =
            now != nullptr && (now == meterTypeChoice || meterTypeChoice->isAncestorOf(now) ||
                               now->window() == meterTypeChoice->view()->window());
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason && !stillInside)
            onMeterTypeChoiceLeft();
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace korvel
