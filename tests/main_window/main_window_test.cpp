// The real window, offscreen: start-up, layout, port list, handler guard,
// meter type selector, GPRS switches and the window's reporting facilities.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>

#include "configuration_page.h"
#include "firmware_update_page.h"
#include "main_window.h"
#include "port_choice_box.h"
#include "production_page.h"
#include "dialogs.h"
#include "gauge_widget.h"
#include "masked_edit.h"
#include "recording_dialogs.h"
#include "recording_host.h"
#include "scripted_serial_port.h"
#include "string_grid.h"
#include "widget_names.h"
#include "window_config_form.h"

namespace korvel {
namespace {

using test::RecordingDialogs;

class MainWindowTest : public ::testing::Test {
protected:
    std::unique_ptr<MainWindow> make(const QStringList& arguments = {}) {
        MainWindowServices services;
        services.ports = ports;
        services.clock = clock;
        services.dialogs = dialogs;
        services.portSource = [this] {
            if (portSourceFails) throw std::runtime_error("Реестр недоступен");
            return portNames;
        };
        services.settingsPath = settingsPath;
        return std::make_unique<MainWindow>(arguments, services);
    }

    // Shows the window and makes it the active one, so that focus moves as
    // with a user at the keyboard.
    static void showActive(MainWindow& form) {
        form.show();
        QApplication::setActiveWindow(&form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }

    template <class W = QWidget>
    static W* child(MainWindow& form, const char* name) {
        W* w = form.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    QTemporaryDir dir;
    QString settingsPath = dir.filePath(QStringLiteral("korvel.INI"));
    std::shared_ptr<ScriptedPortFactory> ports = std::make_shared<ScriptedPortFactory>();
    std::shared_ptr<test::FakeClock> clock = std::make_shared<test::FakeClock>();
    std::shared_ptr<RecordingDialogs> dialogs = std::make_shared<RecordingDialogs>();
    QStringList portNames{QStringLiteral("COM3"), QStringLiteral("COM1"), QStringLiteral("COM10")};
    bool portSourceFails = false;
};

// ---------------------------------------------------------------------------
// Start-up

TEST_F(MainWindowTest, StartsOnTheConfigurationPageWithoutProductionPage) {
    auto form = make();
    ASSERT_FALSE(MainWindow::fileVersion().isEmpty());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Конфигуратор KORVEL v") + MainWindow::fileVersion());
    EXPECT_EQ(form->pages->currentWidget(), form->configurationPage());
    EXPECT_FALSE(form->pages->isTabVisible(2));
    EXPECT_TRUE(form->pages->isTabVisible(0));
    EXPECT_TRUE(form->pages->isTabVisible(1));
    EXPECT_TRUE(form->configurationPage()->meterTypeChoice->isHidden());
    EXPECT_TRUE(form->configurationPage()->configurationProgress->isHidden());
    EXPECT_TRUE(form->configurationPage()->objectDescription->isHidden());
    EXPECT_FALSE(form->configurationPage()->objectDescription->isEnabled());
    EXPECT_EQ(form->portChoice->currentText(), QString());
    EXPECT_EQ(form->statusLine->text(), QString());
    EXPECT_TRUE(dialogs->boxes.empty());
    EXPECT_EQ(ports->created(), 0) << "nothing is sent to a device at start";
}

TEST_F(MainWindowTest, ProductionSwitchInAnyCaseShowsProductionPageOnce) {
    const struct {
        QStringList arguments;
        bool production;
    } cases[] = {
        {{QStringLiteral("-P")}, true},
        {{QStringLiteral("-p"), QStringLiteral("other")}, true},
        {{QStringLiteral("other"), QStringLiteral("-p")}, true},
        {{QStringLiteral("-p"), QStringLiteral("-P")}, true},
        {{QStringLiteral("other")}, false},
        {{QStringLiteral("-px")}, false},
    };
    const QString plain = QStringLiteral("Конфигуратор KORVEL v") + MainWindow::fileVersion();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        auto form = make(c.arguments);
        if (c.production) {
            EXPECT_EQ(form->windowTitle(), plain + QStringLiteral(" (режим ПРОИЗВОДСТВО)"));
            EXPECT_TRUE(form->pages->isTabVisible(2));
            EXPECT_EQ(form->pages->currentWidget(), form->productionPage());
        } else {
            EXPECT_EQ(form->windowTitle(), plain);
            EXPECT_FALSE(form->pages->isTabVisible(2));
            EXPECT_EQ(form->pages->currentWidget(), form->configurationPage());
        }
    }
}

TEST_F(MainWindowTest, StartUpCollapsesConfigurationLogAndGrowsInstrumentList) {
    auto form = make();
    showActive(*form);
    EXPECT_EQ(form->configurationPage()->configurationLog->height(), 0);
    EXPECT_TRUE(form->configurationPage()->configurationLog->visibleRegion().isEmpty());
    EXPECT_EQ(form->configurationPage()->deviceButtonsGroup->geometry(), QRect(536, 0, 201, 89));
    EXPECT_EQ(form->configurationPage()->meterGroup->geometry(), QRect(536, 89, 201, 392));
    EXPECT_GT(form->configurationPage()->meterTable->height(), 392 - 30) << "the grid follows its group";
    // The hidden log still receives lines.
    form->host().appendConfigLog(QStringLiteral("AT+ZQCONFIG\r\n"));
    EXPECT_EQ(form->configurationPage()->configurationLog->toPlainText(), QStringLiteral("AT+ZQCONFIG\n"));
}

TEST_F(MainWindowTest, AutomaticModeLocksManualProductionButtons) {
    auto form = make({QStringLiteral("-p")});
    ProductionPage* page = form->productionPage();
    EXPECT_TRUE(page->automaticMode->isChecked());
    const QList<QWidget*> manual = page->manualControls();
    EXPECT_EQ(manual.size(), 11);
    // Automatic mode leaves usable only what the automatic write needs from
    // the user: the folder, the serial number, the write and the switch.
    for (QAbstractButton* button : page->findChildren<QAbstractButton*>())
        EXPECT_EQ(button->isEnabled(), !manual.contains(button))
            << button->objectName().toStdString();
    for (QWidget* usable : std::initializer_list<QWidget*>{page->automaticWriteButton,
                                                           page->chooseFolderButton,
                                                           page->serialNumber, page->automaticMode})
        EXPECT_TRUE(usable->isEnabled()) << usable->objectName().toStdString();

    page->automaticMode->click();
    for (QWidget* control : manual)
        EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();

    // Showing the page again re-applies the check box's state.
    form->productionPage()->automaticMode->setChecked(true);
    form->productionPage()->chooseBootLoaderButton->setEnabled(true);
    form->pages->setCurrentWidget(form->configurationPage());
    form->pages->setCurrentWidget(form->productionPage());
    EXPECT_FALSE(form->productionPage()->chooseBootLoaderButton->isEnabled());
}

// ---------------------------------------------------------------------------
// The window's own tables

TEST_F(MainWindowTest, EveryControlOfTheNameTableIsFoundOnceOnItsPage) {
    auto form = make();
    const std::map<std::string, QWidget*> owners = {
        {"MainWindow", form.get()},
        {"ConfigurationPage", form->configurationPage()},
        {"FirmwareUpdatePage", form->firmwareUpdatePage()},
        {"ProductionPage", form->productionPage()},
    };
    std::set<std::string> objectNames;
    for (const WidgetName& row : kWidgetNames) {
        SCOPED_TRACE(std::string(row.page) + "::" + row.codeName);
        EXPECT_TRUE(objectNames.insert(row.objectName).second) << "named twice";
        const QString name = QString::fromLatin1(row.objectName);
        QList<QWidget*> found = form->findChildren<QWidget*>(name);
        if (form->objectName() == name) found << form.get();
        ASSERT_EQ(found.size(), 1) << row.objectName;
        QWidget* owner = owners.at(row.page);
        EXPECT_TRUE(found[0] == owner || owner->isAncestorOf(found[0])) << row.objectName;
    }
    // The controls operations name by their typed identity are all in the table.
    for (Control control : {Control::PortChoice, Control::WriteConfiguration,
                            Control::ReadConfiguration, Control::ResetController,
                            Control::Gprs2Period, Control::Gprs3Address})
        EXPECT_EQ(objectNames.count(controlObjectName(control)), 1u) << controlObjectName(control);
}

TEST_F(MainWindowTest, EveryConfigurationFieldShowsInANamedControl) {
    auto form = make();
    auto& fields = static_cast<WindowConfigForm&>(form->configForm());
    std::set<QWidget*> seen;
    for (int f = int(FormField::SimTelephone); f <= int(FormField::ProductionSerialNumber); ++f) {
        QWidget* w = fields.fieldWidget(FormField(f));
        ASSERT_NE(w, nullptr) << f;
        EXPECT_TRUE(seen.insert(w).second) << "two fields in one control: " << f;
        const std::string name = w->objectName().toStdString();
        EXPECT_TRUE(std::any_of(std::begin(kWidgetNames), std::end(kWidgetNames),
                                [&](const WidgetName& row) { return name == row.objectName; }))
            << name;
    }
}

TEST_F(MainWindowTest, EveryLabelGreysWithItsField) {
    auto form = make({QStringLiteral("-p")});
    ConfigurationPage* page = form->configurationPage();
    const auto labelsFollow = [&form] {
        for (QLabel* label : form->findChildren<QLabel*>()) {
            if (label->buddy()) {
                EXPECT_EQ(label->isEnabled(), label->buddy()->isEnabled())
                    << label->objectName().toStdString();
            }
        }
    };
    labelsFollow();
    EXPECT_FALSE(page->findChild<QLabel*>(QStringLiteral("GPRS2_Period_Label"))->isEnabled());
    EXPECT_FALSE(page->findChild<QLabel*>(QStringLiteral("LabeledEdit4_Label"))->isEnabled());
    for (bool on : {true, false}) {
        form->configForm().setChecked(FormCheck::Gprs2Enabled, on);
        form->configForm().setChecked(FormCheck::Gprs3Enabled, on);
        labelsFollow();
        EXPECT_EQ(page->findChild<QLabel*>(QStringLiteral("GPRS3_Port_Edit_Label"))->isEnabled(), on);
    }
}

// ---------------------------------------------------------------------------
// Layout

TEST_F(MainWindowTest, WindowAndGroupsHaveTheirFixedGeometry) {
    auto form = make();
    EXPECT_EQ(form->objectName(), QStringLiteral("Form1"));
    EXPECT_EQ(form->size(), QSize(745, 566));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(form->pages->geometry(), QRect(0, 0, 745, 537));
    EXPECT_EQ(form->statusLine->geometry().width(), 489);
    EXPECT_EQ(form->statusLine->y(), 543);
    EXPECT_EQ(form->portChoice->width(), 113);

    const struct {
        const char* name;
        QRect place;
        const char* title;
    } groups[] = {
        {"GroupBox5", {0, 0, 177, 65}, "SIM-карта"},
        {"GroupBox3", {184, 0, 345, 65}, "Параметры GPRS"},
        {"GroupBox2", {0, 68, 337, 177}, "Список серверов"},
        {"GroupBox11", {0, 252, 337, 65}, "Соединение GPRS, вариант 3 "},
        {"GroupBox1", {0, 320, 337, 73}, "Проверка баланса"},
        {"GroupBox8", {0, 400, 169, 97}, "Номера для уведомления о НС"},
        {"GroupBox4", {176, 400, 161, 81}, "Настройка RS-485"},
        {"GroupBox10", {344, 68, 185, 141}, "Соединение GPRS, вариант 2 "},
        {"GroupBox12", {344, 216, 185, 73}, "SMS-запросы"},
        {"GroupBox13", {344, 296, 185, 185}, "Информация"},
        {"GroupBox9", {0, 0, 737, 409}, "Встроенное ПО"},
    };
    for (const auto& g : groups) {
        auto* group = child<QGroupBox>(*form, g.name);
        ASSERT_NE(group, nullptr);
        EXPECT_EQ(group->geometry(), g.place) << g.name;
        EXPECT_EQ(group->title(), QString::fromUtf8(g.title)) << g.name;
    }
    EXPECT_EQ(form->configurationPage()->configurationProgress->geometry(), QRect(344, 488, 393, 20));
    EXPECT_EQ(form->firmwareUpdatePage()->firmwareProgress->size(), QSize(425, 33));
    EXPECT_EQ(form->productionPage()->productionProgress->size(), QSize(521, 33));
    EXPECT_EQ(form->productionPage()->productionLog->size(), QSize(241, 89));
    EXPECT_EQ(form->firmwareUpdatePage()->firmwareFile->width(), 521);
    for (QToolButton* b : {form->configurationPage()->writeConfigurationButton, form->configurationPage()->readConfigurationButton, form->configurationPage()->resetControllerButton})
        EXPECT_EQ(b->size(), QSize(57, 57));
}

// With the fonts the installation brings, no label runs into another
// control of its group or past the group's edge.
TEST_F(MainWindowTest, LabelsStandClearOfEachOtherAndOfTheirGroupsEdge) {
    auto form = make({QStringLiteral("-p")});
    EXPECT_TRUE(QFontInfo(form->font()).exactMatch() ||
                QFontInfo(form->font()).family() == QStringLiteral("Liberation Sans Narrow"))
        << QFontInfo(form->font()).family().toStdString();
    for (QGroupBox* group : form->findChildren<QGroupBox*>()) {
        const QList<QWidget*> controls = group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (QLabel* label : group->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
            if (label->isHidden()) continue;
            const QRect text(label->pos(), label->sizeHint());
            EXPECT_LE(text.right(), group->width()) << label->objectName().toStdString();
            for (QWidget* other : controls) {
                if (other == label || other->isHidden()) continue;
                EXPECT_FALSE(text.intersects(other->geometry()))
                    << label->objectName().toStdString() << " runs into "
                    << other->objectName().toStdString();
            }
        }
    }
}

// Tab goes through a page group by group: the top band left to right, then
// each column of groups top to bottom, and the port choice at the foot last.
// Disabled fields (the GPRS variants off, automatic mode on) are passed by.
TEST_F(MainWindowTest, TabMovesThroughEachPageGroupByGroup) {
    auto form = make({QStringLiteral("-p")});
    showActive(*form);
    const QStringList expected[3] = {
        QStringLiteral("TelNumb MaskEdit1 GPRS_APN GPRS_login GPRS_pass SaveConfig ReadConfig "
                       "ResetCntrl StringGrid1 GPRS3_Enable LabeledEdit1 LabeledEdit2 LabeledEdit3 "
                       "MaskEdit6 StringGrid3 ComboBox1 GPRS2_Enable SMSPass StringGrid2 COMPort")
            .split(QLatin1Char(' ')),
        QStringLiteral("FirmwareFile BitBtn3 BitBtn1 COMPort").split(QLatin1Char(' ')),
        QStringLiteral("Folder_Name FW_Folder_Open HW_Info FW_Info Boot_Edit Firmware_Edit "
                       "Application_Edit SerialNumberEdit BitBtn6 Auto_Mode Memo2 COMPort")
            .split(QLatin1Char(' ')),
    };
    for (int page = 0; page < 3; ++page) {
        form->pages->setCurrentIndex(page);
        form->pages->tabBar()->setFocus();
        QStringList order;
        for (int i = 0; i < expected[page].size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* w = QApplication::focusWidget();
            // A combo box's own line edit stands for the box.
            if (w->objectName().isEmpty() && w->parentWidget()) w = w->parentWidget();
            order << w->objectName();
        }
        EXPECT_EQ(order, expected[page]) << "page " << page + 1;
    }
}

TEST_F(MainWindowTest, EveryFieldIsNamedByItsLabel) {
    auto form = make();
    const struct {
        const char* field;
        const char* label;
    } fields[] = {
        {"TelNumb", "Номер телефона:"},
        {"MaskEdit1", "PIN код:"},
        {"GPRS_APN", "Точка доступа (APN):"},
        {"GPRS_login", "Пользователь (login):"},
        {"GPRS_pass", "Пароль (password):"},
        {"GPRS2_Period", "Период автоподключения, мин:"},
        {"GPRS2_Server", "Номер сервера из таблицы:"},
        {"GPRS3_IP_Edit", "Статический IP адрес:"},
        {"GPRS3_Port_Edit", "Номер порта:"},
        {"LabeledEdit1", "USSD запрос:"},
        {"LabeledEdit2", "Период, мин.:"},
        {"LabeledEdit3", "Порог, руб.:"},
        {"MaskEdit6", "Уведомлять.:"},
        {"SMSPass", "Пароль:"},
        {"ComboBox1", "Скорость, бод:"},
        {"LabeledEdit4", "Серийный номер:"},
        {"LabeledEdit5", "Версия ПО:"},
        {"DeviceTime_Edit", "Время:"},
        {"DeviceDate_Edit", "Дата:"},
        {"FirmwareFile", "Файл обновления:"},
        {"Folder_Name", "Папка с ПО:"},
        {"HW_Info", "Тип модуля:"},
        {"FW_Info", "Версия ПО ядра:"},
        {"Boot_Edit", "Файл загрузчика:"},
        {"Firmware_Edit", "Файл прошивки:"},
        {"Application_Edit", "Файл приложения:"},
        {"COMPort", "COM-порт:"},
    };
    const QList<QLabel*> labels = form->findChildren<QLabel*>();
    for (const auto& f : fields) {
        QWidget* field = child(*form, f.field);
        const auto it = std::find_if(labels.begin(), labels.end(),
                                     [field](QLabel* l) { return l->buddy() == field; });
        ASSERT_NE(it, labels.end()) << f.field << " has no label";
        EXPECT_EQ((*it)->text(), QString::fromUtf8(f.label)) << f.field;
    }
    EXPECT_EQ(form->configurationPage()->gprs3AddressLabel->buddy(), form->configurationPage()->gprs3Address);
    EXPECT_EQ(form->configurationPage()->gprs2ServerLabel->buddy(), form->configurationPage()->gprs2Server);
    EXPECT_EQ(form->configurationPage()->balancePeriod->toolTip(), QStringLiteral("Не более 1440 мин. (24 часа)"));
    for (const char* name : {"LabeledEdit4", "LabeledEdit5", "DeviceTime_Edit", "DeviceDate_Edit"})
        EXPECT_FALSE(child(*form, name)->isEnabled()) << name;
    for (const char* name :
         {"Folder_Name", "HW_Info", "FW_Info", "Boot_Edit", "Firmware_Edit", "Application_Edit"})
        EXPECT_TRUE(child<QLineEdit>(*form, name)->isReadOnly()) << name;
}

// ---------------------------------------------------------------------------
// Fields and tables as the operations see them

TEST_F(MainWindowTest, FieldsStartWithTheirDefaultsAndTablesWithTheirHeaders) {
    auto form = make();
    EXPECT_EQ(form->configForm().text(FormField::SimTelephone), QString(10, QLatin1Char(' ')));
    EXPECT_EQ(form->configForm().text(FormField::SimPin), QString(4, QLatin1Char(' ')));
    EXPECT_EQ(form->configForm().text(FormField::Gprs3Address), QStringLiteral("   .   .   .   "));
    EXPECT_EQ(form->configForm().text(FormField::SmsPassword), QStringLiteral("5729"));
    EXPECT_EQ(form->configForm().text(FormField::BalancePeriod), QStringLiteral("10"));
    EXPECT_EQ(form->configForm().text(FormField::Rs485Speed), QString());
    EXPECT_EQ(form->configForm().gprs2Server(), 1);
    EXPECT_FALSE(form->configForm().isChecked(FormCheck::Gprs2Enabled));
    EXPECT_FALSE(form->configurationPage()->gprs2Period->isEnabled());
    EXPECT_FALSE(form->configurationPage()->gprs3Address->isEnabled());
    EXPECT_EQ(form->configForm().meterTypes(),
              QStringList({QString(), QStringLiteral("КВАРН"), QStringLiteral("ОРТИС-12")}));
    EXPECT_EQ(form->configForm().cell(FormGrid::Servers, 2, 0), QStringLiteral("IP адрес"));
    EXPECT_EQ(form->configForm().cell(FormGrid::Servers, 0, 5), QStringLiteral("5"));
    EXPECT_EQ(form->configForm().cell(FormGrid::Meters, 0, 32), QStringLiteral("32"));
    EXPECT_EQ(form->configForm().cell(FormGrid::AlarmNumbers, 1, 0), QStringLiteral("Телефон"));
    EXPECT_EQ(form->configForm().cell(FormGrid::AlarmNumbers, 5, 9), QString()) << "outside the table";

    form->configForm().setText(FormField::Gprs3Address, QStringLiteral("10.0.0.1"));
    EXPECT_EQ(form->configForm().text(FormField::Gprs3Address), QStringLiteral("10 .0  .0  .1  "));
    form->configForm().setText(FormField::Rs485Speed, QStringLiteral("115200"));
    EXPECT_EQ(form->configForm().text(FormField::Rs485Speed), QStringLiteral("115200"));
    form->configForm().setGprs2Server(9);
    EXPECT_EQ(form->configForm().gprs2Server(), 5);
    form->configForm().setGprs2Server(0);
    EXPECT_EQ(form->configForm().gprs2Server(), 1);
}

TEST_F(MainWindowTest, TableColumnsAndMasksFollowTheirRules) {
    auto form = make();
    StringGrid* g1 = form->configurationPage()->serverTable;
    EXPECT_EQ(g1->colWidth(0), 16);
    EXPECT_EQ(g1->colWidth(1), 72);
    EXPECT_EQ(g1->colWidth(2), 88);
    EXPECT_EQ(g1->colWidth(3), 40);
    EXPECT_EQ(g1->colWidth(4), g1->width() - 216 - 8);
    // The description column takes up what the IP column gives or takes.
    g1->setColWidth(2, 120);
    QCoreApplication::processEvents();
    EXPECT_EQ(g1->colWidth(4), g1->width() - 16 - 72 - 120 - 40 - 8);

    EXPECT_EQ(form->configurationPage()->meterTable->colWidth(0), 24);
    EXPECT_EQ(form->configurationPage()->meterTable->colWidth(1), 72);
    EXPECT_EQ(form->configurationPage()->meterTable->colWidth(2), form->configurationPage()->meterTable->width() - 96 - 24);
    EXPECT_EQ(form->configurationPage()->meterTable->rowHeight(7), 20);
    EXPECT_EQ(form->configurationPage()->alarmNumberTable->colWidth(0), 16);
    EXPECT_EQ(form->configurationPage()->alarmNumberTable->colWidth(1), form->configurationPage()->alarmNumberTable->width() - 16 - 8);

    ASSERT_TRUE(g1->getEditMask);
    EXPECT_EQ(g1->getEditMask(1, 3), QStringLiteral("##########;1;"));
    EXPECT_EQ(g1->getEditMask(2, 3), QStringLiteral("###.###.###.###;1;"));
    EXPECT_EQ(g1->getEditMask(3, 3), QStringLiteral("#####;1;"));
    EXPECT_EQ(g1->getEditMask(4, 3), QString());
    // The mask goes with the header text, not the column position.
    g1->setCell(4, 0, QStringLiteral("Порт"));
    EXPECT_EQ(g1->getEditMask(4, 3), QStringLiteral("#####;1;"));
    ASSERT_TRUE(form->configurationPage()->alarmNumberTable->getEditMask);
    EXPECT_EQ(form->configurationPage()->alarmNumberTable->getEditMask(1, 2), QStringLiteral("##########;1;"));
}

TEST_F(MainWindowTest, GprsSwitchesEnableTheirFieldsAndKeepValues) {
    auto form = make();
    showActive(*form);
    form->configForm().setChecked(FormCheck::Gprs3Enabled, true);
    QTest::keyClicks(form->configurationPage()->gprs3Port, QStringLiteral("8080"));
    form->configForm().setText(FormField::Gprs3Address, QStringLiteral("192.168.1.10"));

    QTest::mouseClick(form->configurationPage()->gprs3Enabled, Qt::LeftButton);
    EXPECT_FALSE(form->configForm().isChecked(FormCheck::Gprs3Enabled));
    for (QWidget* w :
         {static_cast<QWidget*>(form->configurationPage()->gprs3Address), static_cast<QWidget*>(form->configurationPage()->gprs3AddressLabel),
          static_cast<QWidget*>(form->configurationPage()->gprs3Port)})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_EQ(form->configForm().text(FormField::Gprs3Port), QStringLiteral("8080"));
    EXPECT_EQ(form->configForm().text(FormField::Gprs3Address), QStringLiteral("192.168.1  .10 "));

    form->configForm().setChecked(FormCheck::Gprs2Enabled, true);
    EXPECT_TRUE(form->configurationPage()->gprs2Period->isEnabled());
    EXPECT_TRUE(form->configurationPage()->gprs2Server->isEnabled());
    EXPECT_TRUE(form->configurationPage()->gprs2ServerLabel->isEnabled());
    form->configurationPage()->gprs2Enabled->click();
    EXPECT_FALSE(form->configurationPage()->gprs2Server->isEnabled());
    EXPECT_FALSE(form->configurationPage()->gprs2ServerLabel->isEnabled());
}

// ---------------------------------------------------------------------------
// Meter type selector

class TypeSelectorTest : public MainWindowTest {
protected:
    void SetUp() override {
        form = make();
        showActive(*form);
        grid = form->configurationPage()->meterTable;
        combo = form->configurationPage()->meterTypeChoice;
        grid->setCell(1, 3, QStringLiteral("КВАРН"));
    }

