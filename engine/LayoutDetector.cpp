#include "engine/LayoutDetector.h"

#include "engine/BarReader.h"
#include "engine/JobSettings.h"
#include "engine/LayoutAnalysis.h"
#include "engine/LineReader.h"
#include "engine/Wording.h"
#include "platform/FileSystem.h"
#include "platform/TextEncoding.h"

#include <algorithm>
#include <map>

namespace {

bool IsBlankLine(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t'; });
}

// A named column of several symbols: a security for each, or the dates do not rise.
void ChooseSymbolColumn(CLayoutAnalysis& analysis) {
    for (std::size_t c = 0; c < analysis.m_names.size() && c < analysis.m_nColumns && !analysis.m_symbolColumn; ++c) {
        if (FieldOfName(analysis.m_names[c]).first != kSymbolName) {
            continue;
        }
        std::vector<std::string> symbols;
        for (std::size_t i : analysis.m_rows) {
            const std::vector<std::string>& cells = analysis.m_lines[i].cells;
            if (c < cells.size() && std::find(symbols.begin(), symbols.end(), cells[c]) == symbols.end()) {
                symbols.push_back(cells[c]);
            }
        }
        if (symbols.size() > 1 && c < static_cast<std::size_t>(kMaxColumn)) {
            // Each symbol's lines become a security of their own; their order is judged per symbol.
            analysis.m_symbolColumn = c;
            analysis.Doubt(EDetectChoice::Reading, EConfidence::Likely,
                  analysis.ColumnText(c) + " holds " + std::to_string(symbols.size()) +
                      " symbols; it was taken as the symbol column, which makes a security of each.");
        }
    }
}

void ChooseOrder(CLayoutAnalysis& analysis) {
    // The steps within each symbol's lines, in file order, by date and time.
    std::map<std::string, std::vector<std::int64_t>> bySymbol;
    for (std::size_t i = 0; i < analysis.m_rows.size(); ++i) {
        const std::vector<std::string>& cells = analysis.m_lines[analysis.m_rows[i]].cells;
        const std::string symbol =
            analysis.m_symbolColumn && *analysis.m_symbolColumn < cells.size() ? cells[*analysis.m_symbolColumn] : std::string();
        const std::int64_t nTime = analysis.m_period == EPeriod::Intraday ? analysis.m_times[i] : 0;
        bySymbol[symbol].push_back(static_cast<std::int64_t>(analysis.m_dates[i]) * 1000000 + nTime);
    }
    std::size_t nRises = 0;
    std::size_t nFalls = 0;
    std::size_t nSame = 0;
    for (const auto& [symbol, keys] : bySymbol) {
        for (std::size_t i = 1; i < keys.size(); ++i) {
            nRises += keys[i] > keys[i - 1] ? 1 : 0;
            nFalls += keys[i] < keys[i - 1] ? 1 : 0;
            nSame += keys[i] == keys[i - 1] ? 1 : 0;
        }
    }
    analysis.m_bReverse = nFalls > nRises;
    if (std::min(nRises, nFalls) > 0) {
        analysis.Doubt(EDetectChoice::Order, EConfidence::Likely,
              "The dates rise in " + std::to_string(nRises) + " and fall in " + std::to_string(nFalls) +
                  " places; the file was taken to run " + (analysis.m_bReverse ? "newest" : "oldest") + " first.");
    }
    if (nSame > 0) {
        analysis.Doubt(EDetectChoice::Reading, EConfidence::Unsure,
              std::to_string(nSame) + (nSame == 1 ? " line has" : " lines have") + " the " +
                  (analysis.m_period == EPeriod::Intraday ? "date and time" : "date") +
                  " of the line before: the file may hold several bars for one " +
                  (analysis.m_period == EPeriod::Intraday ? "time" : "day") + ", and only one can be converted.");
    }
}

// Settings hold columns 1 to 20: a field further right cannot be read.
bool CheckColumnRange(CLayoutAnalysis& analysis) {
    const auto nMax = static_cast<std::size_t>(kMaxColumn);
    if (analysis.m_nDateColumn >= nMax || analysis.m_fieldCol[kFieldClose] >= nMax) {
        const std::size_t nColumn = analysis.m_nDateColumn >= nMax ? analysis.m_nDateColumn : analysis.m_fieldCol[kFieldClose];
        return analysis.Fail("The " + std::string(analysis.m_nDateColumn >= nMax ? "date" : "close") + " is in column " +
                    std::to_string(nColumn + 1) + "; columns 1 to " + std::to_string(kMaxColumn) + " can be read.");
    }
    if (analysis.m_timeColumn && *analysis.m_timeColumn >= nMax) {
        return analysis.Fail("The time is in column " + std::to_string(*analysis.m_timeColumn + 1) + "; columns 1 to " +
                    std::to_string(kMaxColumn) + " can be read.");
    }
    for (int f = kFieldOpen; f < kFieldCount; ++f) {
        const auto nField = static_cast<std::size_t>(f);
        if (analysis.m_fieldOn[nField] && analysis.m_fieldCol[nField] >= nMax) {
            analysis.m_fieldOn[nField] = false;
            analysis.Doubt(kFieldChoices[nField], EConfidence::Unsure,
                  "The " + LowerFieldName(f) + " is in column " + std::to_string(analysis.m_fieldCol[nField] + 1) +
                      ", past column " + std::to_string(kMaxColumn) + ": it is left out.");
        }
    }
    return true;
}

void FillLayout(CLayoutAnalysis& analysis) {
    SInputLayout& layout = analysis.m_result.layout;
    layout.cDelimiter = analysis.m_cDelimiter;
    layout.decimalMark = analysis.m_bDecimalComma ? EDecimalMark::Comma : EDecimalMark::Point;
    layout.dateFormat = analysis.m_dateFormat;
    layout.bDateTime = analysis.m_bDateTime;
    layout.nTimeCol = analysis.m_timeColumn ? static_cast<int>(*analysis.m_timeColumn) : kNoColumn;
    layout.nSkipRows = static_cast<int>(analysis.m_nSkipRows);
    layout.bReverse = analysis.m_bReverse;
    layout.nSymbolCol = analysis.m_symbolColumn ? static_cast<int>(*analysis.m_symbolColumn) : kNoColumn;
    layout.strCurrency = IsUtf8(analysis.m_strCurrency) ? analysis.m_strCurrency : Windows1252ToUtf8(analysis.m_strCurrency);
    layout.period = analysis.m_period;
    layout.nInterval = analysis.m_period == EPeriod::Intraday ? analysis.m_nInterval : 0;
    layout.fieldCol[kFieldDate] = static_cast<int>(analysis.m_nDateColumn);
    for (int f = kFieldOpen; f < kFieldCount; ++f) {
        const auto nField = static_cast<std::size_t>(f);
        layout.fieldCol[nField] = analysis.m_fieldOn[nField] ? static_cast<int>(analysis.m_fieldCol[nField]) : kNoColumn;
    }
}

// The layout found, tried on the lines read.
void Verify(CLayoutAnalysis& analysis, std::string_view sample, const CWording& wording) {
    const SReadResult read = CBarReader(analysis.m_result.layout, SReadOptions{}, wording).ReadText(sample);
    analysis.m_result.nBadLines = read.nBadLines;
    if (read.Ok()) {
        return;
    }
    std::string strText;
    if (read.nBadLines > 0) {
        strText = std::to_string(read.nBadLines) + " of the " + std::to_string(analysis.m_result.nLinesRead) +
                  (read.nBadLines == 1 ? " lines read does not read" : " lines read do not read") +
                  " with this layout";
        if (!read.badLines.empty()) {
            strText += " (line " + std::to_string(read.badLines.front().nLine) + ": " +
                       read.badLines.front().strReason + ")";
        }
        strText += ".";
        for (std::size_t i = 1; i < read.errors.size(); ++i) {
            strText += " " + read.errors[i];
        }
    } else {
        strText = read.Message();
    }
    analysis.Doubt(EDetectChoice::Reading, EConfidence::Unsure, std::move(strText));
}

SLayoutDetection Analyse(std::vector<SSampleLine> lines, std::string_view sample, const CWording& wording) {
    CLayoutAnalysis analysis(std::move(lines));
    analysis.m_result.nLinesRead = analysis.m_lines.size();
    if (std::all_of(analysis.m_lines.begin(), analysis.m_lines.end(), [](const SSampleLine& line) { return line.bBlank; })) {
        analysis.m_result.failure = analysis.m_lines.empty() ? "The file is empty." : "The file holds only blank lines.";
        return std::move(analysis.m_result);
    }
    if (!ChooseDelimiter(analysis) || !ChooseDateColumn(analysis)) {
        return std::move(analysis.m_result);
    }
    FindCurrency(analysis);
    if (!FindHeader(analysis)) {
        return std::move(analysis.m_result);
    }
    ChooseTime(analysis);
    MeasureColumns(analysis);
    if (analysis.m_names.empty() || !ChooseFieldsByName(analysis)) {
        ChooseFieldsByValue(analysis);
    }
    if (!analysis.m_fieldOn[kFieldClose]) {
        analysis.m_result.failure = "No column holds prices next to the dates in " + analysis.ColumnText(analysis.m_nDateColumn) + ".";
        return std::move(analysis.m_result);
    }
    ChooseSymbolColumn(analysis);
    ChooseOrder(analysis);
    ChoosePeriod(analysis);
    if (!CheckColumnRange(analysis)) {
        return std::move(analysis.m_result);
    }
    FillLayout(analysis);
    Verify(analysis, sample, wording);
    return std::move(analysis.m_result);
}

} // namespace

