// The real window, offscreen: start-up, layout, the fields and tables as the
// operations see them, GPRS switches and the window's reporting facilities.
#include <QWheelEvent>

#include "main_window_fixture.h"
#include "configuration/config_read.h"
#include "firmware/firmware_download.h"
#include "production/firmware_files.h"

namespace korvel {
namespace {

using test::MainWindowTest;
using test::RecordingDialogs;

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

// A user tries every way between pages: Ctrl+Tab, Ctrl+Shift+Tab,
// Ctrl+PgDown/PgUp from each page, the tab bar's arrows, Home and End, the
// wheel over the tab bar, clicks along it, and Tab through the whole focus
// chain.  Without "-p" the production page never becomes current and none
// of its controls gets the focus; with "-p" the same keys do reach it.
TEST_F(MainWindowTest, ProductionPageCannotBeReachedWithoutSwitch) {
    for (const bool production : {false, true}) {
        SCOPED_TRACE(production ? "-p" : "no switch");
        auto form = make(production ? QStringList{QStringLiteral("-p")} : QStringList{});
        showActive(*form);
        QWidget* page = form->productionPage();
        QTabBar* bar = form->pages->tabBar();
        bool reached = false;
        bool focused = false;
        QObject::connect(form->pages, &QTabWidget::currentChanged, form.get(),
                         [&](int) { reached |= form->pages->currentWidget() == page; });
        QObject::connect(qApp, &QApplication::focusChanged, form.get(),
                         [&](QWidget*, QWidget* now) { focused |= now && page->isAncestorOf(now); });
        const auto wheel = [&](int delta) {
            const QPointF at(bar->width() / 2.0, bar->height() / 2.0);
            QWheelEvent event(at, bar->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(bar, &event);
        };
        for (int start : {0, 1}) {
            form->pages->setCurrentIndex(start);
            for (int i = 0; i < 3; ++i) {
                for (QWidget* target : {static_cast<QWidget*>(form.get()), form->pages->currentWidget()}) {
                    QTest::keyClick(target, Qt::Key_Tab, Qt::ControlModifier);
                    QTest::keyClick(target, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
                    QTest::keyClick(target, Qt::Key_PageDown, Qt::ControlModifier);
                    QTest::keyClick(target, Qt::Key_PageUp, Qt::ControlModifier);
                }
                bar->setFocus();
                for (Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Left, Qt::Key_End,
                                    Qt::Key_Home, Qt::Key_Down, Qt::Key_Up})
                    QTest::keyClick(bar, key);
                wheel(-120);
                wheel(-120);
                wheel(120);
            }
            for (int x = 2; x < bar->width(); x += 8) QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(x, bar->height() / 2));
            form->pages->setCurrentIndex(start);
            for (int i = 0; i < 250; ++i) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            for (int i = 0; i < 250; ++i) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        }
        EXPECT_EQ(reached, production);
        EXPECT_FALSE(focused && !production);
        EXPECT_EQ(form->productionPage()->automaticWriteButton->isEnabled(), production);
        // A page made current by a program's call is sent back as well.
        form->pages->setCurrentWidget(page);
        EXPECT_EQ(form->pages->currentWidget() == page, production);
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
    form->sink(ProgressRole::Configuration).configLog(QStringLiteral("AT+ZQCONFIG\r\n"));
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
    EXPECT_EQ(form->configForm().cell(FormGrid::Servers, 0, 5), QStringLiteral("5"));
    EXPECT_EQ(form->configForm().cell(FormGrid::Meters, 0, 32), QStringLiteral("32"));
    const struct { FormGrid grid; int column; const char* header; } headers[] = {
        {FormGrid::Servers, 1, "Телефон"}, {FormGrid::Servers, 2, "IP адрес"}, {FormGrid::Servers, 3, "Порт"},
        {FormGrid::Servers, 4, "Описание сервера"}, {FormGrid::Meters, 1, "Тип"}, {FormGrid::Meters, 2, "Адрес"},
        {FormGrid::AlarmNumbers, 1, "Телефон"}};
    for (const auto& h : headers) EXPECT_EQ(form->configForm().cell(h.grid, h.column, 0), h.header) << h.header;
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
// What operations use of the window

TEST_F(MainWindowTest, ReportsLandInStatusLineAndLogs) {
    auto form = make();
    OperationSink& sink = form->sink(ProgressRole::Configuration);
    sink.status(status::ReadingConfiguration);
    sink.status(status::ConfigurationRead);
    EXPECT_EQ(form->statusLine->text(), QStringLiteral(" Конфигурация прочитана"));
    EXPECT_EQ(form->productionPage()->productionLog->toPlainText(),
              QStringLiteral(" Чтение конфигурации\n Конфигурация прочитана"));
    sink.status(status::AwaitingModuleRequest);
    EXPECT_EQ(form->statusLine->text(), QStringLiteral(" Ожидание запроса модуля на передачу"));
    EXPECT_EQ(form->productionPage()->productionLog->document()->blockCount(), 2);

    sink.configLog(QStringLiteral("\r\nOK\r\n"));
    sink.configLog(QStringLiteral("a\rb"));
    EXPECT_EQ(form->configurationPage()->configurationLog->toPlainText(), QStringLiteral("\nOK\n\na\nb"));

    Outcome busy;
    busy.portName = QStringLiteral("COM3");
    busy.openFailure = OpenFailure::Busy;
    sink.box(box::PortUnusable, busy);
    EXPECT_TRUE(form->focusWidget() == form->portChoice ||
                form->focusWidget() == form->portChoice->lineEdit());
    sink.box(box::FolderFileMissing);
    ASSERT_EQ(dialogs->boxes.size(), 2u);
    EXPECT_EQ(dialogs->boxes[0].caption, QStringLiteral("Ошибка"));
    EXPECT_EQ(dialogs->boxes[0].text,
              QStringLiteral("Использование порта COM3 невозможно!\nПорт занят другой программой."));
    EXPECT_EQ(dialogs->boxes[0].kind, Dialogs::Kind::Error);
    EXPECT_EQ(dialogs->boxes[0].buttons, Dialogs::Buttons::Abort);
    EXPECT_EQ(dialogs->boxes[1].caption, QStringLiteral("File Error"));
    EXPECT_EQ(dialogs->boxes[1].kind, Dialogs::Kind::Plain);
    EXPECT_EQ(dialogs->boxes[1].buttons, Dialogs::Buttons::OkCancel);

    form->configurationPage()->gprs3Address->setEnabled(true);
    sink.settingRefused(Setting::Gprs3Address);
    EXPECT_EQ(form->focusWidget(), form->configurationPage()->gprs3Address);

    // The port in use locks the configuration buttons, whichever page's sink says so.
    form->sink(ProgressRole::Production).portInUse(true);
    EXPECT_FALSE(form->configurationPage()->writeConfigurationButton->isEnabled());
    EXPECT_FALSE(form->configurationPage()->readConfigurationButton->isEnabled());
    EXPECT_FALSE(form->configurationPage()->resetControllerButton->isEnabled());
    sink.portInUse(false);
    EXPECT_TRUE(form->configurationPage()->readConfigurationButton->isEnabled());

    // Each page's sink drives its own progress bar.
    EXPECT_EQ(&form->sink(ProgressRole::FirmwareUpdate).progress(),
              static_cast<Gauge*>(form->firmwareUpdatePage()->firmwareProgress));
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
