// Any bytes through the strict reader. The first four bytes choose the layout (delimiter,
// decimal comma, reversal, skipping, symbol column, date format, fields and columns); the rest
// is the file. Every read must either fail with a message and no bars, or give bars that are
// all real: valid rising dates, numbers an MBF single holds, fields that are off left at 0.
// The preview must find the same bad lines, and the lines must come out alike when the file
// arrives in pieces.
#include "engine/BarReader.h"
#include "engine/Wording.h"
#include "engine/LineReader.h"
#include "metastock/Dates.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace {

void Check(bool bOk) {
    if (!bOk) {
        std::abort();
    }
}

class CPiecesFile : public CFile {
public:
    CPiecesFile(std::string_view text, std::size_t nPiece) : m_text(text), m_nPiece(nPiece) {}
    std::ptrdiff_t Read(void* pBuffer, std::size_t size) override {
        const std::size_t n = std::min({size, m_nPiece, m_text.size() - m_nPos});
        std::memcpy(pBuffer, m_text.data() + m_nPos, n);
        m_nPos += n;
        return static_cast<std::ptrdiff_t>(n);
    }
    bool Write(const void*, std::size_t) override { return false; }
    bool Seek(std::uint64_t) override { return false; }
    std::optional<std::uint64_t> Size() override { return m_text.size(); }
    bool Sync() override { return false; }
    bool Close() override { return true; }

private:
    std::string_view m_text;
    std::size_t m_nPiece;
    std::size_t m_nPos = 0;
};

std::string Lines(CLineReader& reader) {
    std::string strLines;
    SPhysicalLine line;
    while (reader.Next(line)) {
        strLines += std::to_string(line.nNumber) + (line.bTooLong ? "+" : ":") + std::string(line.text) + "\n";
    }
    return strLines + reader.FaultText();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    SInputLayout layout;
    layout.cDelimiter = ",\t; "[pData[0] & 3];
    layout.decimalMark = (pData[0] & 4) != 0 && layout.cDelimiter != ',' ? EDecimalMark::Comma : EDecimalMark::Point;
    layout.bReverse = (pData[0] & 8) != 0;
    const SReadOptions options{(pData[0] & 16) != 0, (pData[1] & 128) != 0};
    layout.nSymbolCol = (pData[0] & 32) != 0 ? pData[0] >> 6 : kNoColumn;
    layout.dateFormat = static_cast<EDateFormat>(1 + pData[1] % 12);
    layout.nSkipRows = pData[1] / 12 % 4;
    layout.bDateTime = (pData[1] & 64) != 0;
    if ((pData[2] & 1) != 0) {
        layout.period = EPeriod::Intraday;
        layout.nInterval = 5;
        layout.bDateTime = true;
    }
    layout.strCurrency = (pData[2] & 128) != 0 ? "$" : "";
    layout.fieldCol[kFieldDate] = pData[3] % 3;
    for (int f = 1; f < kFieldCount; ++f) {
        const bool bOn = f == kFieldClose || (pData[2] >> f & 1) != 0;
        layout.fieldCol[static_cast<std::size_t>(f)] = bOn ? (f + pData[3] / 3) % 8 : kNoColumn;
    }
    const std::string_view text(reinterpret_cast<const char*>(pData) + 4, size - 4);
    const CBarReader reader(layout, options, CommandLineWording());
    const SReadResult result = reader.ReadText(text);

    const std::size_t nListed = options.bSkipBadLines ? CBarReader::kMaxListedBadLines : CBarReader::kShownBadLines;
    Check(result.badLines.size() <= nListed && result.nBadLines >= result.badLines.size());
    for (std::size_t i = 1; i < result.badLines.size(); ++i) {
        Check(result.badLines[i - 1].nLine < result.badLines[i].nLine);
    }
    if (!result.Ok()) {
        Check(!result.Message().empty() && result.series.empty());
    } else {
        Check(!result.series.empty() && (options.bSkipBadLines || result.nBadLines == 0));
    }
    for (const SSeries& series : result.series) {
        Check(!series.bars.empty() && series.bars.size() <= CBarReader::kMaxBars);
        for (std::size_t i = 0; i < series.bars.size(); ++i) {
            const SBar& bar = series.bars[i];
            const SDate date = DateOfValue(bar.nDate);
            Check(DateValueOf(date.nYear, date.nMonth, date.nDay) == bar.nDate);
            Check(bar.nLine > static_cast<std::uint64_t>(layout.nSkipRows) && bar.nLine <= result.nLines);
            Check(layout.period == EPeriod::Intraday || bar.nTime == 0);
            Check(bar.nTime >= 0 && bar.nTime <= 235959 && bar.nTime % 100 < 60 && bar.nTime / 100 % 100 < 60);
            if (i > 0) {
                const SBar& before = series.bars[i - 1];
                Check(bar.nDate > before.nDate || (bar.nDate == before.nDate && bar.nTime > before.nTime));
                Check(layout.bReverse ? bar.nLine < series.bars[i - 1].nLine : bar.nLine > series.bars[i - 1].nLine);
            }
            for (int f = 1; f < kFieldCount; ++f) {
                const float value = std::fabs(bar.values[f]);
                Check(layout.FieldOn(f) || f == kFieldClose || value == 0.0f);
                Check(value == 0.0f || (value >= std::numeric_limits<float>::min() && value < 0x1p127f));
            }
        }
    }

    // Whole files only: a file whose dates run the wrong way as a whole is refused at once,
    // while the preview marks its lines one by one.
    const std::vector<SLinePreview> rows = reader.Preview(text, ~std::size_t{0});
    // A file that is not plain text fails whatever its lines hold; the line of the fault may be
    // judged before the fault is met.
    if (result.Message().find("--reverse") == std::string::npos &&
        result.Message().find("not plain text") == std::string::npos && CheckLayout(layout).Ok()) {
        std::uint64_t nBad = 0;
        for (const SLinePreview& row : rows) {
            bool bBad = row.lineError.has_value() && row.lineError->find("not plain text") == std::string::npos;
            for (const SFieldCell& cell : row.cells) {
                bBad = bBad || cell.error.has_value();
            }
            bBad = bBad || row.time.error.has_value();
            nBad += !row.bSkipped && (bBad || row.symbol.error.has_value()) ? 1 : 0;
        }
        Check(nBad == result.nBadLines);
    }

    CLineReader inMemory(text);
    CPiecesFile file(text, 1 + pData[3] % 7);
    CLineReader inPieces(file, 1 + pData[2] % 5);
    Check(Lines(inMemory) == Lines(inPieces));
    return 0;
}
