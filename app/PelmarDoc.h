// The document: stands for the text file (or the files of a batch) the user opened. It holds
// none of the files' contents and never writes them; opening hands the paths to the view,
// which previews them and goes on to the Settings command.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

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
    // Several files as one batch: those that cannot be read are named in one message and left
    // out; one file left opens as above. False when none is left.
    bool OnOpenDocuments(const QStringList& paths, CMessageBox& messages);

private:
    // Why path cannot be opened; empty when it can.
    static QString OpenProblem(const QString& strPath);

    CPelmarView& m_view;
};
