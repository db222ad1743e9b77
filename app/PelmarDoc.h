// The document: stands for the one text file the user opened. It holds none of the file's
// contents and never writes the file; opening hands the path to its view, which previews
// the file and goes on to the Settings command. The application object owns it.
#pragma once

#include <QString>

class CPelmarView;

class CPelmarDoc {
public:
    CPelmarDoc() = default;
    CPelmarDoc(const CPelmarDoc&) = delete;
    CPelmarDoc& operator=(const CPelmarDoc&) = delete;

    // The view that shows this document; set when the main window is made.
    void SetView(CPelmarView* pView) { m_pView = pView; }
    CPelmarView* GetView() const { return m_pView; }

    // A new, empty document: no path, an empty log. The view's file stays.
    bool OnNewDocument();
    // Checks that strPath can be read (a clear message when not, and nothing changes), then
    // hands it to the view, which previews it and runs the Settings command before this
    // returns.
    bool OnOpenDocument(const QString& strPath);

    // The path of the open document; empty for a new one.
    const QString& GetPathName() const { return m_strPathName; }
    void SetPathName(const QString& strPath) { m_strPathName = strPath; }

private:
    CPelmarView* m_pView = nullptr;
    QString m_strPathName;
};
