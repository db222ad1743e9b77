#include "engine/LineFault.h"

#include "engine/LineReader.h"
#include "platform/TextEncoding.h"

namespace {

constexpr std::size_t kShownTextBytes = 40;

std::string ColumnText(int nField, std::size_t nColumn) {
    return "the " + LayoutFieldName(nField) + " column (" + std::to_string(nColumn + 1) + ")";
}

std::string NumberReason(const SLineFault& fault, const std::string& strColumn, bool bDecimalComma) {
    switch (fault.number) {
    case ENumberFault::TooLarge:
        return ShownText(fault.text) + " in " + strColumn + " is too large for a MetaStock number";
    case ENumberFault::TooSmall:
        return ShownText(fault.text) + " in " + strColumn + " is too small for a MetaStock number";
    default:
        break;
    }
    if (fault.text.find(bDecimalComma ? '.' : ',') != std::string_view::npos) {
        return ShownText(fault.text) + " in " + strColumn + " is not a number (the decimal mark is the " +
               (bDecimalComma ? "comma)" : "point)");
    }
    return ShownText(fault.text) + " in " + strColumn + " is not a number";
}

} // namespace

std::string DisplayedText(std::string_view text) {
    if (text.size() <= kShownTextBytes) {
        return IsUtf8(text) ? std::string(text) : Windows1252ToUtf8(text);
    }
    std::string_view cut = text.substr(0, kShownTextBytes - 3);
    // Not inside a UTF-8 sequence.
    while (!cut.empty() && (static_cast<unsigned char>(text[cut.size()]) & 0xC0) == 0x80) {
        cut.remove_suffix(1);
    }
    return (IsUtf8(cut) ? std::string(cut) : Windows1252ToUtf8(cut)) + "...";
}

std::string ShownText(std::string_view text) {
    // Appended, not "\"" + ... + "\"": GCC 12 sees a false overlap in that chain (-Wrestrict).
    std::string strShown = "\"";
    strShown += DisplayedText(text);
    strShown += '"';
    return strShown;
}

std::string GroupedNumber(std::uint64_t n) {
    const std::string digits = std::to_string(n);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            grouped += ',';
        }
        grouped += digits[i];
    }
    return grouped;
}

std::string BarTimeText(std::int32_t nDate, std::int32_t nTime, bool bIntraday) {
    return bIntraday ? DateValueText(nDate) + " " + TimeText(nTime) : DateValueText(nDate);
}

std::string FaultReason(const SLineFault& fault, const SInputLayout& layout) {
    const std::string strColumn = ColumnText(fault.nField, fault.nColumn);
    const bool bIntraday = layout.period == EPeriod::Intraday;
    switch (fault.kind) {
    case EFaultKind::Missing:
        return "there is no " + strColumn.substr(4) + ": the line has " + std::to_string(fault.nColumns) +
               (fault.nColumns == 1 ? " column" : " columns");
    case EFaultKind::Empty:
        return strColumn + " is empty";
    case EFaultKind::Quote:
        if (fault.quote == EQuoteFault::Unclosed) {
            return "the quote that opens column " + std::to_string(fault.nColumn + 1) + " is not closed";
        }
        return "column " + std::to_string(fault.nColumn + 1) + " has text after its closing quote: " +
               ShownText(fault.text);
    case EFaultKind::Date:
        if (fault.date.fault == EDateFault::NonDigit || fault.date.fault == EDateFault::OnlyDigits) {
            return ShownText(fault.text) + " in " + strColumn + ": " + DateFaultText(fault.date, layout.dateFormat);
        }
        return ShownText(fault.text) + " in " + strColumn + " is not a " + DateFormatName(layout.dateFormat) +
               " date: " + DateFaultText(fault.date, layout.dateFormat);
    case EFaultKind::Time:
        return ShownText(fault.text) + " in " + strColumn + ": " + TimeFaultText(fault.time, fault.time.fault ==
                                                                                                  ETimeFault::Shape
                                                                                              ? fault.text
                                                                                              : std::string_view());
    case EFaultKind::NoTime:
        return ShownText(fault.text) + " in " + strColumn + " has no time of day, and intraday bars need one";
    case EFaultKind::Number:
        return NumberReason(fault, strColumn, layout.DecimalComma());
    case EFaultKind::LongSymbol:
        return ShownText(fault.text) + " in " + strColumn + " is longer than 64 bytes";
    case EFaultKind::TooLong:
        return "the line is longer than " + GroupedNumber(CLineReader::kMaxLineBytes) + " bytes";
    case EFaultKind::FieldCount:
        return "the line has " + std::to_string(fault.nColumns) + " columns, the lines before it " +
               std::to_string(fault.nUsualColumns) +
               (fault.nColumns > fault.nUsualColumns ? " (a number with a thousands separator and no quotes?)" : "");
    case EFaultKind::Order:
        return "the " + std::string(bIntraday ? "bar of " : "date ") + BarTimeText(fault.nDate, fault.nTime, bIntraday) +
               (fault.bLater ? " is not earlier than " : " is not later than ") +
               BarTimeText(fault.nOtherDate, fault.nOtherTime, bIntraday) + " of line " +
               std::to_string(fault.nOtherLine);
    }
    return {};
}
