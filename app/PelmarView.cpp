#include "app/PelmarView.h"

#include "engine/LineReader.h"
#include "platform/TextEncoding.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr int kPreviewLines = 10;
// The preview reads no more of the file than this, and shows no more of a line.
constexpr qint64 kPreviewBytes = 64 * 1024;
constexpr qsizetype kPreviewLineChars = 500;

// The first lines of a file as the log shows them, read as the conversion reads them: line
// ends of any kind, a byte-order mark dropped (UTF-16 with one read as its UTF-8), and content
// that is not plain text (NUL bytes, UTF-16 without a mark) told in the reader's words instead
// of shown. The lines are UTF-8 when
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

void CPelmarView::AppendRun(const QStringList& lines) {
    const QString log = toPlainText();
    QString text = lines.join(u'\n');
    if (!log.isEmpty()) {
        text.prepend(log.endsWith(u'\n') ? QStringLiteral("\n") : QStringLiteral("\n\n"));
    }
    AppendText(text);
}

void CPelmarView::OnClearWindow() {
    clear();
}

void CPelmarView::ShowPreview(const QString& strFilePath) {
    clear();
    AppendText(tr("To help you with the conversion settings, your file...\n\n\t%1\n\nlooks like this...\n\n")
                   .arg(QDir::toNativeSeparators(strFilePath)));
    QFile file(strFilePath);
    if (file.open(QIODevice::ReadOnly)) {
        for (const QString& line : PreviewLines(file.read(kPreviewBytes))) {
            AppendText(line + QLatin1Char('\n'));
        }
    }
}

void CPelmarView::ShowBatchPreview(const QStringList& files) {
    clear();
    QString list;
    for (const QString& path : files) {
        list += QStringLiteral("\t%1\n").arg(QDir::toNativeSeparators(path));
    }
    AppendText(tr("You opened %1 files...\n\n%2\nOne set of conversion settings applies to them all; each "
                  "file becomes a security whose symbol is its name's stem.\n")
                   .arg(files.size())
                   .arg(list));
}
