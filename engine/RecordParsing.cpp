// The last step of a run: every line of the input becomes one bar of the new security.

#include "engine/Converter.h"
#include "engine/NumberScan.h"

#include "metastock/Dates.h"
#include "metastock/MasterFile.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/TextReader.h"

#include <array>
#include <cstring>
#include <memory>
#include <string_view>

namespace {

constexpr std::size_t kTokenSlots = 20;
// A date token of this length or more ends the reading.
constexpr std::size_t kMaxDateChars = 20;

// Splits line at delimiter into slots: runs of delimiters count as one and produce no empty
// token; slots beyond this line's tokens keep their earlier text. Returns the token count.
std::size_t SplitTokens(std::string_view line, char delimiter, std::array<std::string, kTokenSlots>& slots) {
    std::size_t nTokens = 0;
    std::size_t i = 0;
    while (i < line.size() && nTokens < kTokenSlots) {
        while (i < line.size() && line[i] == delimiter) {
            ++i;
        }
        if (i == line.size()) {
            break;
        }
        const std::size_t nStart = i;
        while (i < line.size() && line[i] != delimiter) {
            ++i;
        }
        slots[nTokens++].assign(line.substr(nStart, i - nStart));
    }
    return nTokens;
}

bool AllDigits(const std::string& text) {
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

} // namespace

int CConverter::ConvertLines() {
    for (int nCol : m_nFieldCol) {
        if (nCol < 0 || nCol >= static_cast<int>(kTokenSlots)) {
            return 1;
        }
    }
    std::uint8_t nFileNumber = m_nNewFileNumber;
    if (nFileNumber == 0) {
        MasterRecord entry;
        std::string strDir;
        if (FindSecurity(m_szOutputDir, m_szSymbol, entry, strDir) != kFindFound) {
            return 1;
        }
        nFileNumber = entry[0];
    }

    auto pInput = m_fs.Open(m_strInputPath, EOpenMode::Read);
    if (!pInput) {
        return 1;
    }
    auto pReader = std::make_unique<CTextReader>(std::move(pInput));
    CTextReader& reader = *pReader;
    const char delimiter = m_szDelimiter.empty() ? ',' : m_szDelimiter[0];
    const bool bNumericFormat = m_nDateFormat > kLastSeparatedDateFormat;

    std::array<std::string, kTokenSlots> slots;
    slots.fill("123");
    int nBars = 0;
    int nLine = 0; // every read counts, skipped rows and pieces of long lines included
    bool bStop = false;
    bool bMismatch = false;
    bool bReadError = false;
    bool bBarLimit = false;
    bool bWriteFailed = false;
    int nLastBarLine = 0;
    int nBadDates = 0;
    int nFirstBadLine = 0;
    std::string strFirstBadDate;
    MbfSingle firstDate{};
    MbfSingle lastDate{};
    std::string line;

    if (m_bSkipRows != 0) {
        for (int i = 0; i < m_nSkipRows; ++i) {
            const EReadStatus status = reader.ReadLine(line);
            if (status == EReadStatus::Error) {
                bReadError = true;
                break;
            }
            ++nLine;
        }
    }

    while (!bReadError && !bStop) {
        const EReadStatus status = reader.ReadLine(line);
        if (status == EReadStatus::End) {
            break;
        }
        if (status == EReadStatus::Error) {
            bReadError = true;
            break;
        }
        ++nLine;
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
        }
        if (SplitTokens(line, delimiter, slots) == 0) {
            continue;
        }
        if (nBars == kMaxBars) {
            bBarLimit = true;
            break;
        }

        const std::string& dateToken = slots[static_cast<std::size_t>(m_nFieldCol[kFieldDate])];
        if (dateToken.size() >= kMaxDateChars) {
            bStop = true;
            break;
        }
        const auto day = DateTextToDayNumber(dateToken, static_cast<std::int16_t>(m_nDateFormat));
        MbfSingle dateValue{};
        if (day) {
            dateValue = DayNumberToDateValue(*day);
        } else {
            // The bar keeps its place with date value 0; the run fails at the end.
            if (nBadDates++ == 0) {
                nFirstBadLine = nLine;
                strFirstBadDate = dateToken;
            }
        }
        std::memcpy(&m_fValues[kFieldDate], dateValue.data(), 4);
        if (nBars == 0 && !bMismatch) {
            const bool bOnlyDigits = AllDigits(dateToken);
            if (bNumericFormat && !bOnlyDigits) {
                bMismatch = true;
                m_messages.Show("You specified a numeric-only date format\nbut a non-numeric date character was found.");
            } else if (!bNumericFormat && bOnlyDigits) {
                bMismatch = true;
                m_messages.Show(
                    "You specified a character-separated date format\nbut only numeric date characters were found.");
            }
        }

        for (int i = kFieldDate + 1; i < kFieldCount; ++i) {
            float value = 0.0f;
            if (m_bFieldOn[i] != 0) {
                value = ScanNumber(slots[static_cast<std::size_t>(m_nFieldCol[i])]).value_or(0.0f);
            }
            m_fValues[i] = value;
            EncodeMbf(&m_fValues[i], &m_fValues[i]);
        }

        if (!AppendBar(nFileNumber)) {
            bWriteFailed = true;
            break;
        }
        if (nBars == 0) {
            firstDate = dateValue;
        }
        lastDate = dateValue;
        ++nBars;
        nLastBarLine = nLine;
    }
    pReader.reset(); // the input is closed before the security is finished

    if (bWriteFailed) {
        m_messages.Show("A bar could not be written to the data file.\nThe bars after line " +
                        std::to_string(nLastBarLine) + " were not converted.");
    }
    if (bBarLimit) {
        m_messages.Show("This file has more bars than one security can hold (65,534).\nThe bars after line " +
                        std::to_string(nLastBarLine) + " were not converted.");
    }
    if (nBadDates > 0) {
        m_messages.Show("Some dates could not be read.\n\nFirst: line " + std::to_string(nFirstBadLine) + ", \"" +
                        strFirstBadDate + "\"\nLines affected: " + std::to_string(nBadDates));
    }
    if (bReadError) {
        m_messages.Show("The input file could not be read to its end.\nThe bars after line " +
                        std::to_string(nLastBarLine) + " were not converted.");
    }

    if (nBars == 0) {
        // The entry keeps the dates that it was given when the security was added.
        firstDate = TodayDateValue();
        lastDate = firstDate;
    }
    const int nDatesResult = UpdateMasterDates(firstDate, lastDate, nFileNumber);
    const int nHeaderResult = UpdateDataHeader(static_cast<std::uint16_t>(nBars), nFileNumber);
    const bool bFailed = nDatesResult != 0 || nHeaderResult != 0 || bStop || bMismatch || bReadError || bBarLimit ||
                         bWriteFailed || nBadDates > 0;
    return bFailed ? 1 : 0;
}
