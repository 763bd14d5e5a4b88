#include <QApplication>
#include <QStyleFactory>

#include "main_window/application_style.h"

namespace korvel {

// Qt's built-in "Windows" style draws group captions on the frame line, as
// the layout assumes; the default style here would put them above the frame.
void applyApplicationStyle() {
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Windows")))
        QApplication::setStyle(style);
}

}  // namespace korvel
