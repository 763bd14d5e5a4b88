// The three production images (boot loader, module firmware, application):
// their fixed names in the firmware folder and the folder search.
#pragma once

#include <QString>
#include <array>
#include <optional>

#include "device_link/operation_sink.h"

namespace korvel {

// A production image that is not in the firmware folder.
namespace box {
inline constexpr Box FolderFileMissing{"folder file missing"};
}  // namespace box

enum class ImageKind { BootLoader, ModuleFirmware, Application };

// The name searched for in the firmware folder: the folder text as it stands,
// then the platform's separator (added even after a folder ending with one),
// then the fixed name; the module firmware's name carries the module type.
QString imageFileInFolder(const QString& folder, ImageKind kind, const QString& moduleType);

// Can the file be opened for reading?  A file another program holds for
// itself (an exclusive lock on POSIX; open for writing, or without letting
// others read, on Windows) counts as missing; readers never exclude each other.
// Throws nothing; tests substitute their own.
class FileProbe {
public:
    virtual ~FileProbe() = default;
    virtual bool canOpen(const QString& path) = 0;
};
// The platform's probe (per-platform file).
FileProbe& systemFileProbe();

// The search of "Открыть файлы прошивки": three independent probes in the
// order boot loader, module firmware, application; a file that can't be
// opened raises the folder-file-missing box and leaves its field alone.  Returns the new text of each field that changes.
std::array<std::optional<QString>, 3> searchFirmwareFolder(OperationSink& sink, FileProbe& probe,
                                                           const QString& folder,
                                                           const QString& moduleType);

}  // namespace korvel