    QPoint cellCenter(int column, int row) const {
        return grid->cellRect(column, row).center() - grid->viewport()->pos();
    }

    void doubleClickCell(int column, int row) {
        grid->setCurrentCell2(column, row);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cellCenter(column, row));
    }

    std::unique_ptr<MainWindow> form;
    StringGrid* grid = nullptr;
    QComboBox* combo = nullptr;
};

TEST_F(TypeSelectorTest, DoubleClickOpensSelectorOverTheTypeCell) {
    doubleClickCell(1, 3);
    ASSERT_TRUE(combo->isVisible());
    const QRect cell = grid->cellRect(1, 3);
    EXPECT_EQ(combo->geometry(),
              QRect(grid->pos() + cell.topLeft(), QSize(grid->colWidth(1), grid->rowHeight(3))));
    EXPECT_EQ(combo->currentText(), QStringLiteral("КВАРН"));
    EXPECT_TRUE(combo->hasFocus() || combo->lineEdit()->hasFocus());
}

TEST_F(TypeSelectorTest, ChoosingAnItemWritesItIntoTheCell) {
    doubleClickCell(1, 3);
    ASSERT_TRUE(combo->isVisible());
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
    EXPECT_TRUE(combo->isVisible()) << "opening the list is no exit";
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(2, 0)).center());
    EXPECT_TRUE(combo->isHidden());
    EXPECT_EQ(grid->cell(1, 3), QStringLiteral("ОРТИС-12"));
    EXPECT_EQ(form->configForm().meterTypes().size(), 3);
}

