// Date text under every format: never a read outside the text, and every date read is a real
// day of the range that reads back from its own text.
#include "metastock/Dates.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t size) {
    // An exact-size copy so that the sanitizer sees any read past the text.
    char* pText = static_cast<char*>(std::malloc(size == 0 ? 1 : size));
    std::copy(pData, pData + size, pText);
    const std::string_view text(pText, size);
    for (int nNumber = 1; nNumber <= kDateFormatCount; ++nNumber) {
        const EDateFormat format = *DateFormatOfNumber(nNumber);
        const SDateReading reading = ReadDateText(text, format);
        if (reading.fault != EDateFault::None) {
            if (DateFaultText(reading, format).empty()) {
                std::abort();
            }
            continue;
        }
        const SDate date = DateOfValue(reading.nValue);
        if (DateValueOf(date.nYear, date.nMonth, date.nDay) != reading.nValue ||
            ReadDateText(DateValueText(reading.nValue), EDateFormat::CCYY_MM_DD).nValue != reading.nValue) {
            std::abort();
        }
    }
    std::free(pText);
    return 0;
}
