// The window's handlers: the meter type selector, the port list, the guard
// around every handler, the reset button and the settings saved on closing.
#include "main_window_fixture.h"

#include <QTimer>

#include "device_buttons.h"
#include "file_bytes.h"

namespace korvel {
namespace {

using test::MainWindowTest;
using test::RecordingDialogs;

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
        grid->setCurrentCellAt(column, row);
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
    grid->setCurrentCellAt(1, 5);
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
    EXPECT_EQ(form->sink(ProgressRole::Configuration).portName(), QStringLiteral("COM1"));
    form->portChoice->setEditText(QStringLiteral("COM7"));

    portNames = {QStringLiteral("COM2")};
    portDescriptions = {{QStringLiteral("COM2"), QStringLiteral("USB Serial Port (COM2)")}};
    form->portChoice->showPopup();
    form->portChoice->hidePopup();
    EXPECT_EQ(items(), QStringList({"COM2"}));
    EXPECT_EQ(form->portChoice->description(0), QStringLiteral("USB Serial Port (COM2)"));
    EXPECT_EQ(form->sink(ProgressRole::Configuration).portName(), QStringLiteral("COM7"));
    // Choosing a described port puts only its name into the box.
    form->portChoice->setCurrentIndex(0);
    EXPECT_EQ(form->sink(ProgressRole::Configuration).portName(), QStringLiteral("COM2"));
    form->portChoice->setEditText(QStringLiteral("COM7"));

    portNames.clear();
    form->portChoice->showPopup();
    form->portChoice->hidePopup();
    EXPECT_EQ(form->portChoice->count(), 0);
    EXPECT_EQ(form->sink(ProgressRole::Configuration).portName(), QStringLiteral("COM7"));
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

TEST_F(MainWindowTest, ButtonsPressedDuringAnUpdateReachNoDevice) {
    clock = std::make_shared<test::AnsweringClock>();
    auto form = make({QStringLiteral("-p")});
    form->productionPage()->automaticMode->setChecked(false);
    const QString image = dir.filePath(QStringLiteral("update.dwl"));
    test::writeFileBytes(image, QByteArray(300, 'x'));
    form->firmwareUpdatePage()->firmwareFile->setText(image);
    form->portChoice->setEditText(QStringLiteral("COM3"));
    // In the update's first pause, another port is typed and every device
    // button pressed.
    bool pressed = false;
    QTimer::singleShot(0, form.get(), [&] {
        pressed = true;
        form->portChoice->setEditText(QStringLiteral("COM1"));
        test::pressEveryDeviceButton(*form);
    });
    form->firmwareUpdatePage()->writeFirmwareButton->click();
    ASSERT_TRUE(pressed);
    const std::string com3 = devicePathForPortName("COM3");
    for (const auto& call : ports->port().calls())
        if (call.op == ScriptedSerialPort::Op::Open) {
            EXPECT_EQ(call.data, com3);
        }
    const std::string written = ports->port().written();
    std::size_t downloads = 0;
    for (std::size_t at = written.find("AT+WDWL"); at != std::string::npos; at = written.find("AT+WDWL", at + 1))
        ++downloads;
    EXPECT_EQ(downloads, 1u);
    EXPECT_TRUE(dialogs->boxes.empty()) << dialogs->texts().join('\n').toStdString();

    // Once the update has ended, the next press is an operation of its own.
    form->configurationPage()->resetControllerButton->click();
    EXPECT_EQ(ports->port().lastPath(), devicePathForPortName("COM1"));
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


}  // namespace
}  // namespace korvel
