// Closing the window while a transfer pumps messages: the close waits for the
// transfer to end, then the window closes and saves its settings.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "main_window/configuration_page.h"
#include "main_window/firmware_update_page.h"
#include "main_window/main_window.h"
#include "main_window/port_choice_box.h"
#include "main_window/production_page.h"
#include "recording_dialogs.h"
#include "recording_host.h"
#include "device_link/serial/scripted_serial_port.h"

namespace korvel {
namespace {

TEST(CloseDuringTransfer, WaitsForTheTransferThenSavesAndCloses) {
    QTemporaryDir dir;
    auto ports = std::make_shared<ScriptedPortFactory>();
    auto dialogs = std::make_shared<test::RecordingDialogs>();
    MainWindowServices services;
    services.ports = ports;
    services.clock = std::make_shared<test::AnsweringClock>();
    services.dialogs = dialogs;
    services.portSource = [] { return QStringList{}; };
    services.settingsPath = dir.filePath(QStringLiteral("korvel.INI"));
    auto form = std::make_unique<MainWindow>(QStringList{}, services);
    form->portChoice->setEditText(QStringLiteral("COM7"));
    form->show();

    const QString image = dir.filePath(QStringLiteral("image.dwl"));
    {
        QFile f(image);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(128 * 4, 'k'));
    }
    form->firmwareUpdatePage()->firmwareFile->setText(image);
    ports->port().queueRead(std::string(1, 0x15));
    for (int i = 0; i < 5; ++i) ports->port().queueRead(std::string(1, 0x06));

    // The user closes the window as soon as the update first lets it answer.
    bool visibleAfterCloseAsked = false;
    QTimer::singleShot(0, form.get(), [&] {
        form->close();
        visibleAfterCloseAsked = form->isVisible();
    });
    QTest::mouseClick(form->firmwareUpdatePage()->writeFirmwareButton, Qt::LeftButton);

    EXPECT_TRUE(visibleAfterCloseAsked);
    // The whole image went out: the close did not cut the transfer short.
    EXPECT_EQ(ports->port().writes().size(), 1u + 4u + 1u + 1u);  // WDWL, blocks, EOT, CFUN
    EXPECT_FALSE(QFile::exists(services.settingsPath));
    QCoreApplication::processEvents();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(QFile::exists(services.settingsPath));
    EXPECT_TRUE(dialogs->boxes.empty());
}

}  // namespace
}  // namespace korvel
