#include "app/PelmarView.h"

#include "app/PelmarApp.h"
#include "app/RunMessageBox.h"
#include "app/SettingsDlg.h"
#include "engine/BatchConverter.h"
#include "engine/Converter.h"
#include "engine/JobSettings.h"
#include "engine/LineReader.h"
#include "engine/Wording.h"
#include "metastock/Database.h"
#include "platform/FileSystem.h"
#include "platform/TextEncoding.h"
#include "settings/Profile.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProgressDialog>

namespace {

constexpr int kPreviewLines = 10;
// The preview reads no more of the file than this, and shows no more of a line.
constexpr qint64 kPreviewBytes = 64 * 1024;
constexpr qsizetype kPreviewLineChars = 500;

// The first lines of a file as the log shows them, read as the conversion reads them: line
// ends of any kind, a UTF-8 byte-order mark dropped, and content that is not plain text
// (UTF-16, NUL bytes) told in the reader's words instead of shown. The lines are UTF-8 when
// all of them are valid UTF-8, else the Windows code page that such files are often written in.
QStringList PreviewLines(const QByteArray& head) {
    CLineReader reader(std::string_view(head.constData(), static_cast<std::size_t>(head.size())));
    std::vector<std::string> lines;
    SPhysicalLine line;
    while (lines.size() < static_cast<std::size_t>(kPreviewLines) && reader.Next(line)) {
        lines.emplace_back(line.text);
    }
    const bool bUtf8 = std::all_of(lines.begin(), lines.end(), [](const std::string& text) { return IsUtf8(text); });
    QStringList texts;
    for (const std::string& text : lines) {
        QString shown = QString::fromStdString(bUtf8 ? text : Windows1252ToUtf8(text));
        if (shown.size() > kPreviewLineChars) {
            shown = shown.left(kPreviewLineChars) + QStringLiteral(" ...");
        }
        texts << shown;
    }
    if (reader.Fault() != ETextFault::None) {
        texts << QString::fromStdString(reader.FaultText());
    }
    return texts;
}

// The lines a run left out, each with its number and reason, as the log lists them.
QStringList SkippedLines(const std::vector<SBadLine>& skipped, std::uint64_t nAll) {
    QStringList lines;
    for (const SBadLine& line : skipped) {
        lines << QCoreApplication::translate("CPelmarView", "Line %1 left out: %2")
                     .arg(line.nLine)
                     .arg(QString::fromStdString(line.strReason));
    }
    if (nAll > skipped.size()) {
        lines << QCoreApplication::translate("CPelmarView", "%1 more lines left out are not listed.")
                     .arg(nAll - skipped.size());
    }
    return lines;
}

// What the directory files of a folder say of each security: a run that leaves it as it was
// (new bars that were all held already) wrote nothing.
CPelmarView::SListing FolderListing(CMessageBox& messages, const std::string& strFolder) {
    CDatabase database(GetSystemFileSystem(), messages, Utf8Path(strFolder));
    std::string strError;
    CPelmarView::SListing listing;
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

CPelmarView::CPelmarView(QWidget* pParent) : QPlainTextEdit(pParent) {
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setUndoRedoEnabled(false);
    setPlaceholderText(tr("To start, open a price file: File > Open... (Ctrl+O)."));
    setWhatsThis(tr("The log. It shows the first lines of the file you opened and the outcome of each conversion. "
                    "You can select and copy its text, but not change it."));
}

void CPelmarView::AppendText(const QString& text) {
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    setTextCursor(cursor);
    ensureCursorVisible();
}

void CPelmarView::OnUpdateSettings(QAction& action) const {
    action.setEnabled(!m_strFilePath.isEmpty());
}

void CPelmarView::OnClearWindow() {
    clear();
}

int CPelmarView::OnShowPreview() {
    clear();
    if (!m_files.isEmpty()) {
        QString list;
        for (const QString& path : std::as_const(m_files)) {
            list += QStringLiteral("\t%1\n").arg(QDir::toNativeSeparators(path));
        }
        AppendText(tr("You opened %1 files...\n\n%2\nOne set of conversion settings applies to them all; each "
                      "file becomes a security whose symbol is its name's stem.\n")
                       .arg(m_files.size())
                       .arg(list));
        OnSettings();
        return 0;
    }
    AppendText(tr("To help you with the conversion settings, your file...\n\n\t%1\n\nlooks like this...\n\n")
                   .arg(QDir::toNativeSeparators(m_strFilePath)));
    // A file that went away since the open shows the header alone; the settings still follow.
    QFile file(m_strFilePath);
    if (file.open(QIODevice::ReadOnly)) {
        for (const QString& line : PreviewLines(file.read(kPreviewBytes))) {
            AppendText(line + QLatin1Char('\n'));
        }
    }
    OnSettings();
    return 0;
}

void CPelmarView::OnSettings() {
    CPelmarApp* pApp = CPelmarApp::Instance();
    if (pApp == nullptr || !pApp->m_pProfile) {
        return;
    }
    SImportSettings settings = LoadImportSettings(*pApp->m_pProfile);
    settings.strPathIn = m_strFilePath.toStdString();
    settings.strSymbol = m_strSymbol.toStdString();
    settings.strName = m_strName.toStdString();
    if (!m_strPathOut.isEmpty()) {
        settings.strPathOut = m_strPathOut.toStdString();
    }

    CSettingsDlg dlg(pApp->MessageBox(), window());
    dlg.SetSettings(settings);
    dlg.m_bSymbolFromFileNames = !m_files.isEmpty();
    dlg.m_bDetect = m_bDetect;
    if (dlg.exec() != QDialog::Accepted) {
        return;
    }
    m_bDetect = false;
    settings = dlg.Settings();
    m_strSymbol = dlg.m_strSymbol;
    m_strName = dlg.m_strName;
    m_strPathOut = dlg.m_strPathOut;
    // The run records the paths, symbol and name itself once it succeeds.
    SaveImportSettings(*pApp->m_pProfile, settings);
    m_files.isEmpty() ? RunConversion(settings) : RunBatch(settings);
}

void CPelmarView::AppendRun(const QStringList& lines) {
    const QString log = toPlainText();
    QString text = lines.join(u'\n');
    if (!log.isEmpty()) {
        text.prepend(log.endsWith(u'\n') ? QStringLiteral("\n") : QStringLiteral("\n\n"));
    }
    AppendText(text);
}

void CPelmarView::RunConversion(const SImportSettings& settings) {
    CPelmarApp* pApp = CPelmarApp::Instance();
    CRunMessageBox messages(pApp->MessageBox(), *this);
    CConverter job(GetSystemFileSystem(), messages, *pApp->m_pProfile, WindowWording());

    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const auto before = Listing(settings);
    const int nResult = job.Convert(ConversionOf(settings));
    QGuiApplication::restoreOverrideCursor();
    QStringList lines;
    if (nResult == 0) {
        lines << SkippedLines(job.SkippedLines(), job.SkippedLineCount());
        for (const std::string& line : job.Summary()) {
            lines.append(QString::fromStdString(line));
        }
        lines.append(tr("Conversion completed successfully!"));
        AppendRun(lines);
        messages.Beep();
        RunDone(settings, true);
        if (!before || *before != Listing(settings)) {
            emit databaseWritten(FullPath(settings.strPathOut), QString::fromStdString(settings.strSymbol));
        }
        return;
    }
    lines.append(tr("Conversion failed."));
    lines.append(messages.Texts());
    AppendRun(lines);
}

void CPelmarView::RunBatch(const SImportSettings& settings) {
    CPelmarApp* pApp = CPelmarApp::Instance();
    CRunMessageBox messages(pApp->MessageBox(), *this);
    CBatchConverter batch(GetSystemFileSystem(), messages, *pApp->m_pProfile, WindowWording());
    const QString folder = FullPath(settings.strPathOut);
    const int nFiles = static_cast<int>(m_files.size());

    // Cancel is heard after each file is read, up to the last: then the database is written.
    QProgressDialog progress(tr("Reading the files..."), tr("Cancel"), 0, nFiles, window());
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
        AppendText(QLatin1Char('\n') + tr("Conversion cancelled."));
        return;
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
        AppendRun(lines);
        messages.Beep();
    } else {
        lines << tr("Conversion failed.") << messages.Texts();
        AppendRun(lines);
    }
    // The good files of a failed batch are in the database all the same.
    RunDone(settings, !written.isEmpty());
    if (!written.isEmpty() && (!before || *before != Listing(settings))) {
        emit databaseWritten(folder, written);
    }
}

std::optional<CPelmarView::SListing> CPelmarView::Listing(const SImportSettings& settings) const {
    // Only new bars can leave a successful run with nothing written.
    if (settings.nExist != static_cast<long long>(EMasterMode::AddNewBars)) {
        return std::nullopt;
    }
    return FolderListing(CPelmarApp::Instance()->MessageBox(), FullPath(settings.strPathOut).toStdString());
}

void CPelmarView::RunDone(const SImportSettings& settings, bool bWritten) {
    // The database made by this run exists now: the next file is added to it.
    if (bWritten && settings.nExist == static_cast<long long>(EMasterMode::MakeNew)) {
        CPelmarApp::Instance()->m_pProfile->PutInt(kImportSection, "Exist",
                                                   static_cast<int>(EMasterMode::UseExisting));
    }
}
