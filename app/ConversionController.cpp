#include "app/ConversionController.h"

#include "app/PelmarView.h"
#include "app/RunMessageBox.h"
#include "app/SettingsDlg.h"
#include "engine/BatchConverter.h"
#include "engine/Converter.h"
#include "engine/JobSettings.h"
#include "engine/Wording.h"
#include "metastock/Database.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/SettingsStore.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProgressDialog>

namespace {

// Why path cannot be opened; empty when it can.
QString OpenProblem(const QString& strPath) {
    const QFileInfo info(strPath);
    QFile file(strPath);
    if (!info.exists()) {
        return CConversionController::tr("The file does not exist.");
    }
    if (info.isDir()) {
        return CConversionController::tr("This is a folder, not a file.");
    }
    if (!info.isFile()) {
        // A pipe or a device would block the read or never end.
        return CConversionController::tr("This is not a regular file.");
    }
    if (!file.open(QIODevice::ReadOnly)) {
        return CConversionController::tr("The file cannot be read: %1.").arg(file.errorString());
    }
    return QString();
}

// The lines a run left out, each with its number and reason, as the log lists them.
QStringList SkippedLines(const std::vector<SBadLine>& skipped, std::uint64_t nAll) {
    QStringList lines;
    for (const SBadLine& line : skipped) {
        lines << CConversionController::tr("Line %1 left out: %2").arg(line.nLine).arg(QString::fromStdString(line.strReason));
    }
    if (nAll > skipped.size()) {
        lines << CConversionController::tr("%1 more lines left out are not listed.").arg(nAll - skipped.size());
    }
    return lines;
}

// What the directory files of a folder say of each security: a run that leaves it as it was
// (new bars that were all held already) wrote nothing.
CConversionController::SListing FolderListing(CMessageBox& messages, const std::string& strFolder) {
    CDatabase database(GetSystemFileSystem(), messages, Utf8Path(strFolder));
    std::string strError;
    CConversionController::SListing listing;
    for (const SSecurity& security : database.Read(strError) ? database.Securities() : std::vector<SSecurity>()) {
        listing.emplace_back(security.strSymbol, security.nFileNumber, security.nLastDate);
    }
    return listing;
}

// Why a file was left out of a batch, on one line: the first reason and, when the reason
// lists bad lines, the first of them; the log stays readable for a folder of files.
QString OneLine(const std::vector<std::string>& texts) {
    QStringList parts;
    for (const std::string& text : texts) {
        parts << QString::fromStdString(text).split(u'\n', Qt::SkipEmptyParts);
    }
    QString line = parts.value(0).trimmed();
    if (line.endsWith(u':') && parts.size() > 1) {
        line += u' ' + parts[1].trimmed() + (parts.size() > 2 ? QStringLiteral(" ...") : QString());
    }
    return line;
}

QString FullPath(const std::string& strPath) {
    return QDir::cleanPath(QFileInfo(QString::fromStdString(strPath)).absoluteFilePath());
}

} // namespace

CConversionController::CConversionController(CSettingsStore& store, CMessageBox& messages, CPelmarView& log,
                                             QWidget& window)
    : m_store(store), m_messages(messages), m_log(log), m_window(window) {}

bool CConversionController::OnOpenDocument(const QString& strPath) {
    const QString problem = OpenProblem(strPath);
    if (!problem.isEmpty()) {
        m_messages.Show(tr("Cannot open %1\n\n%2").arg(QDir::toNativeSeparators(strPath), problem).toStdString());
        return false;
    }
    m_strFilePath = strPath;
    m_files.clear();
    m_strSymbol =
        QString::fromStdString(SymbolFromFileName(QFileInfo(strPath).completeBaseName().toStdString()));
    m_strName.clear();
    m_strPathOut.clear();
    m_bDetect = true;
    OnShowPreview();
    return true;
}

