#include "app/RecentFileList.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>
#include <QStringDecoder>

#include <cstdlib>
#include <optional>
#include <utility>

namespace {

const QByteArray kSection = QByteArrayLiteral("Recent File List");

// The section a line opens, or nothing when it is no header line.
std::optional<QByteArray> SectionOf(const QByteArray& line) {
    const QByteArray trimmed = line.trimmed();
    if (trimmed.size() < 2 || !trimmed.startsWith('[') || !trimmed.endsWith(']')) {
        return std::nullopt;
    }
    return trimmed.mid(1, trimmed.size() - 2).trimmed();
}

bool IsListSection(const QByteArray& name) {
    return name.compare(kSection, Qt::CaseInsensitive) == 0;
}

// Paths are written as UTF-8; one that is not valid UTF-8 came from an older version and
// is taken in the Windows code page's Latin part.
QString DecodePath(const QByteArray& bytes) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError()) {
        text = QString::fromLatin1(bytes);
    }
    return text;
}

QList<QByteArray> ReadLines(const QString& strPath) {
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QByteArray bytes = file.readAll();
    bytes.replace("\r\n", "\n");
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

} // namespace

CRecentFileList::CRecentFileList(QString strProfilePath, int nSize)
    : m_strProfilePath(std::move(strProfilePath)), m_nSize(nSize) {}

QString CRecentFileList::DefaultProfilePath() {
    // As the settings store finds its directory: a relative XDG_CONFIG_HOME is ignored.
    const char* pConfig = std::getenv("XDG_CONFIG_HOME");
    const QString dir = pConfig != nullptr && pConfig[0] == '/' ? QFile::decodeName(pConfig)
                                                                : QDir::homePath() + QStringLiteral("/.config");
    return dir + QStringLiteral("/Pelmar.INI");
}

void CRecentFileList::Add(const QString& strPath) {
    if (strPath.isEmpty() || strPath.contains(QLatin1Char('\n')) || strPath.contains(QLatin1Char('\r'))) {
        return;
    }
    m_arrNames.removeAll(strPath);
    m_arrNames.prepend(strPath);
    while (m_arrNames.size() > m_nSize) {
        m_arrNames.removeLast();
    }
}

void CRecentFileList::Remove(int nIndex) {
    if (nIndex >= 0 && nIndex < m_arrNames.size()) {
        m_arrNames.removeAt(nIndex);
    }
}

void CRecentFileList::ReadList() {
    m_arrNames.clear();
    QList<QString> found(m_nSize);
    bool bInSection = false;
    for (const QByteArray& line : ReadLines(m_strProfilePath)) {
        if (const auto section = SectionOf(line)) {
            bInSection = IsListSection(*section);
            continue;
        }
        const qsizetype nEquals = line.indexOf('=');
        if (!bInSection || nEquals < 0) {
            continue;
        }
        const QByteArray key = line.left(nEquals).trimmed();
        for (int i = 0; i < m_nSize; ++i) {
            if (key.compare("File" + QByteArray::number(i + 1), Qt::CaseInsensitive) == 0) {
                found[i] = DecodePath(line.mid(nEquals + 1).trimmed());
            }
        }
    }
    for (const QString& name : found) {
        if (!name.isEmpty() && !m_arrNames.contains(name)) {
            m_arrNames.append(name);
        }
    }
}

bool CRecentFileList::WriteList() const {
    const QList<QByteArray> lines = ReadLines(m_strProfilePath);
    if (lines.isEmpty() && m_arrNames.isEmpty()) {
        return true;
    }
    // Every line outside the list's section stays; the section goes where it stood.
    QByteArray bytes;
    bool bInSection = false;
    bool bWritten = false;
    const auto writeSection = [&] {
        if (bWritten || m_arrNames.isEmpty()) {
            bWritten = true;
            return;
        }
        bytes += '[' + kSection + "]\n";
        for (int i = 0; i < m_arrNames.size(); ++i) {
            bytes += "File" + QByteArray::number(i + 1) + '=' + m_arrNames[i].toUtf8() + '\n';
        }
        bWritten = true;
    };
    for (const QByteArray& line : lines) {
        if (const auto section = SectionOf(line)) {
            bInSection = IsListSection(*section);
            if (bInSection) {
                writeSection();
                continue;
            }
        }
        if (!bInSection) {
            bytes += line + '\n';
        }
    }
    writeSection();

    if (!QDir().mkpath(QFileInfo(m_strProfilePath).absolutePath())) {
        return false;
    }
    QSaveFile file(m_strProfilePath);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        return false;
    }
    return file.commit();
}

QString CRecentFileList::GetDisplayName(int nIndex, const QString& strCurrentDir) const {
    if (nIndex < 0 || nIndex >= m_arrNames.size()) {
        return {};
    }
    const QString& path = m_arrNames[nIndex];
    const QFileInfo info(path);
    if (!strCurrentDir.isEmpty() && QDir::cleanPath(info.absolutePath()) == QDir::cleanPath(strCurrentDir)) {
        return AbbreviateName(info.fileName(), kMaxDisplayChars);
    }
    return AbbreviateName(path, kMaxDisplayChars);
}

QString CRecentFileList::AbbreviateName(const QString& strPath, int nMaxChars) {
    if (strPath.size() <= nMaxChars) {
        return strPath;
    }
    const QStringList parts = strPath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty()) {
        return strPath;
    }
    // "/.../" and then as many of the last directories as fit before the name; the name
    // itself is always shown, however long.
    for (qsizetype nFirst = 1; nFirst < parts.size(); ++nFirst) {
        const QString candidate = QStringLiteral("/.../") + parts.mid(nFirst).join(QLatin1Char('/'));
        if (candidate.size() <= nMaxChars) {
            return candidate;
        }
    }
    return parts.last();
}