TEST_F(TypeSelectorTest, TypedTextLandsInTheCellWhenFocusLeaves) {
    grid->setFocus();
    grid->setCurrentCell2(1, 5);
    QTest::keyClick(grid, Qt::Key_F2);  // the grid's edit key opens the selector instead
    ASSERT_TRUE(combo->isVisible());
    EXPECT_EQ(grid->findChild<MaskedEdit*>(), nullptr) << "no cell editor of its own";
    QTest::keyClicks(combo->lineEdit(), QStringLiteral("M-230 Art"));
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    QTest::mouseClick(form->configurationPage()->gprsAccessPoint, Qt::LeftButton);
    EXPECT_TRUE(combo->isHidden());
    EXPECT_EQ(grid->cell(1, 5), QStringLiteral("M-230 Art"));
    EXPECT_EQ(grid->cell(1, 3), QStringLiteral("КВАРН"));
    EXPECT_EQ(form->configForm().meterTypes().size(), 3) << "typed text never becomes a meter type";
}

TEST_F(TypeSelectorTest, AddressColumnOpensNoSelector) {
    doubleClickCell(2, 3);
    EXPECT_TRUE(combo->isHidden());
    EXPECT_EQ(grid->cell(2, 3), QString());
    EXPECT_EQ(grid->cell(1, 3), QStringLiteral("КВАРН"));
}