EConfidence SLayoutDetection::Confidence(EDetectChoice choice) const {
    EConfidence confidence = EConfidence::Certain;
    for (const SDoubt& doubt : doubts) {
        if (doubt.IsAbout(choice)) {
            confidence = std::max(confidence, doubt.confidence);
        }
    }
    return confidence;
}

bool SLayoutDetection::AllCertain() const {
    return !failure && doubts.empty();
}

bool SLayoutDetection::Runnable() const {
    return !failure && std::none_of(doubts.begin(), doubts.end(),
                                    [](const SDoubt& doubt) { return doubt.confidence == EConfidence::Unsure; });
}

void SLayoutDetection::Settle(EDetectChoice choice) {
    std::erase_if(doubts, [choice](const SDoubt& doubt) { return doubt.IsAbout(choice); });
}

CLayoutDetector::CLayoutDetector(const CWording& wording, std::size_t nSampleLines)
    : m_wording(wording), m_nSampleLines(nSampleLines) {}

SLayoutDetection CLayoutDetector::Detect(std::string_view text) const {
    std::vector<SSampleLine> lines;
    std::string sample;
    CLineReader reader(text);
    SPhysicalLine line;
    // Time stays bounded by the lines sampled, whatever the text holds.
    while (lines.size() < m_nSampleLines && sample.size() < kSampleBytes && reader.Next(line)) {
        SSampleLine& kept = lines.emplace_back();
        kept.nNumber = line.nNumber;
        kept.strText = line.text;
        kept.bBlank = IsBlankLine(line.text);
        sample.append(line.text).push_back('\n');
    }
    if (reader.Fault() != ETextFault::None) {
        SLayoutDetection result;
        result.failure = reader.FaultText();
        return result;
    }
    return Analyse(std::move(lines), sample, m_wording);
}

