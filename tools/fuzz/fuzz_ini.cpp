// The settings file reader and writer: whatever is read writes back to a file
// that reads to the same values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "configuration/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const korvel::IniFile first = korvel::IniFile::fromBytes(bytes);
    const QByteArray written = first.toBytes();
    const korvel::IniFile second = korvel::IniFile::fromBytes(written);
    if (second.toBytes() != written) std::abort();
    return 0;
}
