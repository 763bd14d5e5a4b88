// The real window against the device simulator over a pseudo-terminal: the
// reset button, and a configuration filled in by hand, written, and read back
// into a fresh window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QToolButton>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include "main_window/configuration_page.h"
#include "main_window/firmware_update_page.h"
#include "main_window/main_window.h"
#include "main_window/port_choice_box.h"
#include "main_window/production_page.h"
#include "main_window/gauge_widget.h"
#include "main_window/masked_edit.h"
#include "recording_dialogs.h"
#include "simulator_process.h"
#include "main_window/string_grid.h"

namespace korvel {
namespace {

using test::RecordingDialogs;
using test::SimulatorProcess;

class DeviceWindowTest : public ::testing::Test {
protected:
    std::unique_ptr<MainWindow> make(const QString& port) {
        MainWindowServices services;
        services.dialogs = dialogs;
        services.portSource = [] { return QStringList{}; };
        services.settingsPath = dir.filePath(QStringLiteral("korvel%1.INI").arg(windows++));
        auto form = std::make_unique<MainWindow>(QStringList{}, services);
        form->portChoice->setEditText(port);
        form->show();
        QApplication::setActiveWindow(form.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
        return form;
    }
    static bool buttonsEnabled(MainWindow& f) {
        return f.configurationPage()->writeConfigurationButton->isEnabled() && f.configurationPage()->readConfigurationButton->isEnabled() && f.configurationPage()->resetControllerButton->isEnabled();
    }
    // Key presses with the text of each character, Cyrillic included.
    static void keys(QWidget* w, const QString& text) {
        for (const QChar c : text) {
            QTest::sendKeyEvent(QTest::Press, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
    // Types into a grid cell as a user does: move there, type, press Enter.
    static void typeCell(StringGrid* grid, int column, int row, const QString& text) {
        grid->setFocus();
        grid->setCurrentCellAt(column, row);
        keys(grid->viewport(), text.left(1));
        QWidget* editor = QApplication::focusWidget();
        ASSERT_NE(editor, grid);
        keys(editor, text.mid(1));
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();  // the editor commits on a queued call
    }

    QTemporaryDir dir;
    int windows = 0;
    std::shared_ptr<RecordingDialogs> dialogs = std::make_shared<RecordingDialogs>();
};

TEST_F(DeviceWindowTest, ResetRestartsTheModuleAndReleasesThePort) {
    SimulatorProcess sim({"--restart-ms", "100"});
    ASSERT_TRUE(sim.ready());
    auto form = make(sim.port());
    QTest::mouseClick(form->configurationPage()->resetControllerButton, Qt::LeftButton);
    EXPECT_EQ(sim.waitForReceived(11), QByteArray("AT+CFUN=1\r\n"));
    EXPECT_TRUE(buttonsEnabled(*form));
    QTest::mouseClick(form->configurationPage()->resetControllerButton, Qt::LeftButton);
    EXPECT_EQ(sim.waitForReceived(22), QByteArray("AT+CFUN=1\r\nAT+CFUN=1\r\n"));
    EXPECT_TRUE(dialogs->boxes.empty());
    EXPECT_TRUE(buttonsEnabled(*form));
}

// Everything the configuration holds, typed in by hand, survives a write and
// a read into a fresh window.
class RoundTripTest : public DeviceWindowTest, public ::testing::WithParamInterface<bool> {
protected:
    static void typeInto(QWidget* field, const QString& text) {
        field->setFocus();
        if (auto* edit = qobject_cast<QLineEdit*>(field)) edit->selectAll();
        keys(field, text);
    }
    static void openSelector(MainWindow& w, int row) {
        StringGrid* grid = w.configurationPage()->meterTable;
        grid->setFocus();
        grid->setCurrentCellAt(1, row);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {},
                           grid->cellRect(1, row).center() - grid->viewport()->pos());
        ASSERT_TRUE(w.configurationPage()->meterTypeChoice->isVisible());
    }
    void fillByHand(MainWindow& w) {
        typeInto(w.configurationPage()->simTelephone, "9161234567");
        typeInto(w.configurationPage()->simPin, "12");
        typeInto(w.configurationPage()->gprsAccessPoint, "internet.mts.ru");
        typeInto(w.configurationPage()->gprsLogin, "mts");
        typeInto(w.configurationPage()->gprsPassword, "пароль");
        typeInto(w.configurationPage()->balanceUssd, "*100#");
        typeInto(w.configurationPage()->balancePeriod, "60");
        typeInto(w.configurationPage()->balanceThreshold, "50");
        typeInto(w.configurationPage()->balanceAlarmTelephone, "9035550000");
        typeInto(w.configurationPage()->smsPassword, "4321");
        typeInto(w.configurationPage()->rs485Speed->lineEdit(), "9600");
        w.configurationPage()->gprs2Enabled->setFocus();
        QTest::keyClick(w.configurationPage()->gprs2Enabled, Qt::Key_Space);
        typeInto(w.configurationPage()->gprs2Period, "30");
        w.configurationPage()->gprs2Server->setFocus();
        QTest::keyClick(w.configurationPage()->gprs2Server, Qt::Key_Up);
        w.configurationPage()->gprs3Enabled->setFocus();
        QTest::keyClick(w.configurationPage()->gprs3Enabled, Qt::Key_Space);
        typeInto(w.configurationPage()->gprs3Address, "010000000001");
        typeInto(w.configurationPage()->gprs3Port, "502");

        typeCell(w.configurationPage()->serverTable, 1, 1, "4951112233");
        typeCell(w.configurationPage()->serverTable, 2, 1, "192168001200");
        typeCell(w.configurationPage()->serverTable, 3, 1, "502");
        typeCell(w.configurationPage()->serverTable, 4, 1, "main server");
        typeCell(w.configurationPage()->serverTable, 1, 3, "4953334455");
        typeCell(w.configurationPage()->serverTable, 4, 3, "резерв");

        openSelector(w, 4);
        QTest::keyClick(w.configurationPage()->meterTypeChoice, Qt::Key_Down);  // "КВАРН", chosen at once
        typeCell(w.configurationPage()->meterTable, 2, 4, "17");
        openSelector(w, 7);
        typeInto(w.configurationPage()->meterTypeChoice->lineEdit(), "ОРТИС-12");
        QTest::mouseClick(w.configurationPage()->balanceUssd, Qt::LeftButton);  // leaving writes the cell
        typeCell(w.configurationPage()->meterTable, 2, 7, "3");

        typeCell(w.configurationPage()->alarmNumberTable, 1, 2, "9267778899");
    }
};

TEST_P(RoundTripTest, WrittenConfigurationReadsBackIntoAFreshWindow) {
    SimulatorProcess sim(GetParam() ? QStringList{} : QStringList{"--no-echo"});
    ASSERT_TRUE(sim.ready());
    auto written = make(sim.port());
    MainWindow& w = *written;
    fillByHand(w);
    EXPECT_FALSE(w.configurationPage()->meterTypeChoice->isVisible());
    EXPECT_EQ(w.configForm().cell(FormGrid::Meters, 1, 4), "КВАРН");
    EXPECT_EQ(w.configForm().cell(FormGrid::Meters, 1, 7), "ОРТИС-12");
    EXPECT_EQ(w.configForm().text(FormField::SimPin), "12  ");
    EXPECT_TRUE(w.configForm().isChecked(FormCheck::Gprs2Enabled));
    EXPECT_TRUE(w.configForm().isChecked(FormCheck::Gprs3Enabled));
    EXPECT_EQ(w.configForm().gprs2Server(), 2);

    QTest::mouseClick(w.configurationPage()->writeConfigurationButton, Qt::LeftButton);
    ASSERT_TRUE(dialogs->boxes.empty()) << w.configurationPage()->configurationLog->toPlainText().toStdString();
    EXPECT_TRUE(w.configurationPage()->configurationLog->toPlainText().contains("Конфигурация сохранена."));
    EXPECT_TRUE(w.configurationPage()->configurationLog->toPlainText().contains("Режим конфигурирования выключен."));
    EXPECT_FALSE(w.configurationPage()->configurationProgress->isVisible());
    EXPECT_TRUE(buttonsEnabled(w));

    auto fresh = make(sim.port());
    MainWindow& r = *fresh;
    QTest::mouseClick(r.configurationPage()->readConfigurationButton, Qt::LeftButton);
    ASSERT_TRUE(dialogs->boxes.empty()) << dialogs->boxes[0].text.toStdString();
    EXPECT_EQ(r.statusLine->text(), " Конфигурация прочитана");
    EXPECT_TRUE(buttonsEnabled(r));

    for (FormField f : {FormField::SimTelephone, FormField::SimPin, FormField::GprsAccessPoint,
                        FormField::GprsLogin, FormField::GprsPassword, FormField::Gprs2Period,
                        FormField::Gprs3Address, FormField::Gprs3Port,
                        FormField::BalanceUssd, FormField::BalancePeriod, FormField::BalanceThreshold,
                        FormField::BalanceAlarmTelephone, FormField::SmsPassword, FormField::Rs485Speed})
        EXPECT_EQ(r.configForm().text(f), w.configForm().text(f)) << "field " << static_cast<int>(f);
    EXPECT_TRUE(r.configForm().isChecked(FormCheck::Gprs2Enabled));
    EXPECT_TRUE(r.configForm().isChecked(FormCheck::Gprs3Enabled));
    EXPECT_EQ(r.configForm().gprs2Server(), 2);
    const struct { FormGrid grid; int columns, rows; } grids[] = {
        {FormGrid::Servers, 5, 6}, {FormGrid::Meters, 3, 33}, {FormGrid::AlarmNumbers, 2, 3}};
    for (const auto& g : grids)
        for (int row = 1; row < g.rows; ++row)
            for (int col = 1; col < g.columns; ++col)
                // A meter row not in use is written as type 0, address 0.
                EXPECT_EQ(r.configForm().cell(g.grid, col, row),
                          g.grid == FormGrid::Meters && col == 2 &&
                                  w.configForm().cell(g.grid, 1, row).isEmpty()
                              ? QStringLiteral("0")
                              : w.configForm().cell(g.grid, col, row))
                    << "grid " << static_cast<int>(g.grid) << " cell " << col << "," << row;
    EXPECT_EQ(r.configForm().cell(FormGrid::Servers, 4, 1), "main server");
    EXPECT_FALSE(r.configForm().text(FormField::SoftwareVersion).isEmpty());  // software version
    EXPECT_EQ(r.configForm().text(FormField::DeviceTime).size(), 8);
}

INSTANTIATE_TEST_SUITE_P(EchoAndNoEcho, RoundTripTest, ::testing::Bool());

}  // namespace
}  // namespace korvel
