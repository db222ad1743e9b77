#include "settings/Profile.h"

#include "platform/FileSystem.h"
#include "platform/TextEncoding.h"
#include "platform/TextReader.h"
#include "settings/LegacyIniFile.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QSettings>
#include <QtCore/QStringDecoder>
#include <QtCore/QStringList>
#include <QtCore/QVariant>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#ifdef Q_OS_WIN
#include <windows.h>
#pragma comment(lib, "advapi32")
#endif

namespace {

// The registry's limits on the length of a key name and of a value name, in characters.
constexpr qsizetype kMaxSectionChars = 255;
constexpr qsizetype kMaxNameChars = 16383;

// Where one application key lives.
struct SStore {
    QString strLocation;
    QSettings::Format format;
};

// The components of a key path ("Software\Veldrin Software\Pelmar"); empty when the path
// cannot name a key, or could name one outside the configuration directory.
QStringList KeyComponents(const std::string& strPath) {
    const QString path = QString::fromUtf8(strPath);
    if (path.isEmpty() || path.toStdString() != strPath) {
        return {};
    }
    const QStringList parts = path.split(QLatin1Char('\\'));
    for (const QString& part : parts) {
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String("..") ||
            part.contains(QLatin1Char('/')) || part.contains(QChar(0))) {
            return {};
        }
    }
    return parts;
}

#ifdef Q_OS_WIN

std::optional<SStore> Locate(ERootKey rootKey, const std::string& strBasePath) {
    if (KeyComponents(strBasePath).isEmpty()) {
        return std::nullopt;
    }
    const QString root = rootKey == ERootKey::LocalMachine ? QStringLiteral("HKEY_LOCAL_MACHINE\\")
                                                           : QStringLiteral("HKEY_CURRENT_USER\\");
    return SStore{root + QString::fromUtf8(strBasePath), QSettings::NativeFormat};
}

std::optional<QString> LegacyFile(const std::string& strBasePath) {
    const QStringList parts = KeyComponents(strBasePath);
    wchar_t dir[MAX_PATH + 1] = {};
    const UINT nLength = GetWindowsDirectoryW(dir, MAX_PATH + 1);
    if (parts.isEmpty() || nLength == 0 || nLength > MAX_PATH) {
        return std::nullopt;
    }
    QString path = QString::fromWCharArray(dir, static_cast<qsizetype>(nLength));
    if (!path.endsWith(QLatin1Char('\\'))) {
        path += QLatin1Char('\\');
    }
    return path + parts.last() + QStringLiteral(".INI");
}

bool IsReadOnly(const SStore&) {
    return false;
}

#else

// The directory that stands for both the registry root and the Windows directory.
QString ConfigHome() {
    // A relative XDG_CONFIG_HOME is invalid and ignored.
    const char* pConfig = std::getenv("XDG_CONFIG_HOME");
    if (pConfig != nullptr && pConfig[0] == '/') {
        return QFile::decodeName(pConfig);
    }
    return QDir::homePath() + QStringLiteral("/.config");
}

// "Software\Veldrin Software\Pelmar" is the file "Veldrin Software/Pelmar.conf" in the
// configuration directory, whichever root the key names: the file belongs to the user.
std::optional<SStore> Locate(ERootKey, const std::string& strBasePath) {
    QStringList parts = KeyComponents(strBasePath);
    if (parts.size() > 1 && parts.front().compare(QLatin1String("Software"), Qt::CaseInsensitive) == 0) {
        parts.removeFirst();
    }
    if (parts.isEmpty()) {
        return std::nullopt;
    }
    return SStore{ConfigHome() + QLatin1Char('/') + parts.join(QLatin1Char('/')) + QStringLiteral(".conf"),
                  QSettings::IniFormat};
}

std::optional<QString> LegacyFile(const std::string& strBasePath) {
    const QStringList parts = KeyComponents(strBasePath);
    if (parts.isEmpty()) {
        return std::nullopt;
    }
    return ConfigHome() + QLatin1Char('/') + parts.last() + QStringLiteral(".INI");
}

// A store file without any write bit is read-only, as a registry key without write access
// would be; root could still write it, so the bits are tested rather than access().
bool IsReadOnly(const SStore& store) {
    const QFileInfo info(store.strLocation);
    constexpr QFileDevice::Permissions kAnyWrite =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return info.exists() && (info.permissions() & kAnyWrite) == 0;
}

#endif