bool CConversionController::OnOpenDocuments(const QStringList& paths) {
    QStringList files;
    QStringList refused;
    for (const QString& path : paths) {
        const QString problem = OpenProblem(path);
        if (problem.isEmpty()) {
            files << path;
        } else {
            refused << tr("%1: %2").arg(QDir::toNativeSeparators(path), problem);
        }
    }
    if (!refused.isEmpty()) {
        m_messages.Show(tr("These files cannot be opened and are left out:\n\n%1").arg(refused.join(u'\n')).toStdString());
    }
    if (files.size() <= 1) {
        return !files.isEmpty() && OnOpenDocument(files.front());
    }
    m_strFilePath = files.front();
    m_files = files;
    m_strSymbol.clear();
    m_strName.clear();
    m_strPathOut.clear();
    m_bDetect = true;
    OnShowPreview();
    return true;
}

void CConversionController::OnShowPreview() {
    m_files.isEmpty() ? m_log.ShowPreview(m_strFilePath) : m_log.ShowBatchPreview(m_files);
    OnSettings();
}

void CConversionController::OnUpdateSettings(QAction& action) const {
    action.setEnabled(!m_strFilePath.isEmpty());
}

void CConversionController::OnSettings() {
    SImportSettings settings = LoadImportSettings(m_store);
    settings.strPathIn = m_strFilePath.toStdString();
    settings.strSymbol = m_strSymbol.toStdString();
    settings.strName = m_strName.toStdString();
    if (!m_strPathOut.isEmpty()) {
        settings.strPathOut = m_strPathOut.toStdString();
    }

    CSettingsDlg dlg(m_messages, &m_window);
    dlg.SetSettings(settings);
    dlg.m_bSymbolFromFileNames = !m_files.isEmpty();
    dlg.m_bDetect = m_bDetect;
    dlg.m_fnApply = [this, &dlg] {
        // What was confirmed stays with the file, also when the run is refused.
        m_bDetect = false;
        m_strSymbol = dlg.m_strSymbol;
        m_strName = dlg.m_strName;
        m_strPathOut = dlg.m_strPathOut;
        const SImportSettings confirmed = dlg.Settings();
        // The run records the paths, symbol and name itself once it succeeds.
        SaveImportSettings(m_store, confirmed);
        return Run(confirmed, dlg);
    };
    dlg.exec();
}

bool CConversionController::Run(const SImportSettings& settings, QWidget& owner) {
    return m_files.isEmpty() ? RunConversion(settings) : RunBatch(settings, owner);
}

bool CConversionController::RunConversion(const SImportSettings& settings) {
    CRunMessageBox messages(m_messages, m_log);
    CConverter job(GetSystemFileSystem(), messages, m_store, WindowWording());

    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const auto before = Listing(settings);
    const int nResult = job.Convert(ConversionOf(settings));
    QGuiApplication::restoreOverrideCursor();
    QStringList lines;
    if (nResult != 0) {
        lines.append(tr("Conversion failed."));
        lines.append(messages.Texts());
        m_log.AppendRun(lines);
        return false;
    }
    lines << SkippedLines(job.SkippedLines(), job.SkippedLineCount());
    for (const std::string& line : job.Summary()) {
        lines.append(QString::fromStdString(line));
    }
    lines.append(tr("Conversion completed successfully!"));
    m_log.AppendRun(lines);
    messages.Beep();
    RunDone(settings, true);
    if (!before || *before != Listing(settings)) {
        emit databaseWritten(FullPath(settings.strPathOut), QString::fromStdString(settings.strSymbol));
    }
    return true;
}

