#include "app/PelmarDoc.h"

#include "app/PelmarView.h"
#include "engine/JobSettings.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

bool CPelmarDoc::OnNewDocument() {
    m_view.OnClearWindow();
    return true;
}

bool CPelmarDoc::OnOpenDocument(const QString& strPath, CMessageBox& messages) {
    const QFileInfo info(strPath);
    QString problem;
    QFile file(strPath);
    if (!info.exists()) {
        problem = tr("The file does not exist.");
    } else if (info.isDir()) {
        problem = tr("This is a folder, not a file.");
    } else if (!info.isFile()) {
        // A pipe or a device would block the read or never end.
        problem = tr("This is not a regular file.");
    } else if (!file.open(QIODevice::ReadOnly)) {
        problem = tr("The file cannot be read: %1.").arg(file.errorString());
    }
    if (!problem.isEmpty()) {
        messages.Show(tr("Cannot open %1\n\n%2").arg(QDir::toNativeSeparators(strPath), problem).toStdString());
        return false;
    }
    m_view.m_strFilePath = strPath;
    m_view.m_strSymbol = QString::fromStdString(SymbolFromFileName(info.completeBaseName().toStdString()));
    m_view.m_strName.clear();
    m_view.m_strPathOut.clear();
    m_view.OnShowPreview();
    return true;
}
