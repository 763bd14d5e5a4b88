// Every control of the window that would talk to a device, pressed page by
// page with real clicks, as a user would who does not wait for the running
// operation.
#pragma once

#include <QAbstractButton>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <utility>
#include <vector>

#include "main_window/configuration_page.h"
#include "main_window/firmware_update_page.h"
#include "main_window/main_window.h"
#include "main_window/production_page.h"

namespace korvel::test {

inline void pressEveryDeviceButton(MainWindow& w) {
    const ConfigurationPage& c = *w.configurationPage();
    const ProductionPage& p = *w.productionPage();
    const std::pair<QWidget*, std::vector<QAbstractButton*>> pages[] = {
        {w.configurationPage(),
         {c.writeConfigurationButton, c.readConfigurationButton, c.resetControllerButton}},
        {w.firmwareUpdatePage(), {w.firmwareUpdatePage()->writeFirmwareButton}},
        {w.productionPage(),
         {p.operationButton("Hw_Sw_Identification"), p.operationButton("Application_Delete"), p.writeBootLoaderButton,
          p.writeModuleFirmwareButton, p.writeApplicationButton, p.operationButton("Application_Start"),
          p.operationButton("Save_Serial_Number"), p.automaticWriteButton}},
    };
    QWidget* current = w.pages->currentWidget();
    for (const auto& [page, buttons] : pages) {
        w.pages->setCurrentWidget(page);
        for (QAbstractButton* b : buttons) QTest::mouseClick(b, Qt::LeftButton);
    }
    w.pages->setCurrentWidget(current);
}

}  // namespace korvel::test
