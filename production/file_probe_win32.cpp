// Windows: the file is opened for reading, sharing it with other readers
// only.  The open fails while another program holds the file open for
// writing, or holds it without letting others read, and the file then counts
// as missing; readers, this program's own threads and processes among them,
// never exclude each other.
#include <windows.h>

#include "production/firmware_files.h"

namespace korvel {

namespace {
class Win32FileProbe : public FileProbe {
public:
    bool canOpen(const QString& path) override {
        const HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(path.utf16()), GENERIC_READ,
                                     FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        CloseHandle(h);
        return true;
    }
};
}  // namespace

FileProbe& systemFileProbe() {
    static Win32FileProbe probe;
    return probe;
}

}  // namespace korvel
