#include "production/firmware_files.h"

#include <QDir>
#include <exception>

namespace korvel {

QString imageFileInFolder(const QString& folder, ImageKind kind, const QString& moduleType) {
    const QString separator = QDir::separator();
    switch (kind) {
        case ImageKind::BootLoader:
            return folder + separator + QStringLiteral("dwl.dwl");
        case ImageKind::ModuleFirmware:
            return folder + separator + QStringLiteral("firmware_") + moduleType +
                   QStringLiteral(".dwl");
        case ImageKind::Application:
            return folder + separator + QStringLiteral("KORVEL.dwl");
    }
    return QString();
}

std::array<std::optional<QString>, 3> searchFirmwareFolder(OperationSink& sink, FileProbe& probe,
                                                           const QString& folder,
                                                           const QString& moduleType) {
    std::array<std::optional<QString>, 3> found;
    const ImageKind kinds[3] = {ImageKind::BootLoader, ImageKind::ModuleFirmware,
                                ImageKind::Application};
    for (int i = 0; i < 3; ++i) {
        try {
            const QString path = imageFileInFolder(folder, kinds[i], moduleType);
            if (probe.canOpen(path))
                found[i] = path;
            else
                sink.box(box::FolderFileMissing);
        } catch (const std::exception&) {
            sink.box(box::ImageFileError);
        }
    }
    return found;
}

}  // namespace korvel
