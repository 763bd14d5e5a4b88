// The firmware folder check against another holder of the file: one that
// writes it, or reads it without letting others read, makes it missing; one
// that only reads and shares reading does not.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <windows.h>

#include "file_bytes.h"
#include "production/firmware_files.h"

namespace korvel {
namespace {

HANDLE holdFile(const QString& path, DWORD access, DWORD sharing) {
    return CreateFileW(reinterpret_cast<LPCWSTR>(path.utf16()), access, sharing, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(SystemFileProbe, FileHeldForWritingOrUnsharedCountsAsMissingSharedReaderDoesNot) {
    QTemporaryDir dir;
    const QString path = dir.filePath("KORVEL.dwl");
    test::writeFileBytes(path, QByteArray(5000, 'a'));

    struct Holder {
        DWORD access, sharing;
        bool found;
    } const rows[] = {
        {GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, false},  // a program writing it
        {GENERIC_READ, 0, false},                                    // a reader that shares nothing
        {GENERIC_READ, FILE_SHARE_READ, true},                       // another reader
    };
    for (const Holder& row : rows) {
        const HANDLE h = holdFile(path, row.access, row.sharing);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        EXPECT_EQ(systemFileProbe().canOpen(path), row.found) << row.access << " " << row.sharing;
        CloseHandle(h);
    }
    EXPECT_TRUE(systemFileProbe().canOpen(path));
}

}  // namespace
}  // namespace korvel