// ---------------------------------------------------------------------------
// Port list

TEST_F(MainWindowTest, PortListIsSortedAndRebuildKeepsTheTypedPort) {
    auto form = make();
    showActive(*form);
    auto items = [&form] {
        QStringList list;
        for (int i = 0; i < form->portChoice->count(); ++i) list << form->portChoice->itemText(i);
        return list;
    };
    EXPECT_EQ(items(), QStringList({"COM1", "COM10", "COM3"}));

    // A typed name is kept as typed, not completed to a longer port name.
    form->portChoice->lineEdit()->setFocus();
    QTest::keyClicks(form->portChoice->lineEdit(), QStringLiteral("COM1"));
    EXPECT_EQ(form->host().portName(), QStringLiteral("COM1"));
    form->portChoice->setEditText(QStringLiteral("COM7"));

    portNames = {QStringLiteral("COM2")};
    form->portChoice->showPopup();
    form->portChoice->hidePopup();
    EXPECT_EQ(items(), QStringList({"COM2"}));
    EXPECT_EQ(form->host().portName(), QStringLiteral("COM7"));

    portNames.clear();
    form->portChoice->showPopup();
    form->portChoice->hidePopup();
    EXPECT_EQ(form->portChoice->count(), 0);
    EXPECT_EQ(form->host().portName(), QStringLiteral("COM7"));
}

