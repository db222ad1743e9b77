// The legacy settings file's parser on any bytes.
#include "settings/LegacyIniFile.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t size) {
    ParseLegacyIniFile(std::string_view(reinterpret_cast<const char*>(pData), size));
    return 0;
}
