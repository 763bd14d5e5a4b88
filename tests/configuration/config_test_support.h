// Shared pieces of the configuration tests: a form with the row numbers the
// window gives its tables, and a port connection rig over the scripted port.
#pragma once

#include <QString>
#include <QStringList>
#include <string>

#include "configuration/memory_config_form.h"
#include "device_link/text_codec.h"
#include "scripted_rig.h"

namespace korvel::test {

inline const std::string kOk = "\r\nOK\r\n";
inline const std::string kLongRefusal = "\r\nERROR\r\n";  // 9 bytes
inline const std::string kShortRefusal = "\r\nNO\r\n";    // 6 bytes

// The row-number column as the window fills it at start.
inline void numberRows(MemoryConfigForm& form) {
    for (int r = 1; r <= 5; ++r) form.setCell(FormGrid::Servers, 0, r, QString::number(r));
    for (int r = 1; r <= 32; ++r) form.setCell(FormGrid::Meters, 0, r, QString::number(r));
    for (int r = 1; r <= 2; ++r) form.setCell(FormGrid::AlarmNumbers, 0, r, QString::number(r));
}

struct Rig : ScriptedRig {
    MemoryConfigForm form;

    Rig() { numberRows(form); }
    RecordingGauge& gauge() { return host.gauge; }

    void ok(int times = 1) {
        for (int i = 0; i < times; ++i) port().queueRead(kOk);
    }
    // A refusal, then the silence that ends the drain of its rest.
    void refuse(const std::string& refusal) {
        port().queueRead(refusal);
        port().queueRead("");
    }

    // Every command line written, without its line end, in order.
    QStringList sentLines() {
        QStringList lines = fromDeviceBytes(QByteArray::fromStdString(port().written()))
                                .split(QStringLiteral("\r\n"));
        if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
        return lines;
    }

    // The state every path of an operation must leave behind.
    bool cleanEnd() {
        return !port().isOpen() && !port().dtr() && !host.portBusy && !gauge().isVisible();
    }
};

}  // namespace korvel::test
