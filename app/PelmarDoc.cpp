#include "app/PelmarDoc.h"

#include "app/MainFrame.h"
#include "app/PelmarApp.h"
#include "app/PelmarView.h"
#include "platform/MessageBox.h"

#include <QFile>
#include <QFileInfo>

#include <optional>

namespace {

// Why path cannot be opened for reading, or nothing when it can.
std::optional<QString> OpenProblem(const QString& strPath) {
    const QFileInfo info(strPath);
    if (!info.exists()) {
        return QStringLiteral("The file does not exist.");
    }
    if (info.isDir()) {
        return QStringLiteral("This is a folder, not a file.");
    }
    // A pipe or a device would block the read or never end.
    if (!info.isFile()) {
        return QStringLiteral("This is not a regular file.");
    }
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly)) {
        return QStringLiteral("The file cannot be read: %1.").arg(file.errorString());
    }
    return std::nullopt;
}

} // namespace

bool CPelmarDoc::OnNewDocument() {
    m_strPathName.clear();
    if (m_pView != nullptr) {
        m_pView->setPlainText(QString());
    }
    return true;
}

bool CPelmarDoc::OnOpenDocument(const QString& strPath) {
    if (const auto problem = OpenProblem(strPath)) {
        if (CPelmarApp* pApp = CPelmarApp::Instance()) {
            pApp->MessageBox().Show(QStringLiteral("Cannot open %1\n\n%2").arg(strPath, *problem).toStdString());
        }
        return false;
    }
    if (m_pView == nullptr) {
        return true;
    }
    m_pView->m_strFilePath = strPath;
    if (auto* pFrame = qobject_cast<CMainFrame*>(m_pView->window())) {
        pFrame->UpdateCommandUI();
    }
    m_pView->OnShowPreview();
    return true;
}
