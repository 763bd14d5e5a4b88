#include "firmware/firmware_image.h"

#include <QFile>
#include <new>

namespace korvel {

ImageLoad loadImage(const QString& path, QByteArray& image) {
    image.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return ImageLoad::Unreadable;
    const qint64 length = file.size();
    if (length < 0) return ImageLoad::Unreadable;
    if (length > kLargestImageBytes) return ImageLoad::Failed;
    try {
        image.resize(static_cast<qsizetype>(length));
    } catch (const std::bad_alloc&) {
        image.clear();
        return ImageLoad::Failed;
    }
    const qint64 got = length == 0 ? 0 : file.read(image.data(), length);
    if (got <= 0) {
        image.clear();
        return ImageLoad::Unreadable;
    }
    image.resize(static_cast<qsizetype>(got));
    return ImageLoad::Loaded;
}

}  // namespace korvel
