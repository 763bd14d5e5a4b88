// The real window, offscreen, with a scripted port, a fake clock, recorded
// dialogs and a settings file of its own: what the window tests share.
#pragma once

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

#include "main_window/configuration_page.h"
#include "main_window/firmware_update_page.h"
#include "main_window/main_window.h"
#include "main_window/port_choice_box.h"
#include "main_window/production_page.h"
#include "main_window/dialogs.h"
#include "main_window/gauge_widget.h"
#include "main_window/masked_edit.h"
#include "recording_dialogs.h"
#include "recording_host.h"
#include "device_link/serial/scripted_serial_port.h"
#include "main_window/string_grid.h"
#include "main_window/widget_names.h"
#include "main_window/window_config_form.h"

namespace korvel::test {

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
        services.portDescriptions = [this] { return portDescriptions; };
        services.settingsPath = settingsPath;
        services.productionStore = dir.filePath(QStringLiteral("station.sqlite"));
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
    QHash<QString, QString> portDescriptions;
    bool portSourceFails = false;
};


}  // namespace korvel::test
