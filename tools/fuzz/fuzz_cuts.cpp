// The identification and version cuts on any reply text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "production/module_operations.h"
#include "device_link/text_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text =
        korvel::replyText(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    const QString version = korvel::coreVersionFromIdentification(text);
    const QString type = korvel::moduleTypeFromIdentification(text);
    const QString application = korvel::applicationVersionFromReply(text);
    if (version.size() > text.size() || type.size() > text.size() || application.size() > 10)
        std::abort();
    if (type.contains(QChar(u' '))) std::abort();
    return 0;
}
