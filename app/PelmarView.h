// The log view: a read-only, word-wrapped text that fills the main window. It shows the
// preview of the file (or the list of files) just opened, the outcome of every conversion run
// (the summary of a successful one, the reasons of a failed one, a line per file of a batch)
// and, while empty, how to start.
//
// The Settings command lives here: it reads the stored settings, runs the settings dialog for
// the file last opened (m_strFilePath) or the batch (m_files) and runs the conversion.
#pragma once

#include "engine/JobSettings.h"

#include <QPlainTextEdit>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

class QAction;

class CPelmarView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CPelmarView(QWidget* pParent = nullptr);

    // Adds text at the end of the log and scrolls to it.
    void AppendText(const QString& text);

    // The Settings command: the dialog, then the conversion run.
    void OnSettings();
    // Enabled exactly when a file has been opened.
    void OnUpdateSettings(QAction& action) const;
    // Empties the log; the file stays the one to convert.
    void OnClearWindow();
    // Empties the log, writes the header and the first ten lines of m_strFilePath (the list
    // of files for a batch), then runs the Settings command. Always 0.
    int OnShowPreview();

    // Full path of the file last opened; set by the document's open and never emptied.
    QString m_strFilePath;
    // Symbol, name and output directory for that file as last confirmed in the dialog. A
    // newly opened file starts with the symbol that its name gives, no name and the stored
    // directory (empty here), never the previous file's symbol and name.
    QString m_strSymbol;
    QString m_strName;
    QString m_strPathOut;
    // The files opened together as one batch, m_strFilePath the first; empty for one file.
    // A batch takes each file's symbol from its name.
    QStringList m_files;
    // The file was opened afresh: the dialog detects its layout, until settings are confirmed.
    bool m_bDetect = false;

    // Symbol (Windows-1252), file number and last date of each security of a folder.
    using SListing = std::vector<std::tuple<std::string, int, std::int32_t>>;

signals:
    // A run added to the database in strFolder (a full path); strSymbol (UTF-8) is one of
    // the securities it wrote, empty when the run does not know one.
    void databaseWritten(const QString& strFolder, const QString& strSymbol);

private:
    void RunConversion(const SImportSettings& settings);
    void RunBatch(const SImportSettings& settings);
    // Writes a run's lines under what the log shows, a blank line between.
    void AppendRun(const QStringList& lines);
    // The output folder's listing before a run of new bars, to tell whether it wrote anything;
    // nullopt for the other modes, whose successful runs always write.
    std::optional<SListing> Listing(const SImportSettings& settings) const;
    // After a run (bWritten: it added to the database): a database that "Make New Master" made
    // is used as it exists by the next run.
    void RunDone(const SImportSettings& settings, bool bWritten);
};
