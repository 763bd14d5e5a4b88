// A firmware image file read whole into memory before the transfer starts.
#pragma once

#include <QByteArray>
#include <QString>

namespace korvel {

// No module's flash holds more than this; a larger file is not an image and
// is never read into memory.
constexpr qint64 kLargestImageBytes = 64 * 1024 * 1024;

enum class ImageLoad {
    Loaded,      // `image` holds the whole file (possibly empty)
    Unreadable,  // can't be opened or read: no message, nothing is sent
    Failed,      // too large, or memory ran out: the "File Error" box
};

ImageLoad loadImage(const QString& path, QByteArray& image);

}  // namespace korvel