// ---------------------------------------------------------------------------
// Handlers and their guard

TEST_F(MainWindowTest, ErrorEscapingAHandlerIsShownAndTheWindowGoesOn) {
    auto form = make();
    portSourceFails = true;
    form->portChoice->showPopup();
    form->portChoice->hidePopup();
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].caption, QStringLiteral("Конфигуратор KORVEL"));
    EXPECT_EQ(dialogs->boxes[0].text, QStringLiteral("Реестр недоступен"));
    EXPECT_EQ(dialogs->boxes[0].kind, Dialogs::Kind::Error);

    portSourceFails = false;
    form->portChoice->showPopup();
    form->portChoice->hidePopup();
    EXPECT_EQ(form->portChoice->count(), 3);

    form->runGuarded([] { throw 42; });
    ASSERT_EQ(dialogs->boxes.size(), 2u);
    EXPECT_FALSE(dialogs->boxes[1].text.isEmpty());
    EXPECT_EQ(dialogs->boxes.size(), 2u);
}

TEST_F(MainWindowTest, ResetButtonUsesTheWindowsPortAndClock) {
    auto form = make();
    form->configurationPage()->resetControllerButton->click();
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].text,
              QStringLiteral("Не выбран COM-порт к которому подключен контроллер!"));
    EXPECT_EQ(dialogs->boxes[0].buttons, Dialogs::Buttons::Ok);

    form->portChoice->setEditText(QStringLiteral("COM3"));
    form->configurationPage()->resetControllerButton->click();
    EXPECT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(ports->port().written(), "AT+CFUN=1\r\n");
    EXPECT_NE(std::find(clock->sleeps.begin(), clock->sleeps.end(), 500u), clock->sleeps.end());
    EXPECT_TRUE(form->configurationPage()->writeConfigurationButton->isEnabled());
    EXPECT_TRUE(form->configurationPage()->readConfigurationButton->isEnabled());
    EXPECT_TRUE(form->configurationPage()->resetControllerButton->isEnabled());
}

