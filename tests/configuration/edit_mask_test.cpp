#include "configuration/edit_mask.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

const QString kTel = QStringLiteral("##########;1;_");
const QString kIp = QStringLiteral("###\\.###\\.###\\.###;1;");

TEST(EditMask, EmptyValueHasBlanksAndLiteralsInPlace) {
    EXPECT_EQ(EditMask(kTel).emptyValue(), QString(10, u' '));
    EXPECT_EQ(EditMask(kIp).emptyValue(), QStringLiteral("   .   .   .   "));
    // An unescaped dot is a literal too; "!" takes no position.
    EXPECT_EQ(EditMask(QStringLiteral("###.###.###.###;1;")).emptyValue(),
              QStringLiteral("   .   .   .   "));
    EXPECT_EQ(EditMask(QStringLiteral("!00000000;1;_")).emptyValue(), QString(8, u' '));
    EXPECT_TRUE(EditMask(QString()).isEmpty());
}

TEST(EditMask, FitPlacesEachRunAtTheStartOfItsGroup) {
    const EditMask ip(kIp);
    EXPECT_EQ(ip.fit(QStringLiteral("10.0.0.1")), QStringLiteral("10 .0  .0  .1  "));
    EXPECT_EQ(ip.fit(QStringLiteral("192.168.1")), QStringLiteral("192.168.1  .   "));
    // A run longer than its group is cut; the next run still finds its group.
    EXPECT_EQ(ip.fit(QStringLiteral("1234.5")), QStringLiteral("123.5  .   .   "));
    // A full-width value fits onto itself, also when read back trimmed.
    EXPECT_EQ(ip.fit(QStringLiteral("10 .0  .0  .1  ")), QStringLiteral("10 .0  .0  .1  "));
    EXPECT_EQ(ip.fit(QStringLiteral("10 .0  .0  .1")), QStringLiteral("10 .0  .0  .1  "));

    const EditMask tel(kTel);
    EXPECT_EQ(tel.fit(QStringLiteral("123")), QStringLiteral("123       "));
    EXPECT_EQ(tel.fit(QStringLiteral("+79123456789")), QStringLiteral("+791234567"));
    // Characters a position does not take become blanks; blanks stay in place.
    EXPECT_EQ(tel.fit(QStringLiteral("1a3")), QStringLiteral("1 3       "));
}

TEST(EditMask, QtMaskUsesOptionalPositionsAndEscapesLiterals) {
    EXPECT_EQ(EditMask(kTel).toQtInputMask(), QStringLiteral("##########;_"));
    EXPECT_EQ(EditMask(kIp).toQtInputMask(), QStringLiteral("###.###.###.###;_"));
    EXPECT_EQ(EditMask(QStringLiteral("!00000000;1;_")).toQtInputMask(),
              QStringLiteral("00000000;_"));
    EXPECT_EQ(EditMask(QStringLiteral("(999)\\9#;1;_")).toQtInputMask(),
              QStringLiteral("(000)\\9#;_"));
    EXPECT_EQ(EditMask(QString()).toQtInputMask(), QString());
}

TEST(EditMask, WithoutSavedLiteralsTheValueHoldsPositionsOnly) {
    const EditMask noLiterals(QStringLiteral("##-##;0;_"));
    EXPECT_EQ(noLiterals.valueFromDisplay(QStringLiteral("1_-34")), QStringLiteral("1 34"));
    EXPECT_EQ(noLiterals.displayFromValue(QStringLiteral("1 34")), QStringLiteral("1_-34"));
}

}  // namespace
}  // namespace korvel
