#include "app/PelmarView.h"

#include "platform/FileSystem.h"
#include "platform/TextEncoding.h"
#include "platform/TextReader.h"

#include <QAction>
#include <QFile>
#include <QScrollBar>
#include <QStringDecoder>
#include <QTextCursor>

#include <filesystem>
#include <string>

namespace {

// The preview shows this many reads of the file.
constexpr int kPreviewReads = 10;

// A piece of the file as the log shows it: UTF-8 where it is valid, else the Windows code
// page that such files were written in. Text ends at a NUL, as the original log's did.
QString FileText(std::string piece) {
    if (const std::size_t nNul = piece.find('\0'); nNul != std::string::npos) {
        piece.resize(nNul);
    }
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = decoder(QByteArrayView(piece.data(), static_cast<qsizetype>(piece.size())));
    if (decoder.hasError()) {
        text = QString::fromStdString(Windows1252ToUtf8(piece));
    }
    return text;
}

} // namespace

CPelmarView::CPelmarView(QWidget* pParent) : QPlainTextEdit(pParent) {
    setReadOnly(true);
    // Selectable and copyable, never typed into.
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setUndoRedoEnabled(false);
    setAcceptDrops(false);
    setWhatsThis(QStringLiteral(
        "The log. It shows the first lines of the file you opened and the outcome of each "
        "conversion. You can select and copy its text, but not change it."));
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
    setPlainText(QString());
}

int CPelmarView::OnShowPreview() {
    // One repaint for the whole preview rather than one per line.
    setUpdatesEnabled(false);
    auto pFile = GetSystemFileSystem().Open(std::filesystem::path(QFile::encodeName(m_strFilePath).toStdString()),
                                            EOpenMode::Read);
    setPlainText(QString());
    AppendText(QStringLiteral("To help you with the conversion settings, your file...\r\n\r\n\t") + m_strFilePath +
               QStringLiteral("\r\n\r\nlooks like this...\r\n\r\n"));
    // A file that went away since the open shows the header alone; the settings still follow.
    if (pFile) {
        CTextReader reader(std::move(pFile));
        std::string piece;
        for (int i = 0; i < kPreviewReads && reader.ReadLine(piece) == EReadStatus::Line; ++i) {
            if (!piece.empty() && piece.back() == '\n') {
                piece.pop_back();
            }
            AppendText(FileText(piece));
            AppendText(QStringLiteral("\r\n"));
        }
    }
    setUpdatesEnabled(true);
    OnSettings();
    return 0;
}
