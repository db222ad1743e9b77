// Any text into layout detection: it must end (libFuzzer's timeout watches the time), look at
// no more lines than it samples however long the text, and give a reason whenever it finds no
// layout.
#include "engine/LayoutDetector.h"
#include "engine/Wording.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

constexpr std::size_t kLines = 64;

void Require(bool bTrue) {
    if (!bTrue) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t size) {
    static const CLayoutDetector detector(CommandLineWording(), kLines);
    const std::string_view text(reinterpret_cast<const char*>(pData), size);
    const SLayoutDetection detection = detector.Detect(text);
    Require(detection.nLinesRead <= kLines);
    Require(!detection.failure || !detection.failure->empty());
    return 0;
}