TEST_F(MainWindowTest, ClosingSavesTheFieldsForTheNextStart) {
    {
        auto form = make();
        form->configForm().setText(FormField::GprsAccessPoint, QStringLiteral("internet.mts.ru"));
        form->configForm().setCell(FormGrid::Meters, 1, 4, QStringLiteral("ОРТИС-12"));
        form->configForm().setChecked(FormCheck::Gprs2Enabled, true);
        form->close();
    }
    ASSERT_TRUE(QFile::exists(settingsPath));
    auto again = make();
    EXPECT_EQ(again->configForm().text(FormField::GprsAccessPoint), QStringLiteral("internet.mts.ru"));
    EXPECT_EQ(again->configForm().cell(FormGrid::Meters, 1, 4), QStringLiteral("ОРТИС-12"));
    EXPECT_TRUE(again->configForm().isChecked(FormCheck::Gprs2Enabled));
    EXPECT_TRUE(again->configurationPage()->gprs2Period->isEnabled()) << "the loaded switch sets its fields";
    EXPECT_TRUE(dialogs->boxes.empty());
}

TEST_F(MainWindowTest, SettingsThatCannotBeWrittenAreReportedAndTheWindowStillCloses) {
    settingsPath = dir.filePath(QStringLiteral("missing/folder/korvel.INI"));
    auto form = make();
    showActive(*form);
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(form->isVisible());
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].kind, Dialogs::Kind::Error);
    EXPECT_TRUE(dialogs->boxes[0].text.contains(QStringLiteral("korvel.INI")));
}

