// Checks a settings file before its configuration is sent to a device: every
// key must be one the window saves, and every value must survive the form's
// own rules unchanged.
#pragma once

#include <QString>
#include <QStringList>

namespace korvel::cli {

// Empty when the file is fit to be written; otherwise one message per fault,
// each naming its line ("строка 12: ...").
QStringList checkSettingsFile(const QString& path);

}  // namespace korvel::cli
