// The File menu's list of recently opened files: full paths, newest first. It lives in the
// program's own profile file ("Pelmar.INI" in the configuration directory, section
// "Recent File List", values File1 to File4), apart from the settings store, and is written
// back whenever it changes. The application object owns the one list.
#pragma once

#include <QString>
#include <QStringList>

class CRecentFileList {
public:
    // The longest name a menu entry shows before the path is abbreviated.
    static constexpr int kMaxDisplayChars = 30;

    CRecentFileList(QString strProfilePath, int nSize);

    // "$XDG_CONFIG_HOME/Pelmar.INI" (default ~/.config): the file that older versions kept
    // their settings in, where the list has always been.
    static QString DefaultProfilePath();

    int GetSize() const { return m_nSize; }
    const QStringList& Entries() const { return m_arrNames; }

    // Puts path at the head, moving it up when it is listed already; the oldest entry falls
    // off a full list. A path that the profile file cannot hold (a line break in it) is not
    // listed.
    void Add(const QString& strPath);
    void Remove(int nIndex);

    void ReadList();
    // Rewrites the list's section in one step; the file's other sections stay as they are.
    bool WriteList() const;

    // The entry as the menu shows it: the file name alone when it lies in strCurrentDir,
    // else the path, abbreviated with "..." to kMaxDisplayChars where it is longer.
    QString GetDisplayName(int nIndex, const QString& strCurrentDir) const;
    static QString AbbreviateName(const QString& strPath, int nMaxChars);

private:
    QString m_strProfilePath;
    int m_nSize;
    QStringList m_arrNames;
};