// ---------------------------------------------------------------------------
// What operations use of the window

TEST_F(MainWindowTest, ReportsLandInStatusLineAndLogs) {
    auto form = make();
    form->host().statusReport(QStringLiteral(" Чтение конфигурации"));
    form->host().statusReport(QStringLiteral(" Конфигурация прочитана"));
    EXPECT_EQ(form->statusLine->text(), QStringLiteral(" Конфигурация прочитана"));
    EXPECT_EQ(form->productionPage()->productionLog->toPlainText(),
              QStringLiteral(" Чтение конфигурации\n Конфигурация прочитана"));
    form->host().setStatusLine(QStringLiteral(" только строка"));
    EXPECT_EQ(form->productionPage()->productionLog->document()->blockCount(), 2);

    form->host().appendConfigLog(QStringLiteral("\r\nOK\r\n"));
    form->host().appendConfigLog(QStringLiteral("a\rb"));
    EXPECT_EQ(form->configurationPage()->configurationLog->toPlainText(), QStringLiteral("\nOK\n\na\nb"));

    form->host().errorBox(QStringLiteral("Порт занят"), BoxButtons::Abort);
    form->host().fileErrorBox(QStringLiteral("В папке нет требуемого файла!"));
    ASSERT_EQ(dialogs->boxes.size(), 2u);
    EXPECT_EQ(dialogs->boxes[0].kind, Dialogs::Kind::Error);
    EXPECT_EQ(dialogs->boxes[0].buttons, Dialogs::Buttons::Abort);
    EXPECT_EQ(dialogs->boxes[1].caption, QStringLiteral("File Error"));
    EXPECT_EQ(dialogs->boxes[1].kind, Dialogs::Kind::Plain);
    EXPECT_EQ(dialogs->boxes[1].buttons, Dialogs::Buttons::OkCancel);

    form->host().setControlEnabled(Control::ReadConfiguration, false);
    EXPECT_FALSE(form->configurationPage()->readConfigurationButton->isEnabled());
}

