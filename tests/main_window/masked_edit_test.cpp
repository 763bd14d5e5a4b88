#include "main_window/masked_edit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

namespace korvel {
namespace {

TEST(MaskedEdit, UntouchedFieldsHaveTheirFullWidth) {
    EXPECT_EQ(MaskedEdit(QStringLiteral("##########;1;_")).value(), QString(10, u' '));
    MaskedEdit ip(QStringLiteral("###\\.###\\.###\\.###;1;"));
    EXPECT_EQ(ip.value(), QStringLiteral("   .   .   .   "));
    EXPECT_EQ(ip.displayText(), QStringLiteral("   .   .   .   ")) << "no placeholders at rest";
}

TEST(MaskedEdit, ProgramSetTextKeepsEveryCharacterInItsPosition) {
    MaskedEdit ip(QStringLiteral("###\\.###\\.###\\.###;1;"));
    ip.setValue(QStringLiteral("10.0.0.1"));
    EXPECT_EQ(ip.value(), QStringLiteral("10 .0  .0  .1  "));

    MaskedEdit tel(QStringLiteral("##########;1;_"));
    tel.setValue(QStringLiteral("1 3"));
    EXPECT_EQ(tel.value(), QStringLiteral("1 3       "));
    tel.setValue(QStringLiteral("  12345678"));  // as a hand-typed value is saved
    EXPECT_EQ(tel.value(), QStringLiteral("  12345678"));

    // Required digits keep blanks in place as well.
    MaskedEdit serial(QStringLiteral("!00000000;1;_"));
    serial.setValue(QStringLiteral("1 3"));
    EXPECT_EQ(serial.value(), QStringLiteral("1 3     "));
}

TEST(MaskedEdit, TypedDigitsFillFromTheLeft) {
    MaskedEdit pin(QStringLiteral("####;1;_"));
    pin.home(false);
    QTest::keyClicks(&pin, QStringLiteral("12"));
    EXPECT_EQ(pin.value(), QStringLiteral("12  "));
    EXPECT_EQ(pin.displayText(), QStringLiteral("12  "));
    QTest::keyClicks(&pin, QStringLiteral("a9"));  // letters are refused
    EXPECT_EQ(pin.value(), QStringLiteral("129 "));
}

// "_" marks the empty positions only while the field is being edited; the
// value and the cursor stay as they were across the switch.
TEST(MaskedEdit, PlaceholdersShowOnlyWhileEditing) {
    QWidget window;
    MaskedEdit ip(QStringLiteral("###\\.###\\.###\\.###;1;"), &window);
    QLineEdit other(&window);
    ip.setValue(QStringLiteral("10.0.0.1"));
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    ip.setFocus(Qt::TabFocusReason);
    EXPECT_EQ(ip.displayText(), QStringLiteral("10_.0__.0__.1__"));
    ip.setCursorPosition(2);
    QTest::keyClicks(&ip, QStringLiteral("5"));
    EXPECT_EQ(ip.value(), QStringLiteral("105.0  .0  .1  "));
    ip.setValue(QStringLiteral("1.2.3.4"));
    EXPECT_EQ(ip.displayText(), QStringLiteral("1__.2__.3__.4__"));

    other.setFocus(Qt::TabFocusReason);
    EXPECT_EQ(ip.displayText(), QStringLiteral("1  .2  .3  .4  "));
    EXPECT_EQ(ip.value(), QStringLiteral("1  .2  .3  .4  "));
    ip.setValue(QStringLiteral("7"));
    EXPECT_EQ(ip.displayText(), QStringLiteral("7  .   .   .   "));
}

TEST(MaskedEdit, WithoutMaskItIsFreeTextAndANewMaskStartsEmpty) {
    MaskedEdit edit;
    edit.setValue(QStringLiteral(" any text "));
    EXPECT_EQ(edit.value(), QStringLiteral(" any text "));
    edit.setEditMask(QStringLiteral("#####;1;"));
    EXPECT_EQ(edit.editMask(), QStringLiteral("#####;1;"));
    EXPECT_EQ(edit.value(), QString(5, u' '));
    edit.setEditMask(QString());
    EXPECT_EQ(edit.value(), QString());
}

}  // namespace
}  // namespace korvel
