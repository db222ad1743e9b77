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

QString CPelmarDoc::OpenProblem(const QString& strPath) {
    const QFileInfo info(strPath);
    QFile file(strPath);
    if (!info.exists()) {
        return tr("The file does not exist.");
    }
    if (info.isDir()) {
        return tr("This is a folder, not a file.");
    }
    if (!info.isFile()) {
        // A pipe or a device would block the read or never end.
        return tr("This is not a regular file.");
    }
    if (!file.open(QIODevice::ReadOnly)) {
        return tr("The file cannot be read: %1.").arg(file.errorString());
    }
    return QString();
}

bool CPelmarDoc::OnOpenDocument(const QString& strPath, CMessageBox& messages) {
    const QString problem = OpenProblem(strPath);
    if (!problem.isEmpty()) {
        messages.Show(tr("Cannot open %1\n\n%2").arg(QDir::toNativeSeparators(strPath), problem).toStdString());
        return false;
    }
    m_view.m_strFilePath = strPath;
    m_view.m_files.clear();
    m_view.m_strSymbol =
        QString::fromStdString(SymbolFromFileName(QFileInfo(strPath).completeBaseName().toStdString()));
    m_view.m_strName.clear();
    m_view.m_strPathOut.clear();
    m_view.m_bDetect = true;
    m_view.OnShowPreview();
    return true;
}

bool CPelmarDoc::OnOpenDocuments(const QStringList& paths, CMessageBox& messages) {
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
        messages.Show(tr("These files cannot be opened and are left out:\n\n%1").arg(refused.join(u'\n')).toStdString());
    }
    if (files.size() <= 1) {
        return !files.isEmpty() && OnOpenDocument(files.front(), messages);
    }
    m_view.m_strFilePath = files.front();
    m_view.m_files = files;
    m_view.m_strSymbol.clear();
    m_view.m_strName.clear();
    m_view.m_strPathOut.clear();
    m_view.m_bDetect = true;
    m_view.OnShowPreview();
    return true;
}
