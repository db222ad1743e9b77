// The log view: a read-only, word-wrapped text that fills the main window. It shows the
// preview of the file (or the list of files) just opened, the outcome of every conversion run
// (the summary of a successful one, the reasons of a failed one, a line per file of a batch)
// and, while empty, how to start. It only shows text; the conversion controller writes it.
#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <QStringList>

class CPelmarView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CPelmarView(QWidget* pParent = nullptr);

    // Adds text at the end of the log and scrolls to it.
    void AppendText(const QString& text);
    // Writes a run's lines under what the log shows, a blank line between.
    void AppendRun(const QStringList& lines);
    // Empties the log.
    void OnClearWindow();
    // Empties the log and writes the header and the first ten lines of strFilePath, as the
    // conversion reads them; a file that cannot be read any more shows the header alone.
    void ShowPreview(const QString& strFilePath);
    // Empties the log and lists the files of a batch.
    void ShowBatchPreview(const QStringList& files);
};
