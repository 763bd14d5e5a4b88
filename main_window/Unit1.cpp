#include "Unit1.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <algorithm>
#include <exception>

#include "config_read.h"
#include "config_write.h"
#include "controller_reset.h"
#include "dialogs.h"
#include "gauge_widget.h"
#include "masked_edit.h"
#include "port_list.h"
#include "settings_location.h"
#include "settings_store.h"
#include "string_grid.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <vector>
#endif

#ifndef KORVEL_VERSION
#define KORVEL_VERSION ""
#endif

namespace korvel {

const QString TForm1::kApplicationTitle = QStringLiteral("Конфигуратор KORVEL");
const QString TForm1::kProductionSuffix = QStringLiteral(" (режим ПРОИЗВОДСТВО)");
const QString TForm1::kFirmwareFileFilter = QStringLiteral("Файл ПО KORVEL (*.dwl) |*.dwl");

namespace {

constexpr int kEditHeight = 21;
constexpr int kLabelGap = 16;  // a field's label stands this far above the field
constexpr int kTypeColumn = 1;

template <class W>
W* named(W* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, int x, int y) {
    auto* label = named(new QLabel(text, parent), name);
    label->move(x, y);
    label->adjustSize();
    return label;
}

// A field with its label above it, as a labelled edit shows it; the label is
// the field's buddy.
template <class W>
W* labelled(W* field, const QString& name, const QString& labelName, const QString& labelText,
            int x, int y, int width, int height = kEditHeight) {
    field->setObjectName(name);
    field->setGeometry(x, y, width, height);
    QLabel* label = makeLabel(field->parentWidget(), labelName, labelText, x, y - kLabelGap);
    label->setBuddy(field);
    return field;
}

QLineEdit* readOnlyEdit(QLineEdit* edit) {
    edit->setReadOnly(true);
    return edit;
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& text, int x, int y,
                        int width, int height = 25) {
    auto* button = named(new QPushButton(text, parent), name);
    button->setGeometry(x, y, width, height);
    button->setAutoDefault(false);
    return button;
}

QToolButton* makeToolButton(QWidget* parent, const QString& name, const QString& text,
                            QStyle::StandardPixmap icon, int x, int y) {
    auto* button = named(new QToolButton(parent), name);
    button->setText(text);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setIconSize(QSize(24, 24));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setGeometry(x, y, 57, 57);
    return button;
}

QGroupBox* makeGroup(QWidget* parent, const QString& name, const QString& title, int x, int y,
                     int width, int height) {
    auto* group = named(new QGroupBox(title, parent), name);
    group->setGeometry(x, y, width, height);
    return group;
}

// Line ends as the device and the operations write them ("\r\n", a lone
// "\r") become the text box's own.
QString plainLines(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

}  // namespace

void DropDownComboBox::showPopup() {
    emit dropDown();
    QComboBox::showPopup();
}

TForm1::TForm1(const QStringList& arguments, TForm1Services services, QWidget* parent)
    : QWidget(parent),
      arguments_(arguments),
      ports_(std::move(services.ports)),
      clock_(std::move(services.clock)),
      dialogs_(std::move(services.dialogs)),
      portSource_(std::move(services.portSource)),
      settingsPath_(std::move(services.settingsPath)) {
    if (!ports_) ports_ = makeSystemSerialPortFactory();
    if (!clock_) clock_ = std::make_shared<SystemClock>();
    if (!dialogs_) dialogs_ = std::make_shared<QtDialogs>(this);
    if (!portSource_) portSource_ = [] { return systemPortNames(); };
    if (settingsPath_.isEmpty())
        settingsPath_ = resolveSettingsPath(QCoreApplication::applicationFilePath());

    buildWindow();
    connectHandlers();

    // The settings file fills the fields, the tables' row numbers and headers.
    runGuarded([this] { loadSettings(settingsPath_, *this); });
    PageControl1->setCurrentIndex(0);
    DeviceCombo->hide();

    FormCreate();
}

TForm1::~TForm1() {
    // The controls outlive this part of the window while the base class
    // deletes them: nothing they report on the way out may reach a handler.
    for (StringGrid* g : {StringGrid1, StringGrid2, StringGrid3}) {
        g->getEditMask = nullptr;
        g->editorRequested = nullptr;
        g->drawCell = nullptr;
    }
    for (QObject* control : findChildren<QObject*>()) {
        control->removeEventFilter(this);
        control->disconnect(this);
    }
}

// ---------------------------------------------------------------------------
// Building the window

void TForm1::buildWindow() {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(kApplicationTitle);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    // Where the classic Windows face is missing, a narrow sans serif of the
    // same size keeps the labels within their fields' width.
    QFont windowFont(QStringLiteral("MS Sans Serif"), 8);
    windowFont.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                            QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans Narrow"),
                            QStringLiteral("DejaVu Sans Condensed")});
    setFont(windowFont);
    setFixedSize(745, 566);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }

    PageControl1 = named(new QTabWidget(this), QStringLiteral("PageControl1"));
    PageControl1->setGeometry(0, 0, 745, 537);
    TabSheet1 = named(new QWidget, QStringLiteral("TabSheet1"));
    TabSheet2 = named(new QWidget, QStringLiteral("TabSheet2"));
    TabSheet3 = named(new QWidget, QStringLiteral("TabSheet3"));
    PageControl1->addTab(TabSheet1, QStringLiteral("Конфигурирование"));
    PageControl1->addTab(TabSheet2, QStringLiteral("Обновление ПО"));
    PageControl1->addTab(TabSheet3, QStringLiteral("Производство"));

    // Controls are built in their tab order: top to bottom and left to right
    // within each group, the pages first and the bottom bar last.
    buildConfigurationPage();
    buildUpdatePage();
    buildProductionPage();
    buildBottomBar();
    layOutFilledGroups();
    setColumnWidths();
}

