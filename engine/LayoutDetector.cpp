#include "engine/LayoutDetector.h"

#include "engine/LayoutAnalysis.h"
#include "engine/LineReader.h"
#include "engine/Wording.h"
#include "platform/FileSystem.h"

#include <algorithm>

namespace {

bool IsBlankLine(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t'; });
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
    return CLayoutAnalysis(std::move(lines)).Run(sample, m_wording);
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