TEST(GaugeWidgetTest, PositionStaysInRangeAndShowsPercent) {
    GaugeWidget gauge;
    gauge.setMin(0);
    gauge.setMax(100);
    gauge.setProgress(0);
    gauge.addProgress(150);
    EXPECT_EQ(gauge.progress(), 100);
    gauge.setProgress(-5);
    EXPECT_EQ(gauge.progress(), 0);
    gauge.setProgress(50);
    EXPECT_EQ(gauge.text(), QStringLiteral("50%"));
    gauge.setMax(40);
    EXPECT_EQ(gauge.progress(), 40);
    gauge.setMin(60);
    EXPECT_EQ(gauge.progress(), 60);
    gauge.setMin(0);
    gauge.setMax(200);
    EXPECT_EQ(gauge.progress(), 60);
    gauge.setVisible(false);
    EXPECT_FALSE(gauge.isVisible());
    gauge.setVisible(true);
    EXPECT_TRUE(gauge.isVisible()) << "shown even while its window is not";
}

TEST(FileFilterTest, FilesOfferedAreThoseOfThePatternAfterTheBar) {
    EXPECT_EQ(qtFileFilter(QStringLiteral("Файл ПО KORVEL (*.dwl) |*.dwl")),
              QStringLiteral("Файл ПО KORVEL (*.dwl)"));
    EXPECT_EQ(qtFileFilter(QStringLiteral("Файл OC KORVEL (R*q2687RD.dwl) |R*Q2687RD.dwl")),
              QStringLiteral("Файл OC KORVEL (R*Q2687RD.dwl)"));
    EXPECT_EQ(qtFileFilter(QStringLiteral("Images|*.dwl;*.bin|All|*")),
              QStringLiteral("Images (*.dwl *.bin);;All (*)"));
}

}  // namespace
}  // namespace korvel