// Column widths are multiples of the grid font's point size; the last column
// of the server list and of the alarm numbers takes the rest of its grid.
void TForm1::setColumnWidths() {
    const int fontSize = std::max(StringGrid1->font().pointSize(), 1);
    StringGrid1->setDefaultRowHeight(24);
    StringGrid1->setColWidth(0, 2 * fontSize);
    StringGrid1->setColWidth(1, 9 * fontSize);
    StringGrid1->setColWidth(2, 11 * fontSize);
    StringGrid1->setColWidth(3, 5 * fontSize);
    StringGrid1DrawCell();
    StringGrid2->setColWidth(0, 3 * fontSize);
    StringGrid2->setColWidth(1, 9 * fontSize);
    StringGrid2->setColWidth(2, std::max(StringGrid2->width() - 12 * fontSize - 24, 0));
    StringGrid3->setDefaultRowHeight(24);
    StringGrid3->setColWidth(0, 2 * fontSize);
    StringGrid3DrawCell();
}

void TForm1::buildBottomBar() {
    Label1 = makeLabel(this, QStringLiteral("Label1"), QStringLiteral("COM-порт:"), 8, 547);
    COMPort = named(new DropDownComboBox(this), QStringLiteral("COMPort"));
    COMPort->setEditable(true);
    COMPort->setInsertPolicy(QComboBox::NoInsert);
    // A typed port name stays as typed: completing "COM1" to "COM10" would
    // silently address another port.
    COMPort->setCompleter(nullptr);
    COMPort->setGeometry(Label1->geometry().right() + 6, 543, 113, kEditHeight);
    Label1->setBuddy(COMPort);
    Label4 = makeLabel(this, QStringLiteral("Label4"), QStringLiteral("Состояние:"),
                       COMPort->geometry().right() + 16, 547);
    Label3 = named(new QLabel(this), QStringLiteral("Label3"));
    Label3->setGeometry(745 - 489, 543, 489, kEditHeight);
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void TForm1::buildConfigurationPage() {
    QWidget* page = TabSheet1;

    GroupBox5 =
        makeGroup(page, QStringLiteral("GroupBox5"), QStringLiteral("SIM-карта"), 0, 0, 177, 65);
    TelNumb = labelled(new MaskedEdit(QStringLiteral("##########;1;_"), GroupBox5),
                       QStringLiteral("TelNumb"), QStringLiteral("TelNumb_Label"),
                       QStringLiteral("Номер телефона:"), 8, 38, 97);
    MaskEdit1 =
        labelled(new MaskedEdit(QStringLiteral("####;1;_"), GroupBox5), QStringLiteral("MaskEdit1"),
                 QStringLiteral("MaskEdit1_Label"), QStringLiteral("PIN код:"), 112, 38, 57);
    // The object description is only remembered in the settings file.
    SIM_About = named(new QLineEdit(GroupBox5), QStringLiteral("SIM_About"));
    SIM_About->setGeometry(8, 38, 161, kEditHeight);
    SIM_About->setAccessibleName(QStringLiteral("Описание объекта:"));
    SIM_About->setEnabled(false);
    SIM_About->hide();

    GroupBox3 = makeGroup(page, QStringLiteral("GroupBox3"), QStringLiteral("Параметры GPRS"), 184,
                          0, 345, 65);
    GPRS_APN = labelled(new QLineEdit(GroupBox3), QStringLiteral("GPRS_APN"),
                        QStringLiteral("GPRS_APN_Label"), QStringLiteral("Точка доступа (APN):"), 8,
                        38, 105);
    GPRS_login = labelled(new QLineEdit(GroupBox3), QStringLiteral("GPRS_login"),
                          QStringLiteral("GPRS_login_Label"),
                          QStringLiteral("Пользователь (login):"), 120, 38, 105);
    GPRS_pass = labelled(new QLineEdit(GroupBox3), QStringLiteral("GPRS_pass"),
                         QStringLiteral("GPRS_pass_Label"), QStringLiteral("Пароль (password):"),
                         232, 38, 105);

    GroupBox6 = makeGroup(page, QStringLiteral("GroupBox6"), QString(), 536, 0, 201, 273);
    SaveConfig = makeToolButton(GroupBox6, QStringLiteral("SaveConfig"), QStringLiteral("Записать"),
                                QStyle::SP_DialogSaveButton, 8, 16);
    ReadConfig = makeToolButton(GroupBox6, QStringLiteral("ReadConfig"), QStringLiteral("Считать"),
                                QStyle::SP_DialogOpenButton, 72, 16);
    ResetCntrl = makeToolButton(GroupBox6, QStringLiteral("ResetCntrl"), QStringLiteral("Сброс"),
                                QStyle::SP_BrowserReload, 136, 16);
    // The configuration log, docked at the bottom of the group under the buttons.
    Memo1 = named(new QPlainTextEdit(GroupBox6), QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setMinimumSize(0, 0);
    memo1Height_ = 273 - 80;

    GroupBox2 = makeGroup(page, QStringLiteral("GroupBox2"), QStringLiteral("Список серверов"), 0,
                          68, 337, 177);
    StringGrid1 = named(new StringGrid(5, 6, GroupBox2), QStringLiteral("StringGrid1"));

    GroupBox11 = makeGroup(page, QStringLiteral("GroupBox11"),
                           QStringLiteral("Соединение GPRS, вариант 3 "), 0, 252, 337, 65);
    GPRS3_Enable =
        named(new QCheckBox(QStringLiteral("Активно"), GroupBox11), QStringLiteral("GPRS3_Enable"));
    GPRS3_Enable->setGeometry(8, 38, 73, kEditHeight);
    GPRS3_IP_Edit = labelled(new MaskedEdit(QStringLiteral("###\\.###\\.###\\.###;1;"), GroupBox11),
                             QStringLiteral("GPRS3_IP_Edit"), QStringLiteral("GPRS3_IP_Label"),
                             QStringLiteral("Статический IP адрес:"), 88, 38, 121);
    GPRS3_IP_Label = GroupBox11->findChild<QLabel*>(QStringLiteral("GPRS3_IP_Label"));
    GPRS3_Port_Edit =
        labelled(new QLineEdit(GroupBox11), QStringLiteral("GPRS3_Port_Edit"),
                 QStringLiteral("GPRS3_Port_Label"), QStringLiteral("Номер порта:"), 224, 38, 105);

    GroupBox1 = makeGroup(page, QStringLiteral("GroupBox1"), QStringLiteral("Проверка баланса"), 0,
                          320, 337, 73);
    LabeledEdit1 =
        labelled(new QLineEdit(GroupBox1), QStringLiteral("LabeledEdit1"),
                 QStringLiteral("LabeledEdit1_Label"), QStringLiteral("USSD запрос:"), 8, 40, 89);
    LabeledEdit2 = labelled(new QLineEdit(GroupBox1), QStringLiteral("LabeledEdit2"),
                            QStringLiteral("LabeledEdit2_Label"), QStringLiteral("Период, мин.:"),
                            104, 40, 73);
    LabeledEdit2->setToolTip(QStringLiteral("Не более 1440 мин. (24 часа)"));
    LabeledEdit3 =
        labelled(new QLineEdit(GroupBox1), QStringLiteral("LabeledEdit3"),
                 QStringLiteral("LabeledEdit3_Label"), QStringLiteral("Порог, руб.:"), 184, 40, 65);
    MaskEdit6 = labelled(new MaskedEdit(QStringLiteral("##########;1;_"), GroupBox1),
                         QStringLiteral("MaskEdit6"), QStringLiteral("MaskEdit6_Label"),
                         QStringLiteral("Уведомлять.:"), 256, 40, 73);

    GroupBox8 = makeGroup(page, QStringLiteral("GroupBox8"),
                          QStringLiteral("Номера для уведомления о НС"), 0, 400, 169, 97);
    StringGrid3 = named(new StringGrid(2, 3, GroupBox8), QStringLiteral("StringGrid3"));

    GroupBox4 = makeGroup(page, QStringLiteral("GroupBox4"), QStringLiteral("Настройка RS-485"),
                          176, 400, 161, 81);
    ComboBox1 =
        labelled(new QComboBox(GroupBox4), QStringLiteral("ComboBox1"),
                 QStringLiteral("ComboBox1_Label"), QStringLiteral("Скорость, бод:"), 8, 42, 145);
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->addItems({QStringLiteral("1200"), QStringLiteral("2400"), QStringLiteral("4800"),
                         QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400"),
                         QStringLiteral("57600")});
    ComboBox1->setCurrentIndex(-1);
    ComboBox1->setEditText(QString());

    GroupBox10 = makeGroup(page, QStringLiteral("GroupBox10"),
                           QStringLiteral("Соединение GPRS, вариант 2 "), 344, 68, 185, 141);
    GPRS2_Enable =
        named(new QCheckBox(QStringLiteral("Активно"), GroupBox10), QStringLiteral("GPRS2_Enable"));
    GPRS2_Enable->setGeometry(8, 20, 169, kEditHeight);
    GPRS2_Period = labelled(new QLineEdit(GroupBox10), QStringLiteral("GPRS2_Period"),
                            QStringLiteral("GPRS2_Period_Label"),
                            QStringLiteral("Период автоподключения, мин:"), 8, 64, 169);
    GPRS2_Server = labelled(new QSpinBox(GroupBox10), QStringLiteral("GPRS2_Server"),
                            QStringLiteral("GPRS2_Server_Label"),
                            QStringLiteral("Номер сервера из таблицы:"), 8, 108, 57);
    GPRS2_Server->setRange(1, 5);
    GPRS2_Server->setValue(1);
    GPRS2_Server_Label = GroupBox10->findChild<QLabel*>(QStringLiteral("GPRS2_Server_Label"));

    GroupBox12 = makeGroup(page, QStringLiteral("GroupBox12"), QStringLiteral("SMS-запросы"), 344,
                           216, 185, 73);
    SMSPass =
        labelled(new MaskedEdit(QStringLiteral("####;1;_"), GroupBox12), QStringLiteral("SMSPass"),
                 QStringLiteral("SMSPass_Label"), QStringLiteral("Пароль:"), 8, 40, 57);
    SMSPass->setValue(QStringLiteral("5729"));

    GroupBox13 = makeGroup(page, QStringLiteral("GroupBox13"), QStringLiteral("Информация"), 344,
                           296, 185, 185);
    const struct {
        QLineEdit** edit;
        const char* name;
        const char* label;
    } infoFields[] = {
        {&LabeledEdit4, "LabeledEdit4", "Серийный номер:"},
        {&LabeledEdit5, "LabeledEdit5", "Версия ПО:"},
        {&DeviceTime_Edit, "DeviceTime_Edit", "Время:"},
        {&DeviceDate_Edit, "DeviceDate_Edit", "Дата:"},
    };
    int y = 36;
    for (const auto& f : infoFields) {
        const QString name = QString::fromLatin1(f.name);
        *f.edit = labelled(readOnlyEdit(new QLineEdit(GroupBox13)), name, name + "_Label",
                           QString::fromUtf8(f.label), 8, y, 169);
        // Filled only by reading the device; the user cannot change them.
        (*f.edit)->setEnabled(false);
        y += 38;
    }

    GroupBox7 = makeGroup(page, QStringLiteral("GroupBox7"), QStringLiteral("Список приборов"), 536,
                          272, 201, 209);
    StringGrid2 = named(new StringGrid(3, 33, GroupBox7), QStringLiteral("StringGrid2"));
    StringGrid2->setFrameShape(QFrame::NoFrame);
    StringGrid2->setDefaultRowHeight(20);
    // The meter type selector lies over the instrument list while a type
    // cell is edited; its item positions are the device's meter type codes.
    DeviceCombo = named(new QComboBox(GroupBox7), QStringLiteral("DeviceCombo"));
    DeviceCombo->setEditable(true);
    DeviceCombo->setInsertPolicy(QComboBox::NoInsert);
    DeviceCombo->addItems({QString(), QStringLiteral("КВАРН"), QStringLiteral("ОРТИС-12")});
    DeviceCombo->hide();

    Config_Progress = named(new GaugeWidget(page), QStringLiteral("Config_Progress"));
    Config_Progress->setGeometry(344, 488, 393, 20);
    Config_Progress->hide();

    fields_.insert(int(FormField::TelNumb), TelNumb);
    fields_.insert(int(FormField::MaskEdit1), MaskEdit1);
    fields_.insert(int(FormField::SIM_About), SIM_About);
    fields_.insert(int(FormField::GPRS_APN), GPRS_APN);
    fields_.insert(int(FormField::GPRS_login), GPRS_login);
    fields_.insert(int(FormField::GPRS_pass), GPRS_pass);
    fields_.insert(int(FormField::GPRS2_Period), GPRS2_Period);
    fields_.insert(int(FormField::GPRS3_IP_Edit), GPRS3_IP_Edit);
    fields_.insert(int(FormField::GPRS3_Port_Edit), GPRS3_Port_Edit);
    fields_.insert(int(FormField::LabeledEdit1), LabeledEdit1);
    fields_.insert(int(FormField::LabeledEdit2), LabeledEdit2);
    fields_.insert(int(FormField::LabeledEdit3), LabeledEdit3);
    fields_.insert(int(FormField::MaskEdit6), MaskEdit6);
    fields_.insert(int(FormField::SMSPass), SMSPass);
    fields_.insert(int(FormField::ComboBox1), ComboBox1);
    fields_.insert(int(FormField::LabeledEdit4), LabeledEdit4);
    fields_.insert(int(FormField::LabeledEdit5), LabeledEdit5);
    fields_.insert(int(FormField::DeviceTime_Edit), DeviceTime_Edit);
    fields_.insert(int(FormField::DeviceDate_Edit), DeviceDate_Edit);
}

void TForm1::buildUpdatePage() {
    QWidget* page = TabSheet2;
    FirmwareFile = labelled(new QLineEdit(page), QStringLiteral("FirmwareFile"),
                            QStringLiteral("FirmwareFile_Label"),
                            QStringLiteral("Файл обновления:"), 8, 28, 521);
    BitBtn3 = makeButton(page, QStringLiteral("BitBtn3"), QStringLiteral("Открыть"), 536, 26, 97);
    BitBtn3->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    BitBtn1 =
        makeButton(page, QStringLiteral("BitBtn1"), QStringLiteral("Записать ПО"), 8, 64, 97, 33);
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    CGauge1 = named(new GaugeWidget(page), QStringLiteral("CGauge1"));
    CGauge1->setGeometry(112, 64, 425, 33);
}

void TForm1::buildProductionPage() {
    QWidget* page = TabSheet3;
    GroupBox9 = makeGroup(page, QStringLiteral("GroupBox9"), QStringLiteral("Встроенное ПО"), 0, 0,
                          737, 409);
    QGroupBox* g = GroupBox9;
    constexpr int kFieldWidth = 521;
    constexpr int kRight = 536;  // the column of buttons beside the fields

    Folder_Name = labelled(readOnlyEdit(new QLineEdit(g)), QStringLiteral("Folder_Name"),
                           QStringLiteral("Folder_Name_Label"), QStringLiteral("Папка с ПО:"), 8,
                           36, kFieldWidth);
    FW_Folder_Open = makeButton(g, QStringLiteral("FW_Folder_Open"),
                                QStringLiteral("Открыть папку ПО"), kRight, 34, 193);

    HW_Info = labelled(readOnlyEdit(new QLineEdit(g)), QStringLiteral("HW_Info"),
                       QStringLiteral("HW_Info_Label"), QStringLiteral("Тип модуля:"), 8, 78, 257);
    FW_Info =
        labelled(readOnlyEdit(new QLineEdit(g)), QStringLiteral("FW_Info"),
                 QStringLiteral("FW_Info_Label"), QStringLiteral("Версия ПО ядра:"), 272, 78, 257);
    Hw_Sw_Identification = makeButton(g, QStringLiteral("Hw_Sw_Identification"),
                                      QStringLiteral("Идентификация"), kRight, 76, 193);

    open_FW_files = makeButton(g, QStringLiteral("open_FW_files"),
                               QStringLiteral("Открыть файлы прошивки"), 8, 108, 193);
    Application_Delete = makeButton(g, QStringLiteral("Application_Delete"),
                                    QStringLiteral("Удаление приложения"), 208, 108, 193);

    const struct {
        QLineEdit** edit;
        QPushButton** open;
        QPushButton** save;
        const char* prefix;
        const char* label;
        const char* saveText;
    } images[] = {
        {&Boot_Edit, &Boot_Open, &Boot_Save, "Boot", "Файл загрузчика:", "Записать boot"},
        {&Firmware_Edit, &Firmware_Open, &Firmware_Save, "Firmware",
         "Файл прошивки:", "Записать FW"},
        {&Application_Edit, &Application_Open, &Application_Save, "Application",
         "Файл приложения:", "Записать App"},
    };
    int y = 164;
    for (const auto& image : images) {
        const QString prefix = QString::fromLatin1(image.prefix);
        *image.edit =
            labelled(readOnlyEdit(new QLineEdit(g)), prefix + "_Edit", prefix + "_Edit_Label",
                     QString::fromUtf8(image.label), 8, y, kFieldWidth);
        *image.open = makeButton(g, prefix + "_Open", QStringLiteral("Открыть"), kRight, y - 2, 81);
        *image.save = makeButton(g, prefix + "_Save", QString::fromUtf8(image.saveText),
                                 kRight + 88, y - 2, 105);
        y += 42;
    }

    Application_Start = makeButton(g, QStringLiteral("Application_Start"),
                                   QStringLiteral("Старт приложения"), 8, 280, 193);

    SerialNumberEdit = labelled(
        new MaskedEdit(QStringLiteral("!00000000;1;_"), g), QStringLiteral("SerialNumberEdit"),
        QStringLiteral("SerialNumberEdit_Label"), QStringLiteral("Серийный номер:"), 8, 332, 113);
    Save_Serial_Number = makeButton(g, QStringLiteral("Save_Serial_Number"),
                                    QStringLiteral("Записать серийный номер"), 128, 330, 193);

    CGauge2 = named(new GaugeWidget(g), QStringLiteral("CGauge2"));
    CGauge2->setGeometry(8, 366, kFieldWidth, 33);
    BitBtn6 = makeButton(g, QStringLiteral("BitBtn6"), QStringLiteral("Запись автоматически"),
                         kRight, 330, 193, 33);
    BitBtn6->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    Auto_Mode = named(new QCheckBox(QStringLiteral("Автоматический режим"), g),
                      QStringLiteral("Auto_Mode"));
    Auto_Mode->setGeometry(kRight, 372, 193, kEditHeight);

    Memo2 = named(new QPlainTextEdit(page), QStringLiteral("Memo2"));
    Memo2->setGeometry(737 - 241, 414, 241, 89);
    Memo2->setReadOnly(true);
    Memo2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    fields_.insert(int(FormField::Folder_Name), Folder_Name);
    fields_.insert(int(FormField::SerialNumberEdit), SerialNumberEdit);
}

// The tables fill their groups and Memo1 is docked at the bottom of
// GroupBox6; both follow the groups' size.
void TForm1::layOutFilledGroups() {
    const int top = fontMetrics().height() + 2;
    for (auto [group, grid] : {std::pair<QGroupBox*, StringGrid*>{GroupBox2, StringGrid1},
                               {GroupBox7, StringGrid2},
                               {GroupBox8, StringGrid3}}) {
        grid->setGeometry(2, top, group->width() - 4, group->height() - top - 2);
    }
    const int memoHeight = std::min(memo1Height_, std::max(GroupBox6->height() - 2, 0));
    Memo1->setGeometry(2, GroupBox6->height() - 2 - memoHeight, GroupBox6->width() - 4, memoHeight);
}

void TForm1::connectHandlers() {
    // Page-1 layout follows group resizes.
    for (QGroupBox* group : {GroupBox2, GroupBox6, GroupBox7, GroupBox8})
        group->installEventFilter(this);

    StringGrid1->getEditMask = [this](int c, int r) { return StringGrid1GetEditMask(c, r); };
    StringGrid1->drawCell = [this] { StringGrid1DrawCell(); };
    StringGrid3->getEditMask = [this](int c, int r) { return StringGrid3GetEditMask(c, r); };
    StringGrid3->drawCell = [this] { StringGrid3DrawCell(); };
    StringGrid2->editorRequested = [this](int c, int r) { return StringGrid2GetEditText(c, r); };
    connect(StringGrid2, &StringGrid::cellDoubleClicked2, this, [this] { StringGrid2DblClick(); });
    connect(DeviceCombo, &QComboBox::activated, this, &TForm1::DeviceComboSelect);
    DeviceCombo->installEventFilter(this);
    DeviceCombo->lineEdit()->installEventFilter(this);

    connect(COMPort, &DropDownComboBox::dropDown, this, &TForm1::COMPortDropDown);
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        if (PageControl1->widget(index) == TabSheet3) TabSheet3Show();
    });
    connect(GPRS2_Enable, &QCheckBox::toggled, this, [this] { GPRS2_EnableClick(GPRS2_Enable); });
    connect(GPRS3_Enable, &QCheckBox::toggled, this, [this] { GPRS3_EnableClick(GPRS3_Enable); });
    connect(Auto_Mode, &QCheckBox::toggled, this, [this] { Auto_ModeClick(Auto_Mode); });
    // The dependent controls start in the state of their (unchecked) switch.
    GPRS2_EnableClick(GPRS2_Enable);
    GPRS3_EnableClick(GPRS3_Enable);

    const auto onClick = [this](QAbstractButton* button, void (TForm1::*handler)(QObject*)) {
        connect(button, &QAbstractButton::clicked, this,
                [this, button, handler] { (this->*handler)(button); });
    };
    onClick(SaveConfig, &TForm1::SaveConfigClick);
    onClick(ReadConfig, &TForm1::ReadConfigClick);
    onClick(ResetCntrl, &TForm1::ResetCntrlClick);
    onClick(BitBtn3, &TForm1::BitBtn3Click);
    onClick(BitBtn1, &TForm1::BitBtn1Click);
    onClick(FW_Folder_Open, &TForm1::FW_Folder_OpenClick);
    onClick(open_FW_files, &TForm1::open_FW_filesClick);
    onClick(Boot_Open, &TForm1::Boot_OpenClick);
    onClick(Firmware_Open, &TForm1::Firmware_OpenClick);
    onClick(Application_Open, &TForm1::Application_OpenClick);
    onClick(Hw_Sw_Identification, &TForm1::Hw_Sw_IdentificationClick);
    onClick(Application_Start, &TForm1::Application_StartClick);
    onClick(Application_Delete, &TForm1::Application_DeleteClick);
    onClick(Boot_Save, &TForm1::All_SaveClick);
    onClick(Firmware_Save, &TForm1::All_SaveClick);
    onClick(Application_Save, &TForm1::All_SaveClick);
    onClick(BitBtn6, &TForm1::BitBtn6Click);
    onClick(Save_Serial_Number, &TForm1::Save_Serial_NumberClick);
}

