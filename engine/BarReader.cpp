#include "engine/BarReader.h"

#include "engine/LineReader.h"
#include "engine/ReadPass.h"
#include "platform/FileSystem.h"

#include <charconv>

std::string ValueText(float fValue) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, fValue);
    return std::string(text, result.ptr);
}

std::string SReadResult::Message() const {
    std::string strText;
    for (const std::string& error : errors) {
        strText += (strText.empty() ? "" : "\n") + error;
    }
    return strText;
}

CBarReader::CBarReader(SInputLayout layout, SReadOptions options, const CWording& wording)
    : m_layout(std::move(layout)), m_options(options), m_wording(wording) {}

SReadResult CBarReader::Read(CLineReader& reader, std::vector<SLinePreview>* pPreview, std::size_t nPreviewLines) const {
    // A preview reads fields that share a column all the same, so that the clash can be seen.
    if (const SLayoutCheck check = CheckLayout(m_layout);
        !check.Ok() && !(pPreview && check.problem == ELayoutProblem::SharedColumn)) {
        SReadResult result;
        result.errors.push_back(LayoutProblemText(check));
        SPhysicalLine line;
        while (pPreview && pPreview->size() < nPreviewLines && reader.Next(line)) {
            pPreview->emplace_back().nLine = line.nNumber;
            pPreview->back().lineError = result.errors.front();
        }
        return result;
    }
    CReadPass pass(m_layout, m_options, m_wording, pPreview);
    pass.Run(reader, nPreviewLines);
    return pass.Finish(reader);
}

SReadResult CBarReader::ReadText(std::string_view text) const {
    CLineReader reader(text);
    return Read(reader, nullptr, 0);
}

SReadResult CBarReader::ReadFile(CFileSystem& fs, const std::filesystem::path& path) const {
    const auto pFile = fs.Open(path, EOpenMode::Read);
    if (!pFile) {
        SReadResult result;
        result.errors.push_back("The price file cannot be opened: " + PathUtf8(path));
        return result;
    }
    CLineReader reader(*pFile);
    return Read(reader, nullptr, 0);
}

std::vector<SLinePreview> CBarReader::Preview(std::string_view text, std::size_t nLines) const {
    std::vector<SLinePreview> rows;
    CLineReader reader(text);
    Read(reader, &rows, nLines);
    return rows;
}

std::vector<SLinePreview> CBarReader::PreviewFile(CFileSystem& fs, const std::filesystem::path& path,
                                                  std::size_t nLines) const {
    std::vector<SLinePreview> rows;
    const auto pFile = fs.Open(path, EOpenMode::Read);
    if (!pFile) {
        rows.emplace_back().lineError = "The price file cannot be opened: " + PathUtf8(path);
        return rows;
    }
    CLineReader reader(*pFile);
    Read(reader, &rows, nLines);
    return rows;
}
