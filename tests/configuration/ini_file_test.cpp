#include "configuration/ini_file.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

TEST(IniFile, ReadsByWindowsProfileRules) {
    const IniFile ini = IniFile::fromBytes(
        "; comment\n[config]\r\n  pin =  1234  \r\nEMPTY=\nNOEQUALS\n[Other]\nPIN=9\n"
        "[CONFIG]\nTEL=second section ignored\n");
    EXPECT_EQ(ini.readString("Config", "PIN"), "1234");
    EXPECT_EQ(ini.readString("CONFIG", "Pin"), "1234");
    EXPECT_EQ(ini.readString("Config", "EMPTY", "dflt"), "");
    EXPECT_EQ(ini.readString("Config", "NOEQUALS", "dflt"), "dflt");
    EXPECT_EQ(ini.readString("Config", "TEL", "dflt"), "dflt");
    EXPECT_EQ(ini.readString("Missing", "PIN", "dflt"), "dflt");
    EXPECT_EQ(ini.readString("Other", "PIN"), "9");
}

TEST(IniFile, ValueKeepsTextAfterFirstEqualsAndIsCutAt2047) {
    const QByteArray longValue(3000, 'x');
    const IniFile ini = IniFile::fromBytes("[S]\nA=b=c\nLONG=" + longValue + "\n");
    EXPECT_EQ(ini.readString("S", "A"), "b=c");
    EXPECT_EQ(ini.readString("S", "LONG").size(), 2047);
}

TEST(IniFile, IntegersDecimalOrHexElseDefault) {
    const IniFile ini = IniFile::fromBytes(
        "[S]\nD=42\nN=-7\nH=0x1E\nHU=0X1e\nA=abc\nP=12abc\nE=\nX=0x\nG=0xfg\nBIG=99999999999\n");
    EXPECT_EQ(ini.readInt("S", "D", 1), 42);
    EXPECT_EQ(ini.readInt("S", "N", 1), -7);
    EXPECT_EQ(ini.readInt("S", "H", 1), 30);
    EXPECT_EQ(ini.readInt("S", "HU", 1), 30);
    for (const char* key : {"A", "P", "E", "X", "G", "BIG", "MISSING"}) {
        EXPECT_EQ(ini.readInt("S", key, 10), 10) << key;
    }
}

TEST(IniFile, WritePlacesKeysAndSectionsLikeTheProfileFunctions) {
    IniFile ini = IniFile::fromBytes(
        "; settings\r\n[Config]\r\nPin = 1\r\nX=unknown\r\n; about next\r\n\r\n[Keep]\r\nK=v\r\n");
    ini.writeString("CONFIG", "PIN", "2");    // replaced in place, file's spelling kept
    ini.writeString("config", "TEL", "555");  // appended after the section's last key
    ini.writeString("New", "A", "1");         // new section at the end
    ini.writeString("New", "B", "2");
    EXPECT_EQ(ini.toBytes(),
              "; settings\r\n[Config]\r\nPin=2\r\nX=unknown\r\nTEL=555\r\n; about next\r\n\r\n"
              "[Keep]\r\nK=v\r\n[New]\r\nA=1\r\nB=2\r\n");
}

TEST(IniFile, LineThatAlreadyReadsAsTheValueIsLeftAsItStands) {
    const QByteArray longValue(5000, 'a');
    IniFile ini = IniFile::fromBytes("[S]\r\nLONG=" + longValue + "\r\nPAD =  v  \r\nOLD=1\r\n");
    // The program saw only the first 2047 characters; writing them back
    // must not cut the stored value down to them.
    ini.writeString("S", "LONG", ini.readString("S", "LONG"));
    ini.writeString("S", "PAD", "v");
    ini.writeString("S", "OLD", "2");
    EXPECT_EQ(ini.toBytes(), "[S]\r\nLONG=" + longValue + "\r\nPAD =  v  \r\nOLD=2\r\n");
    ini.writeString("S", "LONG", "short");
    EXPECT_EQ(ini.readString("S", "LONG"), QStringLiteral("short"));
}

TEST(IniFile, EmptyDocumentAndSectionWithoutKeys) {
    IniFile ini;
    ini.writeString("A", "K", "v");
    EXPECT_EQ(ini.toBytes(), "[A]\r\nK=v\r\n");

    IniFile bare = IniFile::fromBytes("[A]\n; only a note\n[B]\n");
    bare.writeString("A", "K", "v");
    EXPECT_EQ(bare.toBytes(), "[A]\r\nK=v\r\n; only a note\r\n[B]\r\n");
}

TEST(IniFile, UntouchedLinesKeepTheirBytesAndValuesCannotAddLines) {
    // 0x98 has no character in Windows-1251: the line must still come back as is.
    const QByteArray odd = "[S]\r\nRAW=\x98\xff\r\n";
    IniFile ini = IniFile::fromBytes(odd);
    EXPECT_EQ(ini.toBytes(), odd);

    ini.writeString("S", "V", QStringLiteral("a\r\n[Injected]\nK=1"));
    EXPECT_EQ(ini.readString("S", "V"), QStringLiteral("a  [Injected] K=1"));
    EXPECT_FALSE(ini.hasKey("Injected", "K"));
    // Values go in and come out in Windows-1251.
    const QString word = QStringLiteral("Счётчик");
    ini.writeString("S", "C", word);
    EXPECT_TRUE(ini.toBytes().endsWith("C=\xD1\xF7\xB8\xF2\xF7\xE8\xEA\r\n"));
    EXPECT_EQ(IniFile::fromBytes(ini.toBytes()).readString("S", "C"), word);
}

}  // namespace
}  // namespace korvel
