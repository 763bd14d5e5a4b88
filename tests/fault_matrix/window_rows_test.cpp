// Rows of the fault matrix through the real window: the configuration page's
// buttons against a failing device, over a settings file with lines the
// program does not understand.  The window must end usable, say what
// happened, and keep the user's values, in the window and in the settings
// file written when it closes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <chrono>
#include <memory>

#include "main_window/configuration_page.h"
#include "main_window/main_window.h"
#include "main_window/port_choice_box.h"
#include "recording_dialogs.h"
#include "simulator_process.h"

namespace korvel::test {
namespace {

const QByteArray kSettings =
    "; kept by hand\r\n[Config]\r\nAPN=inet.example\r\nNOTE=not the program's\r\n";

struct WindowRow {
    std::string name;
    QStringList simulator;
    bool write;          // "Записать"; otherwise "Считать"
    int boundMs;
    QStringList boxes;   // texts of the message boxes, in order
    QString statusLine;  // what the status line shows at the end
};

void PrintTo(const WindowRow& row, std::ostream* out) { *out << row.name; }

const QString kSilent =
    QStringLiteral("Коммуникатор не отвечает. Проверьте подключение и выбранный COM-порт.");

std::vector<WindowRow> windowRows() {
    return {
        {"read_silent", {"--silent"}, false, 6500, {kSilent}, " Конфигурация не прочитана"},
        {"read_refused_CONFIG", {"--refuse", "AT+ZQCONFIG"}, false, 3000, {},
         " Конфигурация не прочитана"},
        {"read_vanishing", {"--vanish-after-lines", "3"}, false, 3500, {},
         " Конфигурация прочитана не полностью"},
        {"write_silent", {"--silent"}, true, 5500, {kSilent}, " Конфигурация не записана"},
        {"write_refused_PIN", {"--refuse", "AT+ZQPIN"}, true, 3500,
         {QStringLiteral("Ошибка конфигурирования!")}, " Конфигурация не записана"},
        {"write_vanishing", {"--vanish-after-lines", "4"}, true, 3500, {},
         " Конфигурация не записана"},
    };
}

class WindowFaults : public ::testing::TestWithParam<WindowRow> {
protected:
    std::unique_ptr<MainWindow> make(const QString& port) {
        QFile file(settings);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kSettings);
        file.close();
        MainWindowServices services;
        services.dialogs = dialogs;
        services.portSource = [] { return QStringList{}; };
        services.settingsPath = settings;
        auto window = std::make_unique<MainWindow>(QStringList{}, services);
        window->portChoice->setEditText(port);
        window->show();
        return window;
    }

    QTemporaryDir dir;
    QString settings = dir.filePath(QStringLiteral("korvel.INI"));
    std::shared_ptr<RecordingDialogs> dialogs = std::make_shared<RecordingDialogs>();
};

TEST_P(WindowFaults, WindowEndsUsableSaysWhatHappenedAndKeepsTheValues) {
    const WindowRow& row = GetParam();
    SimulatorProcess sim(row.simulator);
    ASSERT_TRUE(sim.ready());
    auto window = make(sim.port());
    ConfigurationPage& page = *window->configurationPage();
    ASSERT_EQ(page.gprsAccessPoint->text(), QStringLiteral("inet.example"));

    const auto start = std::chrono::steady_clock::now();
    QTest::mouseClick(row.write ? page.writeConfigurationButton : page.readConfigurationButton,
                      Qt::LeftButton);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    EXPECT_LE(ms, row.boundMs);
    EXPECT_EQ(dialogs->texts(), row.boxes);
    EXPECT_EQ(window->statusLine->text(), row.statusLine);
    EXPECT_TRUE(page.writeConfigurationButton->isEnabled());
    EXPECT_TRUE(page.readConfigurationButton->isEnabled());
    EXPECT_TRUE(page.resetControllerButton->isEnabled());
    EXPECT_EQ(page.gprsAccessPoint->text(), QStringLiteral("inet.example"));

    // Closing saves: the user's value and the lines the program does not
    // know are still in the file.
    window->close();
    QFile file(settings);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    EXPECT_TRUE(saved.startsWith(kSettings)) << saved.left(200).toStdString();
    EXPECT_EQ(dialogs->texts(), row.boxes);  // no box about the settings
}

INSTANTIATE_TEST_SUITE_P(Window, WindowFaults, ::testing::ValuesIn(windowRows()),
                         [](const ::testing::TestParamInfo<WindowRow>& info) {
                             return info.param.name;
                         });

}  // namespace
}  // namespace korvel::test
