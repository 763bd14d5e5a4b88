// The settings file under faults: start-up loads whatever the file holds
// without crashing and keeps what it can read; closing saves without
// destroying what it did not understand, or says that it could not save.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <functional>

#include "file_bytes.h"
#include "configuration/memory_config_form.h"
#include "configuration/settings_store.h"

namespace korvel::test {
namespace {

// Deterministic noise, zero bytes and all, without a line that could pass
// for a section or a key of the program's own.
QByteArray junk(int size, std::uint32_t seed) {
    QByteArray bytes(size, '\0');
    for (char& c : bytes) {
        seed = seed * 1664525u + 1013904223u;
        c = static_cast<char>(seed >> 24);
        if (c == '[' || c == '=') c = '#';
    }
    return bytes;
}

// The file's lines as the profile rules see them: split at LF, CR before it dropped.
QList<QByteArray> lines(const QByteArray& bytes) {
    QList<QByteArray> out = bytes.split('\n');
    if (!out.isEmpty() && out.last().isEmpty()) out.removeLast();
    for (QByteArray& line : out)
        if (line.endsWith('\r')) line.chop(1);
    return out;
}

// Every line of `before` is still in `after`, in the same order.
::testing::AssertionResult linesKept(const QByteArray& before, const QByteArray& after) {
    const QList<QByteArray> old = lines(before), now = lines(after);
    qsizetype at = 0;
    for (const QByteArray& line : old) {
        while (at < now.size() && now[at] != line) ++at;
        if (at == now.size())
            return ::testing::AssertionFailure()
                   << "line lost: " << line.left(60).toHex().toStdString();
        ++at;
    }
    return ::testing::AssertionSuccess();
}

struct SettingsRow {
    std::string name;
    QByteArray content;       // the file as it is found at start-up
    QString apn;              // what start-up must read for the access point
    int boundMs = 2000;       // load and save together
};

void PrintTo(const SettingsRow& row, std::ostream* out) { *out << row.name; }

std::vector<SettingsRow> settingsRows() {
    const QByteArray config = "[Config]\r\nAPN=inet.example\r\n";
    return {
        {"binary_junk", junk(64 * 1024, 1) + "\n" + config + junk(4096, 2), "inet.example"},
        {"ten_megabytes",
         QByteArray("[Notes]\r\n") + QByteArray("note=").append(QByteArray(99, 'n')).append("\r\n").repeated(100 * 1024) +
             config,
         "inet.example", 10000},
        {"one_megabyte_line", config + "NOTE=" + QByteArray(1024 * 1024, 'x') + "\r\n",
         "inet.example"},
        // A value longer than a read returns stays whole in the file.
        {"one_megabyte_value",
         "[Config]\r\nAPN=inet.example\r\nABOUT=" + QByteArray(1024 * 1024, 'a') + "\r\n",
         "inet.example"},
        {"undefined_windows_1251_byte", "[Config]\r\nAPN=inet\x98net\r\nLOGIN=\x98\r\n",
         QStringLiteral("inet\u0098net")},
        {"key_without_equals", "[Config]\r\nJUST A KEY\r\nAPN=inet.example\r\n",
         "inet.example"},
        // The first section of a name is the one read and written; the
        // second stays as it was.
        {"duplicate_sections",
         "[Config]\r\nAPN=first\r\n[Server]\r\nTEL1=1\r\n[Config]\r\nAPN=second\r\nLOGIN=dup\r\n",
         "first"},
        {"lone_line_ends", "[Config]\nAPN=inet.example\n\r\rjunk\r", "inet.example"},
    };
}

class SettingsFaults : public ::testing::TestWithParam<SettingsRow> {};

TEST_P(SettingsFaults, LoadKeepsWhatItCanReadAndSaveLosesNothing) {
    const SettingsRow& row = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("korvel.INI"));
    test::writeFileBytes(path, row.content);

    const auto start = std::chrono::steady_clock::now();
    MemoryConfigForm form;
    loadSettings(path, form);
    EXPECT_EQ(form.text(FormField::GprsAccessPoint), row.apn);
    EXPECT_EQ(form.text(FormField::SmsPassword), QStringLiteral("5729"));  // a default still comes

    // The user changes one field; closing saves.
    form.setText(FormField::BalanceUssd, QStringLiteral("*105#"));
    const SaveSettingsResult saved = saveSettings(path, form);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    EXPECT_LE(ms, row.boundMs);
    ASSERT_TRUE(saved.written) << saved.reason.toStdString();

    const QByteArray after = test::readFileBytes(path);
    EXPECT_TRUE(linesKept(row.content, after));
    MemoryConfigForm again;
    loadSettings(path, again);
    EXPECT_EQ(again.text(FormField::GprsAccessPoint), row.apn);
    EXPECT_EQ(again.text(FormField::BalanceUssd), QStringLiteral("*105#"));
}

INSTANTIATE_TEST_SUITE_P(Files, SettingsFaults, ::testing::ValuesIn(settingsRows()),
                         [](const ::testing::TestParamInfo<SettingsRow>& info) {
                             return info.param.name;
                         });

TEST(SettingsFaultsPlace, ReadOnlyFolderKeepsTheFileAndTheSaveSaysSo) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into a read-only folder all the same";
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/korvel.INI");
    const QByteArray content = "[Config]\r\nAPN=inet.example\r\n";
    test::writeFileBytes(path, content);
    ASSERT_EQ(chmod(QFile::encodeName(folder).constData(), 0555), 0);
    MemoryConfigForm form;
    loadSettings(path, form);
    EXPECT_EQ(form.text(FormField::GprsAccessPoint), QStringLiteral("inet.example"));
    form.setText(FormField::GprsAccessPoint, QStringLiteral("changed"));
    const SaveSettingsResult saved = saveSettings(path, form);
    chmod(QFile::encodeName(folder).constData(), 0755);
    EXPECT_FALSE(saved.written);
    EXPECT_FALSE(saved.reason.isEmpty());
    EXPECT_EQ(test::readFileBytes(path), content);
}

}  // namespace
}  // namespace korvel::test
