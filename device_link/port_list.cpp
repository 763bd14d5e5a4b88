#include "device_link/port_list.h"

#include <algorithm>

namespace korvel {

QStringList sortedPortList(QStringList names) {
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    return names;
}

}  // namespace korvel
