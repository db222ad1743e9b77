// The store on the Windows registry itself, for the command line there, which has no Qt. It
// keeps the key exactly as the window program's QSettings keeps it: one subkey per section,
// REG_SZ text values, a text that begins with "@" stored with a second "@" in front.
#include "settings/Profile.h"

#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/TextEncoding.h"
#include "settings/LegacyIniFile.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>

namespace {

const std::string kApplicationKey = std::string("Software\\") + kOrganisationName + "\\Pelmar";
constexpr std::uint64_t kMaxLegacyBytes = 1 << 20;

// Older versions wrote their file in the Windows code page; a text that is valid UTF-8 is
// taken as it stands.
std::string LegacyText(const std::string& text) {
    return IsUtf8(text) ? text : Windows1252ToUtf8(text);
}

// A name that QSettings would read as a path of groups cannot be copied unchanged.
bool IsPlainName(const std::string& name) {
    return !name.empty() && name.find_first_of("/\\") == std::string::npos;
}


// Whether the key or any key below it holds a value; true when that cannot be told.
bool HoldsValues(const CRegistryKey& key) {
    const auto nValues = key.ValueCount();
    const auto subkeys = key.SubkeyNames();
    if (!nValues || !subkeys || *nValues > 0) {
        return true;
    }
    for (const std::string& name : *subkeys) {
        const CRegistryKey subkey = key.OpenSubkey(name);
        if (!subkey.IsOpen() || HoldsValues(subkey)) {
            return true;
        }
    }
    return false;
}

} // namespace

struct CProfile::SImpl {
    // The application key, open for the life of the store; empty when it could not be opened.
    CRegistryKey key;
    bool bWritable = false;

    bool Write(const std::string& section, const std::string& name, std::string text) const {
        if (!bWritable) {
            return false;
        }
        if (!text.empty() && text.front() == '@') {
            text.insert(text.begin(), '@');
        }
        return key.CreateSubkey(section).WriteText(name, text);
    }
};

CProfile::CProfile() : m_pImpl(std::make_unique<SImpl>()) {}

CProfile::~CProfile() = default;

bool CProfile::CreateKey() {
    SImpl& impl = *m_pImpl;
    if (impl.key.IsOpen()) {
        return impl.bWritable;
    }
    impl.key = CRegistryKey::CreateUserKey(kApplicationKey);
    if (!impl.key.IsOpen()) {
        // A key that may not be written may still be read.
        impl.key = CRegistryKey::OpenUserKey(kApplicationKey);
        return false;
    }
    impl.bWritable = true;
    const auto windowsFolder = HoldsValues(impl.key) ? std::nullopt : WindowsFolder();
    if (!windowsFolder) {
        return true;
    }
    const std::filesystem::path legacyFile = *windowsFolder / Utf8Path("Pelmar.INI");
    if (const auto bytes = ReadWholeFile(GetSystemFileSystem(), legacyFile, kMaxLegacyBytes)) {
        for (const SLegacyIniValue& value : ParseLegacyIniFile(*bytes)) {
            const std::string section = LegacyText(value.strSection);
            const std::string name = LegacyText(value.strName);
            if (IsPlainName(section) && IsPlainName(name)) {
                impl.Write(section, name, LegacyText(value.strValue));
            }
        }
    }
    return true;
}

int CProfile::GetInt(const std::string& section, const std::string& key, int nDefault) {
    return ScanInt(GetString(section, key, std::string())).value_or(nDefault);
}

int CProfile::PutInt(const std::string& section, const std::string& key, int nValue) {
    return PutString(section, key, std::to_string(nValue));
}

std::string CProfile::GetString(const std::string& section, const std::string& key,
                                const std::string& strDefault) {
    std::optional<std::string> text = m_pImpl->key.OpenSubkey(section).ReadText(key);
    if (!text) {
        return strDefault;
    }
    // QSettings marks its own encodings with "@"; a text of the user's that begins with one
    // is stored with a second in front.
    if (text->starts_with("@@")) {
        text->erase(0, 1);
    } else if (*text == "@Invalid()") {
        return strDefault;
    }
    return *text;
}

int CProfile::PutString(const std::string& section, const std::string& key, const std::string& value) {
    return m_pImpl->Write(section, key, value) ? 1 : 0;
}