// A name or text as the caller's UTF-8 bytes give it, up to a NUL as a C string ends there;
// nothing when the bytes are no valid UTF-8, which the store could not hold unchanged.
std::optional<QString> CallerText(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    // A leading byte order mark is part of the text, not a mark to drop; stateless, so that a
    // sequence cut off at the end counts as an error rather than waiting for more.
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
    QString result = decoder(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return result;
}

// Older versions wrote the legacy file in the Windows code page; a text that is valid UTF-8
// is taken as it stands.
QString LegacyText(const std::string& text) {
    if (const auto utf8 = CallerText(text)) {
        return *utf8;
    }
    return QString::fromStdString(Windows1252ToUtf8(text));
}

bool IsSectionName(const QString& section) {
    return !section.isEmpty() && section.size() <= kMaxSectionChars;
}

bool IsValueName(const QString& name) {
    return name.size() <= kMaxNameChars;
}

// QSettings takes "/" and "\" in a name for group separators and refuses the empty name,
// where the registry allows all three. Those are spelled %2F and %5C, "%" itself %25 so that
// the spelling stays unambiguous, and the empty name "%" alone, which no other name gives.
QString EncodeName(const QString& name) {
    if (name.isEmpty()) {
        return QStringLiteral("%");
    }
    QString result;
    result.reserve(name.size());
    for (const QChar c : name) {
        if (c == QLatin1Char('%')) {
            result += QStringLiteral("%25");
        } else if (c == QLatin1Char('/')) {
            result += QStringLiteral("%2F");
        } else if (c == QLatin1Char('\\')) {
            result += QStringLiteral("%5C");
        } else {
            result += c;
        }
    }
    return result;
}

// The registry finds key and value names without regard to case; so does the store file,
// taking an exact match first.
QString ExistingName(const QStringList& names, const QString& wanted) {
    if (names.contains(wanted)) {
        return wanted;
    }
    for (const QString& name : names) {
        if (name.compare(wanted, Qt::CaseInsensitive) == 0) {
            return name;
        }
    }
    return wanted;
}

std::optional<std::string> ReadText(const SStore& store, const QString& section, const QString& name) {
    if (!IsSectionName(section) || !IsValueName(name)) {
        return std::nullopt;
    }
    QSettings settings(store.strLocation, store.format);
    // A file with format errors still gives the values that it holds.
    if (settings.status() == QSettings::AccessError) {
        return std::nullopt;
    }
    settings.beginGroup(ExistingName(settings.childGroups(), EncodeName(section)));
    const QString key = ExistingName(settings.childKeys(), EncodeName(name));
    if (!settings.contains(key)) {
        return std::nullopt;
    }
    const QVariant value = settings.value(key);
    // An unquoted text with a comma, as a hand-edited file may hold, reads as a list.
    const QString text = value.typeId() == QMetaType::QStringList
                             ? value.toStringList().join(QLatin1Char(','))
                             : value.toString();
    std::string bytes = text.toStdString();
    if (bytes.size() + 1 > CProfile::kMaxValueBytes) {
        return std::nullopt;
    }
    // The text ends at a NUL, as the registry's text reads do.
    if (const std::size_t nNul = bytes.find('\0'); nNul != std::string::npos) {
        bytes.resize(nNul);
    }
    return bytes;
}

// Whether a write can go to the store: its file can be read and written. A file with format
// errors still can; QSettings keeps the values that it could read.
bool CanWrite(const SStore& store, const QSettings& settings) {
    return !IsReadOnly(store) && settings.status() != QSettings::AccessError && settings.isWritable();
}

bool WriteText(const SStore& store, const QString& section, const QString& name, const QString& text) {
    if (!IsSectionName(section) || !IsValueName(name)) {
        return false;
    }
    QSettings settings(store.strLocation, store.format);
    if (!CanWrite(store, settings)) {
        return false;
    }
    settings.beginGroup(ExistingName(settings.childGroups(), EncodeName(section)));
    // Always a text, never a number, so that the store holds what the registry would.
    settings.setValue(ExistingName(settings.childKeys(), EncodeName(name)), text);
    settings.endGroup();
    // The file is rewritten under a lock and renamed into place, so a second copy of the
    // program writing at the same time loses nothing.
    settings.sync();
    return settings.status() != QSettings::AccessError;
}

// Copies the legacy file's values into the store as it reads them, so that values copied
// before a failure stay.
class CMigrationSink : public CLegacyIniSink {
public:
    explicit CMigrationSink(const SStore& store) : m_store(store) {}

    // The store cannot hold a section without values; a section can be created when its name
    // is one the store can hold and the store can be written.
    bool OnSection(const std::string& strSection) override {
        if (!IsSectionName(LegacyText(strSection))) {
            return false;
        }
        QSettings settings(m_store.strLocation, m_store.format);
        return CanWrite(m_store, settings);
    }

    void OnValue(const std::string& strSection, const std::string& strName,
                 const std::string& strValue) override {
        WriteText(m_store, LegacyText(strSection), LegacyText(strName), LegacyText(strValue));
    }

private:
    const SStore& m_store;
};

// A "%d" scan: leading white space, an optional sign, the digits up to the first other
// character. Nothing when there are no digits or the number does not fit an int.
std::optional<int> ScanInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    bool bNegative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        bNegative = text[i] == '-';
        ++i;
    }
    if (i == text.size() || text[i] < '0' || text[i] > '9') {
        return std::nullopt;
    }
    long long nValue = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        nValue = nValue * 10 + (text[i] - '0');
        if (nValue > -static_cast<long long>(INT_MIN)) {
            return std::nullopt;
        }
    }
    if (bNegative) {
        nValue = -nValue;
    }
    if (nValue > INT_MAX) {
        return std::nullopt;
    }
    return static_cast<int>(nValue);
}

} // namespace

