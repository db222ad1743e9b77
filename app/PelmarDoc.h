// The document: stands for the one text file the user opened. It holds none of the file's
// contents and never writes the file; opening hands the path to the view, which previews the
// file and goes on to the Settings command.
#pragma once

#include <QCoreApplication>
#include <QString>

class CMessageBox;
class CPelmarView;

class CPelmarDoc {
    Q_DECLARE_TR_FUNCTIONS(CPelmarDoc)
public:
    explicit CPelmarDoc(CPelmarView& view) : m_view(view) {}

    // A new, empty document: an empty log. The view's file stays the one to convert.
    bool OnNewDocument();
    // Refuses a path that cannot be read, saying why; else makes it the view's file with a
    // fresh symbol and name, and previews it (the settings dialog and the run follow before
    // this returns).
    bool OnOpenDocument(const QString& strPath, CMessageBox& messages);

private:
    CPelmarView& m_view;
};
