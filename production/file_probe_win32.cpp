// Windows: the file is opened for reading without sharing, so a file another
// program holds open counts as missing.
#include <windows.h>

#include "firmware_files.h"

namespace korvel {

namespace {
class Win32FileProbe : public FileProbe {
public:
    bool canOpen(const QString& path) override {
        const HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(path.utf16()), GENERIC_READ, 0,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
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
