#include "main_window/file_version.h"

#include <windows.h>

#include <vector>

namespace korvel {

// The FileVersion string of the executable's Russian (1251) version block.
QString executableFileVersion() {
    char path[MAX_PATH] = {};
    if (GetModuleFileNameA(nullptr, path, MAX_PATH) == 0) return {};
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0) return {};
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(path, 0, size, data.data())) return {};
    char* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data.data(), "\\StringFileInfo\\041904E3\\FileVersion",
                        reinterpret_cast<void**>(&value), &length) ||
        value == nullptr || length == 0)
        return {};
    return QString::fromLocal8Bit(value, int(qstrnlen(value, length))).trimmed();
}

}  // namespace korvel