SLayoutDetection CLayoutDetector::DetectFile(CFileSystem& fs, const std::filesystem::path& path) const {
    std::string strProblem;
    const auto text = ReadFirstLines(fs, path, m_nSampleLines, strProblem);
    if (!text) {
        SLayoutDetection result;
        result.failure = strProblem;
        return result;
    }
    return Detect(*text);
}

std::optional<std::string> CLayoutDetector::ReadFirstLines(CFileSystem& fs, const std::filesystem::path& path,
                                                           std::size_t nLines, std::string& strProblem) {
    const auto pFile = fs.Open(path, EOpenMode::Read);
    if (!pFile) {
        strProblem = "The price file cannot be opened: " + PathUtf8(path);
        return std::nullopt;
    }
    CLineReader reader(*pFile);
    std::string text;
    SPhysicalLine line;
    for (std::size_t n = 0; n < nLines && text.size() < kSampleBytes && reader.Next(line); ++n) {
        text.append(line.text).push_back('\n');
    }
    if (reader.Fault() != ETextFault::None) {
        strProblem = reader.FaultText();
        return std::nullopt;
    }
    return text;
}

ESetting SettingOf(EDetectChoice choice) {
    switch (choice) {
    case EDetectChoice::Delimiter:
        return ESetting::Delimiter;
    case EDetectChoice::DecimalMark:
        return ESetting::DecimalMark;
    case EDetectChoice::HeaderRows:
        return ESetting::SkipRows;
    case EDetectChoice::DateColumn:
        return ESetting::DateColumn;
    case EDetectChoice::DateFormat:
        return ESetting::DateFormat;
    case EDetectChoice::Time:
        return ESetting::TimeColumn;
    case EDetectChoice::Period:
        return ESetting::Interval;
    case EDetectChoice::Currency:
        return ESetting::Currency;
    case EDetectChoice::Order:
        return ESetting::Reverse;
    case EDetectChoice::Reading:
        return ESetting::SkipBadLines;
    default:
        return ESetting::Fields;
    }
}

