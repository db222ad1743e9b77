// The conversions of the window program: the file (or the files of a batch) opened last and
// what was confirmed for it, the Settings command that runs the settings dialog over it, and
// the runs themselves, with their wait cursor, progress and outcome in the log. The
// application object owns it beside the main window; every call to the converter is made here.
#pragma once

#include "engine/JobSettings.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

class CMessageBox;
class CPelmarView;
class CSettingsStore;
class QAction;
class QWidget;

class CConversionController : public QObject {
    Q_OBJECT
public:
    // window owns the dialogs; log shows the previews and the outcomes.
    CConversionController(CSettingsStore& store, CMessageBox& messages, CPelmarView& log, QWidget& window);

    // Refuses a path that cannot be read, saying why; else makes it the file to convert, with
    // the symbol its name gives, no name and the stored output folder, and shows its preview
    // (the settings dialog and the run follow before this returns).
    bool OnOpenDocument(const QString& strPath);
    // Several files as one batch: those that cannot be read are named in one message and left
    // out; one file left opens as above. False when none is left.
    bool OnOpenDocuments(const QStringList& paths);
    // The preview of the file (or the list of the batch's files), then the Settings command.
    void OnShowPreview();
    // The Settings command: reads the stored settings, runs the settings dialog and converts on
    // OK. A run that is refused (it wrote nothing) keeps the dialog open for a correction.
    void OnSettings();
    // Enabled exactly when a file has been opened.
    void OnUpdateSettings(QAction& action) const;

    // Full path of the file last opened; never emptied.
    const QString& FilePath() const { return m_strFilePath; }

    // Symbol (Windows-1252), file number and last date of each security of a folder.
    using SListing = std::vector<std::tuple<std::string, int, std::int32_t>>;

signals:
    // A run added to the database in strFolder (a full path); strSymbol (UTF-8) is one of
    // the securities it wrote, empty when the run does not know one.
    void databaseWritten(const QString& strFolder, const QString& strSymbol);

private:
    // The run of confirmed settings; false when it wrote nothing and failed, so that the
    // dialog (owner, which also owns the progress) stays open.
    bool Run(const SImportSettings& settings, QWidget& owner);
    bool RunConversion(const SImportSettings& settings);
    bool RunBatch(const SImportSettings& settings, QWidget& owner);
    // The output folder's listing before a run of new bars (Add New Bars, Add or Update), to
    // tell whether it wrote anything; nullopt for the other modes, whose successful runs
    // always write.
    std::optional<SListing> Listing(const SImportSettings& settings) const;
    // After a run (bWritten: it added to the database): a database that "Make New Master" made
    // is used as it exists by the next run.
    void RunDone(const SImportSettings& settings, bool bWritten);

    CSettingsStore& m_store;
    CMessageBox& m_messages;
    CPelmarView& m_log;
    QWidget& m_window;

    // Full path of the file last opened; set by an open and never emptied.
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
};
