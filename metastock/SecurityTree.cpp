#include "metastock/SecurityTree.h"

#include "metastock/Database.h"
#include "metastock/DirectoryFiles.h"
#include "platform/FileSystem.h"
#include "platform/PathLookup.h"

#include <algorithm>
#include <set>

namespace {

std::string Upper(std::string text) {
    for (char& c : text) {
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return text;
}

// Text cut before its (nSpaces + 1)-th space, as the duplicate check compares symbols.
std::string CutAtSpace(const std::string& text, std::size_t nSpaces) {
    std::size_t nSeen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ' ' && nSeen++ == nSpaces) {
            return text.substr(0, i);
        }
    }
    return text;
}

bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

} // namespace

struct CSecurityTree::SLevel {
    std::vector<std::filesystem::path> subdirs;
    std::size_t nNext = 0;
};

CSecurityTree::CSecurityTree(CFileSystem& fs, const std::filesystem::path& folder) {
    Walk(fs, folder, nullptr);
}

CSecurityTree::CSecurityTree(CFileSystem& fs, const CDatabase& database) {
    Walk(fs, database.Folder(), &database);
}

void CSecurityTree::Walk(CFileSystem& fs, const std::filesystem::path& folder, const CDatabase* pDatabase) {
    std::set<std::pair<std::uint64_t, std::uint64_t>> visited;
    std::vector<SLevel> stack;
    // A folder's own securities first, then its subfolders in the order of their entries, each
    // read whole before the next; every folder once, however many entries lead to it.
    const auto enter = [&](const std::filesystem::path& dir, const CDatabase* pRead) {
        const auto id = fs.FileId(dir);
        if (!id || !visited.insert({id->nVolume, id->nIndex}).second) {
            return;
        }
        CNameIndex names;
        CDirectoryFiles files;
        if (pRead == nullptr) {
            if (auto listed = fs.ListDirectory(dir)) {
                names.Assign(std::move(*listed));
            }
            std::string strIgnored;
            files.Load(fs, dir, names, strIgnored);
        }
        const CNameIndex& index = pRead != nullptr ? pRead->Names() : names;
        const CDirectoryFiles& tree = pRead != nullptr ? pRead->DirectoryFiles() : files;
        const std::size_t nFolder = m_folders.size();
        m_folders.push_back(dir);
        SLevel level;
        std::set<std::string> seenNames;
        const std::size_t nMaster = tree.master.Counted(0);
        for (std::size_t i = 0; i < nMaster; ++i) {
            const MasterRecord& record = tree.master.records[i];
            if (!IsDirectoryEntry(record)) {
                Add({EntrySymbolText(record, std::string::npos), EntryNameText(record), SecurityFromMaster(record, i),
                     nFolder});
            } else if (const std::string name = DirectoryEntryName(record);
                       IsPlainName(name) && seenNames.insert(Upper(name)).second) {
                level.subdirs.push_back(dir / Utf8Path(index.Spell(name)));
            }
        }
        const std::size_t nEmaster = tree.emaster.Counted(0);
        for (std::size_t i = 0; i < nEmaster; ++i) {
            const EmasterRecord& record = tree.emaster.records[i];
            Add({FieldText(record.data() + kEmasterSymbolOffset, kEmasterSymbolChars), EmasterName(record),
                 SecurityFromEmaster(record, i), nFolder});
        }
        const std::size_t nXmaster = tree.xmaster.Counted(kXmasterCountOffset);
        for (std::size_t i = 0; i < nXmaster; ++i) {
            const XmasterRecord& record = tree.xmaster.records[i];
            SSecurity security = SecurityFromXmaster(record, i);
            std::string nameText = security.strName;
            Add({FieldText(record.data() + kXmasterSymbolOffset, kXmasterSymbolChars), std::move(nameText),
                 std::move(security), nFolder});
        }
        stack.push_back(std::move(level));
    };
    enter(folder, pDatabase);
    while (!stack.empty()) {
        SLevel& level = stack.back();
        if (level.nNext == level.subdirs.size()) {
            stack.pop_back();
            continue;
        }
        const std::filesystem::path dir = level.subdirs[level.nNext++];
        enter(dir, nullptr);
    }
}

void CSecurityTree::Add(SEntry entry) {
    const std::size_t nIndex = m_entries.size();
    m_byName[Upper(entry.strNameText)].push_back(nIndex);
    m_bySymbolWord[Upper(CutAtSpace(entry.strSymbolText, 0))].push_back(nIndex);
    m_entries.push_back(std::move(entry));
}

std::optional<SFoundSecurity> CSecurityTree::Find(const std::string& symbol) const {
    // A sought symbol with k spaces is compared with a stored symbol cut before its (k + 1)-th
    // space, and with the name as well; of several matches the first entry wins.
    const std::size_t nSpaces = static_cast<std::size_t>(std::count(symbol.begin(), symbol.end(), ' '));
    std::optional<std::size_t> first;
    if (const auto it = m_byName.find(Upper(symbol)); it != m_byName.end()) {
        first = it->second.front();
    }
    if (const auto it = m_bySymbolWord.find(Upper(CutAtSpace(symbol, 0))); it != m_bySymbolWord.end()) {
        for (std::size_t nIndex : it->second) {
            if (first && nIndex >= *first) {
                break;
            }
            if (EqualNoCase(symbol, CutAtSpace(m_entries[nIndex].strSymbolText, nSpaces))) {
                first = nIndex;
                break;
            }
        }
    }
    if (!first) {
        return std::nullopt;
    }
    return SFoundSecurity{m_entries[*first].security, m_folders[m_entries[*first].nFolder]};
}

std::optional<SFoundSecurity> FindSecurityInTree(CFileSystem& fs, const std::filesystem::path& folder,
                                                 const std::string& symbol) {
    return CSecurityTree(fs, folder).Find(symbol);
}
