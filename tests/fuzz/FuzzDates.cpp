// Date text under every format: never a read outside the text, and every date read lies in
// the range the files hold and converts back to the same day.
#include "metastock/Dates.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t size) {
    // An exact-size copy so that the sanitizer sees any read past the text.
    char* pText = static_cast<char*>(std::malloc(size == 0 ? 1 : size));
    std::copy(pData, pData + size, pText);
    const std::string_view text(pText, size);
    for (std::int16_t format = -1; format <= 13; ++format) {
        const auto day = DateTextToDayNumber(text, format);
        if (!day) {
            continue;
        }
        if (*day < kFirstDayNumber || *day > kLastDayNumber || format < 1 || format > 12) {
            std::abort();
        }
        const SDate date = DayNumberToDate(*day);
        if (date.nMonth < 1 || date.nMonth > 12 || date.nDay < 1 || date.nDay > 31 ||
            DateToDayNumber(date.nYear, date.nMonth, date.nDay) != *day) {
            std::abort();
        }
        (void)DayNumberToDateValue(*day);
    }
    std::free(pText);
    return 0;
}
