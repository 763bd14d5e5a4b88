// The window against its own tables (control names, configuration fields,
// manual steps) and its look: labels greying with their fields and clear of
// each other, the tab order.
#include "main_window_fixture.h"

namespace korvel {
namespace {

using test::MainWindowTest;
using test::RecordingDialogs;

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


}  // namespace
}  // namespace korvel
