// Every reply parser of the configuration read, on any bytes a device may send.
#include <cstddef>
#include <cstdint>

#include "configuration/config_parse.h"
#include "configuration/memory_config_form.h"
#include "device_link/text_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const int index = data[0] % korvel::kQueryCount;
    const QByteArray reply(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    korvel::MemoryConfigForm form;
    korvel::parseQueryReply(index, korvel::replyText(reply), form);
    return 0;
}