CProfile::~CProfile() = default;

bool CProfile::CreateKey(const std::string& strBasePath, bool& bCreatedNew, ERootKey rootKey) {
    m_eRootKey = rootKey;
    m_strBasePath = strBasePath;
    bCreatedNew = false;
    const auto store = Locate(m_eRootKey, m_strBasePath);
    if (!store) {
        return false;
    }
#ifdef Q_OS_WIN
    HKEY hKey = nullptr;
    DWORD nDisposition = 0;
    const std::wstring path = QString::fromUtf8(m_strBasePath).toStdWString();
    if (RegCreateKeyExW(rootKey == ERootKey::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER,
                        path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &hKey,
                        &nDisposition) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(hKey);
    bCreatedNew = nDisposition == REG_CREATED_NEW_KEY;
    return true;
#else
    if (!QDir().mkpath(QFileInfo(store->strLocation).absolutePath())) {
        return false;
    }
    QFile file(store->strLocation);
    // Created only when missing, in one step: of two copies starting at once, only one
    // sees a new key and migrates. The empty file marks the key as existing from now on.
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        file.close();
        if (file.error() != QFileDevice::NoError) {
            return false;
        }
        bCreatedNew = true;
        return true;
    }
    const QFileInfo info(store->strLocation);
    return info.isFile() && !IsReadOnly(*store);
#endif
}

void CProfile::MigrateIniFile() {
    const auto store = Locate(m_eRootKey, m_strBasePath);
    const auto legacy = LegacyFile(m_strBasePath);
    if (!store || !legacy) {
        return;
    }
    auto pFile = GetSystemFileSystem().Open(std::filesystem::path(QFile::encodeName(*legacy).toStdString()),
                                            EOpenMode::Read);
    if (!pFile) {
        return;
    }
    CTextReader reader(std::move(pFile));
    CMigrationSink sink(*store);
    ReadLegacyIniFile(reader, sink);
}

int CProfile::GetInt(const std::string& section, const std::string& key, int nDefault) {
    const std::string text = GetString(section, key, std::string());
    // An empty text has no digits either; it needs no separate case.
    return ScanInt(text).value_or(nDefault);
}

int CProfile::PutInt(const std::string& section, const std::string& key, int nValue) {
    return PutString(section, key, std::to_string(nValue));
}

std::string CProfile::GetString(const std::string& section, const std::string& key,
                                const std::string& strDefault) {
    const auto store = Locate(m_eRootKey, m_strBasePath);
    const auto sectionName = CallerText(section);
    const auto name = CallerText(key);
    if (!store || !sectionName || !name) {
        return strDefault;
    }
    return ReadText(*store, *sectionName, *name).value_or(strDefault);
}

int CProfile::PutString(const std::string& section, const std::string& key, const std::string& value) {
    const auto store = Locate(m_eRootKey, m_strBasePath);
    const auto sectionName = CallerText(section);
    const auto name = CallerText(key);
    const auto text = CallerText(value);
    if (!store || !sectionName || !name || !text) {
        return 0;
    }
    return WriteText(*store, *sectionName, *name, *text) ? 1 : 0;
}
