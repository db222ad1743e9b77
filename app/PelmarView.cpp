#include "app/PelmarView.h"

#include "app/PelmarApp.h"
#include "app/RunMessageBox.h"
#include "app/SettingsDlg.h"
#include "engine/Converter.h"
#include "platform/FileSystem.h"
#include "platform/TextEncoding.h"
#include "settings/Profile.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QGuiApplication>

namespace {

constexpr int kPreviewLines = 10;
// The preview reads no more of the file than this, and shows no more of a line.
constexpr qint64 kPreviewBytes = 64 * 1024;
constexpr qsizetype kPreviewLineChars = 500;

// A line of the file as the log shows it: UTF-8 where it is valid, else the Windows code
// page that such files are often written in. Text ends at a NUL.
QString FileText(QByteArray line) {
    line.truncate(line.indexOf('\0') < 0 ? line.size() : line.indexOf('\0'));
    const QString text = QString::fromUtf8(line);
    if (text.toUtf8() == line) {
        return text;
    }
    return QString::fromStdString(Windows1252ToUtf8(std::string_view(line.constData(), line.size())));
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
    AppendText(tr("To help you with the conversion settings, your file...\n\n\t%1\n\nlooks like this...\n\n")
                   .arg(QDir::toNativeSeparators(m_strFilePath)));
    // A file that went away since the open shows the header alone; the settings still follow.
    QFile file(m_strFilePath);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray head = file.read(kPreviewBytes);
        QList<QByteArray> lines = head.split('\n');
        // A last line break ends the last line; nothing follows it.
        if (lines.back().isEmpty()) {
            lines.removeLast();
        }
        for (qsizetype i = 0; i < std::min<qsizetype>(kPreviewLines, lines.size()); ++i) {
            QByteArray line = lines[i];
            if (line.endsWith('\r')) {
                line.chop(1);
            }
            QString text = FileText(line);
            if (text.size() > kPreviewLineChars) {
                text = text.left(kPreviewLineChars) + QStringLiteral(" ...");
            }
            AppendText(text + QLatin1Char('\n'));
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
    if (dlg.exec() != QDialog::Accepted) {
        return;
    }
    settings = dlg.Settings();
    m_strSymbol = dlg.m_strSymbol;
    m_strName = dlg.m_strName;
    m_strPathOut = dlg.m_strPathOut;
    // The run records the paths, symbol and name itself once it succeeds.
    SaveImportSettings(*pApp->m_pProfile, settings);
    RunConversion(settings);
}

void CPelmarView::RunConversion(const SImportSettings& settings) {
    CPelmarApp* pApp = CPelmarApp::Instance();
    CRunMessageBox messages(pApp->MessageBox(), *this);
    CConverter job(GetSystemFileSystem(), messages, *pApp->m_pProfile);
    FillJob(settings, job);

    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const int nResult = job.Convert();
    QGuiApplication::restoreOverrideCursor();
    // Each run's lines stand apart from what the log showed before.
    const QString log = toPlainText();
    QStringList lines;
    if (!log.isEmpty()) {
        lines.append(log.endsWith(u'\n') ? QString() : QStringLiteral("\n"));
    }
    if (nResult == 0) {
        for (const std::string& line : job.Summary()) {
            lines.append(QString::fromStdString(line));
        }
        lines.append(tr("Conversion completed successfully!"));
        AppendText(lines.join(u'\n'));
        messages.Beep();
        return;
    }
    lines.append(tr("Conversion failed."));
    lines.append(messages.Texts());
    AppendText(lines.join(u'\n'));
}