// ---------------------------------------------------------------------------
// Start-up and shut-down

QString TForm1::fileVersion() {
#ifdef _WIN32
    char path[MAX_PATH] = {};
    if (GetModuleFileNameA(nullptr, path, MAX_PATH) == 0) return {};
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0) return {};
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(path, 0, size, data.data())) return {};
    char* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data.data(), "\\StringFileInfo\\041904E3\\FileVersion",
                        reinterpret_cast<void**>(&value), &length) ||
        value == nullptr || length == 0)
        return {};
    return QString::fromLocal8Bit(value, int(qstrnlen(value, length))).trimmed();
#else
    // Without a version resource the build's own version stands in.
    return QStringLiteral(KORVEL_VERSION);
#endif
}

void TForm1::FormCreate() {
    runGuarded([this] {
        const QString version = fileVersion();
        if (!version.isEmpty()) setWindowTitle(kApplicationTitle + QStringLiteral(" v") + version);

        COMPortDropDown();

        Auto_Mode->setChecked(true);
        Auto_ModeClick(Auto_Mode);

        // Only the three buttons stay in view; the instrument list takes the
        // freed space.  Memo1 keeps receiving lines at height 0.
        memo1Height_ = 0;
        Memo1->setFocusPolicy(Qt::NoFocus);  // out of sight, so out of the tab order
        GroupBox6->resize(GroupBox6->width(), 89);
        GroupBox7->setGeometry(GroupBox7->x(), 89, GroupBox7->width(), 392);
        layOutFilledGroups();

        const bool production =
            std::any_of(arguments_.cbegin(), arguments_.cend(), [](const QString& a) {
                return a.compare(QStringLiteral("-p"), Qt::CaseInsensitive) == 0;
            });
        if (production) {
            setWindowTitle(windowTitle() + kProductionSuffix);
            PageControl1->setCurrentWidget(TabSheet3);
        } else {
            PageControl1->setTabVisible(PageControl1->indexOf(TabSheet3), false);
        }
    });
}

