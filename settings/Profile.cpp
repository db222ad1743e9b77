// The store on QSettings: the native format of each system, opened once for the life of the
// store. QSettings writes what changed when the event loop is idle and when it is destroyed,
// merging with what another running copy wrote meanwhile.
#include "settings/Profile.h"

#include "platform/TextEncoding.h"
#include "settings/LegacyIniFile.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QSettings>
#include <QtCore/QStringList>
#include <QtCore/QVariant>

#include <charconv>
#include <optional>

namespace {

constexpr qint64 kMaxLegacyBytes = 1 << 20;

QString Key(const std::string& section, const std::string& key) {
    return QString::fromStdString(section) + u'/' + QString::fromStdString(key);
}

// Where older versions kept their settings file: the Windows directory, for which the
// configuration directory (the parent of the store's folder) stands elsewhere.
QString LegacyIniPath(const QSettings& settings) {
#ifdef Q_OS_WIN
    Q_UNUSED(settings);
    return qEnvironmentVariable("WINDIR") + QStringLiteral("/Pelmar.INI");
#else
    return QFileInfo(QFileInfo(settings.fileName()).absolutePath()).absolutePath() + QStringLiteral("/Pelmar.INI");
#endif
}

// Older versions wrote their file in the Windows code page; a text that is valid UTF-8 is
// taken as it stands.
QString LegacyText(const std::string& text) {
    const QString utf8 = QString::fromStdString(text);
    return utf8.toStdString() == text ? utf8 : QString::fromStdString(Windows1252ToUtf8(text));
}

// A name that QSettings would read as a path of groups cannot be copied unchanged.
bool IsPlainName(const QString& name) {
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(u'\\');
}


} // namespace

struct CProfile::SImpl {
    QSettings settings{QSettings::NativeFormat, QSettings::UserScope, QString::fromUtf8(kOrganisationName),
                       QStringLiteral("Pelmar")};
};

CProfile::CProfile() : m_pImpl(std::make_unique<SImpl>()) {}

CProfile::~CProfile() = default;

bool CProfile::CreateKey() {
    QSettings& settings = m_pImpl->settings;
    if (settings.allKeys().isEmpty()) {
        QFile legacy(LegacyIniPath(settings));
        if (legacy.open(QIODevice::ReadOnly) && legacy.size() <= kMaxLegacyBytes) {
            const QByteArray bytes = legacy.readAll();
            for (const SLegacyIniValue& value : ParseLegacyIniFile(std::string_view(bytes.constData(), bytes.size()))) {
                const QString section = LegacyText(value.strSection);
                const QString name = LegacyText(value.strName);
                if (IsPlainName(section) && IsPlainName(name)) {
                    settings.setValue(section + u'/' + name, LegacyText(value.strValue));
                }
            }
        }
    }
    return settings.isWritable();
}

int CProfile::GetInt(const std::string& section, const std::string& key, int nDefault) {
    return ScanInt(GetString(section, key, std::string())).value_or(nDefault);
}

int CProfile::PutInt(const std::string& section, const std::string& key, int nValue) {
    return PutString(section, key, std::to_string(nValue));
}

std::string CProfile::GetString(const std::string& section, const std::string& key,
                                const std::string& strDefault) {
    const QVariant value = m_pImpl->settings.value(Key(section, key));
    if (!value.isValid()) {
        return strDefault;
    }
    // A text with a comma that was written by hand without quotes reads as a list.
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(u',').toStdString();
    }
    return value.toString().toStdString();
}

int CProfile::PutString(const std::string& section, const std::string& key, const std::string& value) {
    QSettings& settings = m_pImpl->settings;
    // Always a text, never a number, so that the registry holds text values.
    settings.setValue(Key(section, key), QString::fromStdString(value));
    return settings.status() == QSettings::AccessError ? 0 : 1;
}