std::string ConvertOptionsText(const SInputLayout& layout) {
    std::string text = std::string("--delimiter ") + DelimiterWord(layout.cDelimiter);
    if (layout.DecimalComma()) {
        text += " --decimal-comma";
    }
    text += std::string(" --date-format ") + DateFormatName(layout.dateFormat);
    if (layout.bDateTime) {
        text += " --date-time";
    }
    if (layout.nSkipRows > 0) {
        text += " --skip-rows " + std::to_string(layout.nSkipRows);
    }
    for (int f = 0; f < kFieldCount; ++f) {
        const int nColumn = layout.fieldCol[static_cast<std::size_t>(f)];
        text += nColumn != kNoColumn ? std::string(" --") + kFieldOptionNames[static_cast<std::size_t>(f)] + "-col " + std::to_string(nColumn + 1)
                                     : std::string(" --no-") + kFieldOptionNames[static_cast<std::size_t>(f)];
    }
    if (layout.nTimeCol != kNoColumn) {
        text += " --time-col " + std::to_string(layout.nTimeCol + 1);
    }
    if (layout.nSymbolCol != kNoColumn) {
        text += " --symbol-col " + std::to_string(layout.nSymbolCol + 1);
    }
    if (!layout.strCurrency.empty()) {
        text += " --currency " + layout.strCurrency;
    }
    if (layout.period == EPeriod::Intraday) {
        text += " --interval " + std::to_string(layout.nInterval);
    } else if (layout.period != EPeriod::Daily) {
        text += std::string(" --period ") + PeriodLetter(layout.period);
    }
    if (layout.bReverse) {
        text += " --reverse";
    }
    return text;
}

std::string DoubtsText(const std::vector<SDoubt>& doubts, bool bReading, const CWording& wording) {
    std::string text;
    for (const SDoubt& doubt : doubts) {
        if (doubt.confidence != EConfidence::Unsure || (!bReading && doubt.choice == EDetectChoice::Reading)) {
            continue;
        }
        text += (text.empty() ? "" : "\n") + doubt.strText + " Settle it with " +
                wording.Setting(SettingOf(doubt.choice)) + ".";
    }
    return text;
}

bool SDetectedLayout::Guessed() const {
    return std::any_of(doubts.begin(), doubts.end(), [](const SDoubt& doubt) {
        return doubt.confidence == EConfidence::Unsure && doubt.choice != EDetectChoice::Reading;
    });
}

bool SDetectedLayout::BadLines() const {
    return std::any_of(doubts.begin(), doubts.end(), [](const SDoubt& doubt) {
        return doubt.confidence == EConfidence::Unsure && doubt.choice == EDetectChoice::Reading;
    });
}

std::string SDetectedLayout::Refusal(bool bSkipBadLines, const CWording& wording) const {
    if (failure) {
        return *failure;
    }
    if (Guessed()) {
        return wording.Message("The layout of the file could not be told for certain:",
                               DoubtsText(doubts, !bSkipBadLines, wording));
    }
    if (BadLines() && !bSkipBadLines) {
        return wording.Message("With the layout detected, the file has bad lines:", DoubtsText(doubts, true, wording));
    }
    return {};
}

SDetectedLayout DetectedLayout(CFileSystem& fs, const std::filesystem::path& path,
                               const std::function<void(SInputLayout&)>& given, const DetectChoices& settled,
                               const CWording& wording) {
    SDetectedLayout result;
    SLayoutDetection detection = CLayoutDetector(wording).DetectFile(fs, path);
    result.failure = detection.failure;
    if (given) {
        given(detection.layout);
    }
    for (std::size_t i = 0; i < kDetectChoiceCount; ++i) {
        if (settled[i]) {
            detection.Settle(static_cast<EDetectChoice>(i));
        }
    }
    if (detection.layout.nSymbolCol != kNoColumn) {
        detection.Settle(EDetectChoice::Reading);
        detection.Settle(EDetectChoice::Order);
    }
    result.layout = detection.layout;
    result.doubts = std::move(detection.doubts);
    return result;
}