bool CConversionController::RunBatch(const SImportSettings& settings, QWidget& owner) {
    CRunMessageBox messages(m_messages, m_log);
    CBatchConverter batch(GetSystemFileSystem(), messages, m_store, WindowWording());
    const QString folder = FullPath(settings.strPathOut);
    const int nFiles = static_cast<int>(m_files.size());

    // Cancel is heard after each file is read, up to the last: then the database is written.
    QProgressDialog progress(tr("Reading the files..."), tr("Cancel"), 0, nFiles, &owner);
    progress.setWindowTitle(tr("Converting %1 files").arg(nFiles));
    // Wide enough for its caption and a file's name.
    progress.setMinimumWidth(progress.fontMetrics().averageCharWidth() * 60);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setValue(0);
    batch.SetProgress([&](std::size_t nDone, std::size_t nTotal, const std::string& strPath) {
        progress.setLabelText(nDone < nTotal ? tr("Read %1 of %2 files: %3")
                                                   .arg(nDone)
                                                   .arg(nTotal)
                                                   .arg(QFileInfo(QString::fromStdString(strPath)).fileName())
                                             : tr("Writing the database in %1...").arg(QDir::toNativeSeparators(folder)));
        progress.setValue(static_cast<int>(nDone));
        const bool bGoOn = !progress.wasCanceled();
        // Past the last file the writing cannot be stopped.
        if (nDone == nTotal && bGoOn) {
            progress.setCancelButton(nullptr);
        }
        return bGoOn;
    });
    std::vector<std::string> files;
    for (const QString& path : std::as_const(m_files)) {
        files.push_back(path.toStdString());
    }
    const auto before = Listing(settings);
    const int nResult = batch.Run(ConversionOf(settings), files, true);
    progress.close();

    if (batch.Cancelled()) {
        // Under the batch's own notice that nothing was written.
        m_log.AppendText(QLatin1Char('\n') + tr("Conversion cancelled."));
        return true;
    }
    QStringList lines;
    QString written;
    for (const SBatchFileResult& result : batch.Results()) {
        if (result.bOk) {
            QStringList summary;
            for (const std::string& line : result.summary) {
                summary << QString::fromStdString(line);
            }
            lines << SkippedLines(result.skipped, result.skipped.size()) << summary.join(QStringLiteral("; "));
            written = written.isEmpty() ? QString::fromStdString(result.strSymbol) : written;
        } else {
            // A file that read well but was not written shares the batch's reason, given below.
            const QString reason = OneLine(result.messages);
            lines << tr("%1: not converted: %2")
                         .arg(QDir::toNativeSeparators(QString::fromStdString(result.strPath)),
                              reason.isEmpty() ? tr("the batch was not written.") : reason);
        }
    }
    lines << QString::fromStdString(batch.Total()) << tr("Folder: %1").arg(QDir::toNativeSeparators(folder));
    if (nResult == 0) {
        lines << tr("Conversion completed successfully!");
        m_log.AppendRun(lines);
        messages.Beep();
    } else {
        lines << tr("Conversion failed.") << messages.Texts();
        m_log.AppendRun(lines);
    }
    // The good files of a failed batch are in the database all the same.
    RunDone(settings, !written.isEmpty());
    if (!written.isEmpty() && (!before || *before != Listing(settings))) {
        emit databaseWritten(folder, written);
    }
    return nResult == 0 || !written.isEmpty();
}

std::optional<CConversionController::SListing> CConversionController::Listing(const SImportSettings& settings) const {
    // Only new bars can leave a successful run with nothing written.
    if (settings.nExist != static_cast<long long>(EMasterMode::AddNewBars) &&
        settings.nExist != static_cast<long long>(EMasterMode::AddOrUpdate)) {
        return std::nullopt;
    }
    return FolderListing(m_messages, FullPath(settings.strPathOut).toStdString());
}

void CConversionController::RunDone(const SImportSettings& settings, bool bWritten) {
    // The database made by this run exists now: the next file is added to it.
    if (bWritten && settings.nExist == static_cast<long long>(EMasterMode::MakeNew)) {
        for (const SIntKey& key : kIntKeys) {
            if (key.pMember == &SImportSettings::nExist) {
                m_store.PutInt(kImportSection, key.pszKey, static_cast<int>(EMasterMode::UseExisting));
            }
        }
    }
}
