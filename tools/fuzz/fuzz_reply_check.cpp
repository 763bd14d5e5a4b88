// The reply check and the refusal drain over the scripted port: any replies,
// cut anywhere, must neither crash nor hang the command step.
#include <cstddef>
#include <cstdint>

#include "device_link/at_dialogue.h"
#include "device_link/serial/scripted_serial_port.h"

namespace {
using korvel::NullGauge;
class NullHost : public korvel::OperationSink {
public:
    NullGauge g;
    QString portName() const override { return QStringLiteral("COM1"); }
    void status(korvel::Status, const QString&) override {}
    void box(korvel::Box, const korvel::Outcome&) override {}
    void configLog(const QString&) override {}
    void logNote(korvel::LogNote) override {}
    void settingRefused(korvel::Setting) override {}
    korvel::Gauge& progress() override { return g; }
    void portInUse(bool) override {}
    void processMessages() override {}
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    (void)korvel::replyCheck(QByteArray::fromStdString(bytes));
    korvel::ScriptedSerialPort port;
    port.open("fuzz");
    // Cut the input into chunks at every 0xFF byte: one chunk per read.
    std::size_t start = 0;
    for (std::size_t i = 0; i <= bytes.size(); ++i)
        if (i == bytes.size() || static_cast<unsigned char>(bytes[i]) == 0xFF) {
            port.queueRead(bytes.substr(start, i - start));
            start = i + 1;
        }
    NullHost host;
    korvel::AtDialogue at(port, host, korvel::Timeouts{500, 0, 1000, 0, 1000});
    at.echoTest();
    for (int i = 0; i < 4; ++i) at.commandStep({QByteArrayLiteral("AT+ZQPIN=1234\r\n")}, "x", &host.g);
    at.leaveConfigMode();
    return 0;
}
