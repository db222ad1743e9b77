// The log view: a read-only, word-wrapped text that fills the main window. It shows the
// preview of the file just opened and the outcome line of every conversion run.
//
// For the Settings command (defined in app/SettingsCommand.cpp): m_strFilePath is the file
// to convert, AppendText adds a line to the log, and CPelmarApp::Instance() (app/PelmarApp.h)
// gives the settings store (Profile()) and the message box (MessageBox()).
#pragma once

#include <QPlainTextEdit>
#include <QString>

class QAction;

class CPelmarView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CPelmarView(QWidget* pParent = nullptr);

    // Adds text at the end of the log and scrolls to it; "\r\n" and "\n" both break lines.
    // Nothing the program writes here can be undone.
    void AppendText(const QString& text);

    // The Settings command: the dialog, then the conversion run.
    void OnSettings();
    // Enabled exactly when a file has been opened.
    void OnUpdateSettings(QAction& action) const;
    // Empties the log; the file stays the one to convert.
    void OnClearWindow();
    // Empties the log, writes the header and the first ten reads of m_strFilePath, then
    // runs the Settings command. Always 0.
    int OnShowPreview();

    // Full path of the file last opened; set by the document's open and never emptied.
    QString m_strFilePath;
};