void TForm1::closeEvent(QCloseEvent* event) {
    // An operation that pumps messages (a transfer, the automatic write, the
    // configuration write and read) is still on the stack below this event:
    // the window closes, and saves its settings, once it has ended.
    if (runningOperations_ > 0) {
        closePending_ = true;
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TForm1::runOperation(const std::function<void()>& handler) {
    ++runningOperations_;
    runGuarded(handler);
    if (--runningOperations_ == 0 && closePending_) {
        closePending_ = false;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
}

void TForm1::FormClose() {
    runGuarded([this] {
        const SaveSettingsResult result = saveSettings(settingsPath_, *this);
        if (!result.written)
            dialogs_->messageBox(kApplicationTitle, result.error, Dialogs::Kind::Error,
                                 Dialogs::Buttons::Ok);
    });
}

void TForm1::TabSheet3Show() { Auto_ModeClick(Auto_Mode); }

void TForm1::runGuarded(const std::function<void()>& handler) {
    QString message;
    try {
        handler();
        return;
    } catch (const std::exception& e) {
        message = QString::fromUtf8(e.what());
    } catch (...) {
        message = QStringLiteral("Неизвестная ошибка");
    }
    dialogs_->messageBox(kApplicationTitle, message, Dialogs::Kind::Error, Dialogs::Buttons::Ok);
}

OperationContext TForm1::context() { return OperationContext{*this, *ports_, *clock_}; }

// ---------------------------------------------------------------------------
// Handlers of the configuration page

void TForm1::COMPortDropDown() {
    runGuarded([this] {
        const QStringList ports = sortedPortList(portSource_());
        const QSignalBlocker blocker(COMPort);
        const QString text = COMPort->currentText();
        COMPort->clear();
        COMPort->addItems(ports);
        COMPort->setCurrentIndex(COMPort->findText(text, Qt::MatchExactly));
        COMPort->setEditText(text);
    });
}

void TForm1::SaveConfigClick(QObject*) {
    runOperation([this] {
        OperationContext ctx = context();
        writeConfiguration(ctx, *this);
    });
}

void TForm1::ReadConfigClick(QObject*) {
    runOperation([this] {
        OperationContext ctx = context();
        readConfiguration(ctx, *this);
    });
}

void TForm1::ResetCntrlClick(QObject*) {
    runGuarded([this] {
        OperationContext ctx = context();
        resetController(ctx);
    });
}

QString TForm1::StringGrid1GetEditMask(int column, int) {
    const QString header = StringGrid1->cell(column, 0);
    if (header == QStringLiteral("Телефон")) return QStringLiteral("##########;1;");
    if (header == QStringLiteral("IP адрес")) return QStringLiteral("###.###.###.###;1;");
    if (header == QStringLiteral("Порт")) return QStringLiteral("#####;1;");
    return QString();
}

void TForm1::StringGrid1DrawCell() {
    int others = 0;
    for (int c = 0; c < 4; ++c) others += StringGrid1->colWidth(c);
    const int last = std::max(StringGrid1->width() - others - 8, 0);
    if (StringGrid1->colWidth(4) != last) StringGrid1->setColWidth(4, last);
}

QString TForm1::StringGrid3GetEditMask(int column, int) {
    return column == 1 ? QStringLiteral("##########;1;") : QString();
}

void TForm1::StringGrid3DrawCell() {
    const int last = std::max(StringGrid3->width() - StringGrid3->colWidth(0) - 8, 0);
    if (StringGrid3->colWidth(1) != last) StringGrid3->setColWidth(1, last);
}

void TForm1::StringGrid2DblClick() {
    runGuarded([this] {
        if (StringGrid2->currentCol() == kTypeColumn && StringGrid2->currentRow() >= 1)
            openTypeSelector(kTypeColumn, StringGrid2->currentRow());
    });
}

bool TForm1::StringGrid2GetEditText(int column, int row) {
    if (column != kTypeColumn || row < 1) return false;
    runGuarded([this, row] { openTypeSelector(kTypeColumn, row); });
    return true;
}

void TForm1::openTypeSelector(int column, int row) {
    const QRect cellRect = StringGrid2->cellRect(column, row);
    DeviceCombo->setGeometry(
        QRect(StringGrid2->pos() + cellRect.topLeft(),
              QSize(StringGrid2->colWidth(kTypeColumn), StringGrid2->rowHeight(row))));
    const QString text = StringGrid2->cell(column, row);
    DeviceCombo->setCurrentIndex(DeviceCombo->findText(text, Qt::MatchExactly));
    DeviceCombo->setEditText(text);
    typeSelectorOpen_ = true;
    DeviceCombo->show();
    DeviceCombo->raise();
    DeviceCombo->setFocus(Qt::OtherFocusReason);
}

void TForm1::DeviceComboSelect(int) {
    runGuarded([this] {
        DeviceCombo->hide();
        // Hiding the focused selector normally ends it through the focus
        // loss; where it had no focus to lose, it is ended here, so the
        // chosen item always reaches the cell.
        DeviceComboExit();
        StringGrid2->setFocus(Qt::OtherFocusReason);
    });
}

void TForm1::DeviceComboExit() {
    runGuarded([this] {
        if (!typeSelectorOpen_) return;
        typeSelectorOpen_ = false;
        DeviceCombo->hide();
        const int column = StringGrid2->currentCol();
        const int row = StringGrid2->currentRow();
        if (column >= 1 && row >= 1) StringGrid2->setCell(column, row, DeviceCombo->currentText());
    });
}

void TForm1::GPRS2_EnableClick(QObject*) {
    const bool on = GPRS2_Enable->isChecked();
    GPRS2_Period->setEnabled(on);
    GPRS2_Server->setEnabled(on);
    GPRS2_Server_Label->setEnabled(on);
}

void TForm1::GPRS3_EnableClick(QObject*) {
    const bool on = GPRS3_Enable->isChecked();
    GPRS3_IP_Edit->setEnabled(on);
    GPRS3_IP_Label->setEnabled(on);
    GPRS3_Port_Edit->setEnabled(on);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && (watched == GroupBox2 || watched == GroupBox6 ||
                                            watched == GroupBox7 || watched == GroupBox8)) {
        layOutFilledGroups();
    } else if (event->type() == QEvent::FocusOut &&
               (watched == DeviceCombo || watched == DeviceCombo->lineEdit())) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // The selector's own list dropping down, or the whole window losing
        // activation, is no exit from the selector.
        QWidget* now = QApplication::focusWidget();
        const bool stillInside =
            now != nullptr && (now == DeviceCombo || DeviceCombo->isAncestorOf(now) ||
                               now->window() == DeviceCombo->view()->window());
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason && !stillInside)
            DeviceComboExit();
    }
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// OperationHost

QString TForm1::portName() const { return COMPort->currentText(); }

void TForm1::statusReport(const QString& text) {
    setStatusLine(text);
    appendProductionLog(text);
}

void TForm1::setStatusLine(const QString& text) {
    Label3->setText(text);
    Label3->repaint();
}

void TForm1::appendProductionLog(const QString& text) { Memo2->appendPlainText(plainLines(text)); }

void TForm1::appendConfigLog(const QString& text) { Memo1->appendPlainText(plainLines(text)); }

void TForm1::errorBox(const QString& text, BoxButtons buttons) {
    dialogs_->messageBox(
        QStringLiteral("Ошибка"), text, Dialogs::Kind::Error,
        buttons == BoxButtons::Abort ? Dialogs::Buttons::Abort : Dialogs::Buttons::Ok);
}

void TForm1::fileErrorBox(const QString& text) {
    dialogs_->messageBox(QStringLiteral("File Error"), text, Dialogs::Kind::Plain,
                         Dialogs::Buttons::OkCancel);
}

Gauge& TForm1::gauge(GaugeId id) {
    switch (id) {
        case GaugeId::Config_Progress:
            return *Config_Progress;
        case GaugeId::CGauge1:
            return *CGauge1;
        case GaugeId::CGauge2:
            break;
    }
    return *CGauge2;
}

void TForm1::setControlEnabled(Control control, bool enabled) {
    if (auto* w = findChild<QWidget*>(QString::fromLatin1(controlObjectName(control))))
        w->setEnabled(enabled);
}

void TForm1::focusControl(Control control) {
    if (auto* w = findChild<QWidget*>(QString::fromLatin1(controlObjectName(control))))
        w->setFocus(Qt::OtherFocusReason);
}

void TForm1::processMessages() { QCoreApplication::processEvents(); }

// ---------------------------------------------------------------------------
// ConfigForm

QWidget* TForm1::fieldWidget(FormField field) const { return fields_.value(int(field)); }

QString TForm1::text(FormField field) const {
    QWidget* w = fieldWidget(field);
    if (auto* masked = qobject_cast<MaskedEdit*>(w)) return masked->value();
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentText();
    return QString();
}

void TForm1::setText(FormField field, const QString& text) {
    QWidget* w = fieldWidget(field);
    if (auto* masked = qobject_cast<MaskedEdit*>(w)) {
        masked->setValue(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setText(text);
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        combo->setCurrentIndex(combo->findText(text, Qt::MatchExactly));
        combo->setEditText(text);
    }
}

bool TForm1::isChecked(FormCheck box) const {
    return (box == FormCheck::GPRS2_Enable ? GPRS2_Enable : GPRS3_Enable)->isChecked();
}

void TForm1::setChecked(FormCheck box, bool checked) {
    if (box == FormCheck::GPRS2_Enable) {
        GPRS2_Enable->setChecked(checked);
        GPRS2_EnableClick(GPRS2_Enable);
    } else {
        GPRS3_Enable->setChecked(checked);
        GPRS3_EnableClick(GPRS3_Enable);
    }
}

int TForm1::gprs2Server() const { return GPRS2_Server->value(); }

void TForm1::setGprs2Server(int value) { GPRS2_Server->setValue(value); }

StringGrid* TForm1::grid(FormGrid which) const {
    switch (which) {
        case FormGrid::StringGrid1:
            return StringGrid1;
        case FormGrid::StringGrid2:
            return StringGrid2;
        case FormGrid::StringGrid3:
            break;
    }
    return StringGrid3;
}

QString TForm1::cell(FormGrid which, int column, int row) const {
    const StringGrid* g = grid(which);
    if (column < 0 || row < 0 || column >= g->columnCount() || row >= g->rowCount()) return {};
    return g->cell(column, row);
}

void TForm1::setCell(FormGrid which, int column, int row, const QString& text) {
    StringGrid* g = grid(which);
    if (column < 0 || row < 0 || column >= g->columnCount() || row >= g->rowCount()) return;
    g->setCell(column, row, text);
}

QStringList TForm1::meterTypes() const {
    QStringList items;
    for (int i = 0; i < DeviceCombo->count(); ++i) items << DeviceCombo->itemText(i);
    return items;
}

}  // namespace korvel
