#include "main_window/button_images.h"

#include <QFile>
#include <QString>

// The images are linked in from a static library: nothing else refers to
// them, so they are registered by hand before their first use.
static void registerButtonImages() { Q_INIT_RESOURCE(button_images); }

namespace korvel {

QIcon buttonImage(ButtonImage image) {
    static const bool registered = (registerButtonImages(), true);
    (void)registered;
    const char* name = "start";
    switch (image) {
        case ButtonImage::Write:
            name = "write";
            break;
        case ButtonImage::Read:
            name = "read";
            break;
        case ButtonImage::Reset:
            name = "reset";
            break;
        case ButtonImage::Start:
            break;
    }
    const QString base = QStringLiteral(":/buttons/images/") + QLatin1String(name);
    QIcon icon;
    for (const char* size : {"-16.png", "-24.png", "-32.png"}) {
        const QString file = base + QLatin1String(size);
        if (QFile::exists(file)) icon.addFile(file);
    }
    return icon;
}

}  // namespace korvel
