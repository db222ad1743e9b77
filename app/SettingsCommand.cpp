#include "app/PelmarApp.h"
#include "app/PelmarView.h"
#include "app/RunMessageBox.h"
#include "app/SettingsDlg.h"
#include "engine/Converter.h"
#include "engine/JobSettings.h"
#include "platform/FileSystem.h"
#include "settings/Profile.h"

#include <QCursor>
#include <QGuiApplication>

#include <memory>

namespace {

constexpr char kSection[] = "Import";

}  // namespace

void CPelmarView::OnSettings() {
    CPelmarApp* pApp = CPelmarApp::Instance();
    if (pApp == nullptr || !pApp->m_pProfile) {
        return;
    }
    CProfile& profile = pApp->Profile();
    CMessageBox& messages = pApp->MessageBox();

    // Owned by the main window, which it is modal to.
    CSettingsDlg dlg(messages, window());
    dlg.m_strDateFormat = QString::fromStdString(profile.GetString(kSection, "DateFormat", "MMDDYY"));
    dlg.m_nExist = profile.GetInt(kSection, "Exist", 0);
    dlg.m_nDelimiter = profile.GetInt(kSection, "Delimiter", 0);
    dlg.m_strPathIn = m_strFilePath;
    dlg.m_strPathOut = QString::fromStdString(profile.GetString(kSection, "PathOut", ""));
    dlg.m_strSymbol = QString::fromStdString(profile.GetString(kSection, "Symbol", ""));
    dlg.m_strName = QString::fromStdString(profile.GetString(kSection, "Name", ""));
    dlg.m_bReverseOrder = profile.GetInt(kSection, "Reverse", 0);
    dlg.m_bSkipOn = profile.GetInt(kSection, "SkipOn", 0);
    dlg.m_nRowsToSkip = profile.GetInt(kSection, "SkipRows", 0);
    dlg.m_nDateCol = profile.GetInt(kSection, "DateCol", 1);
    dlg.m_bOpenOn = profile.GetInt(kSection, "OpenOn", 1);
    dlg.m_nOpenCol = profile.GetInt(kSection, "OpenCol", 2);
    dlg.m_bHiOn = profile.GetInt(kSection, "HiOn", 1);
    dlg.m_nHiCol = profile.GetInt(kSection, "HiCol", 3);
    dlg.m_bLoOn = profile.GetInt(kSection, "LoOn", 1);
    dlg.m_nLoCol = profile.GetInt(kSection, "LoCol", 4);
    dlg.m_nCloCol = profile.GetInt(kSection, "CloCol", 5);
    dlg.m_bVolOn = profile.GetInt(kSection, "VolOn", 1);
    dlg.m_nVolCol = profile.GetInt(kSection, "VolCol", 6);
    dlg.m_bOIOn = profile.GetInt(kSection, "OIOn", 1);
    dlg.m_nOICol = profile.GetInt(kSection, "OICol", 7);

    if (dlg.exec() != QDialog::Accepted) {
        return;
    }

    // Output directory, symbol and name are recorded by the run once its output checks pass.
    profile.PutString(kSection, "DateFormat", dlg.m_strDateFormat.toStdString());
    profile.PutInt(kSection, "Delimiter", dlg.m_nDelimiter);
    profile.PutInt(kSection, "Exist", dlg.m_nExist);
    profile.PutInt(kSection, "Reverse", dlg.m_bReverseOrder);
    profile.PutInt(kSection, "SkipOn", dlg.m_bSkipOn);
    profile.PutInt(kSection, "SkipRows", dlg.m_nRowsToSkip);
    profile.PutInt(kSection, "DateCol", dlg.m_nDateCol);
    profile.PutInt(kSection, "OpenOn", dlg.m_bOpenOn);
    profile.PutInt(kSection, "OpenCol", dlg.m_nOpenCol);
    profile.PutInt(kSection, "HiOn", dlg.m_bHiOn);
    profile.PutInt(kSection, "HiCol", dlg.m_nHiCol);
    profile.PutInt(kSection, "LoOn", dlg.m_bLoOn);
    profile.PutInt(kSection, "LoCol", dlg.m_nLoCol);
    profile.PutInt(kSection, "CloCol", dlg.m_nCloCol);
    profile.PutInt(kSection, "VolOn", dlg.m_bVolOn);
    profile.PutInt(kSection, "VolCol", dlg.m_nVolCol);
    profile.PutInt(kSection, "OIOn", dlg.m_bOIOn);
    profile.PutInt(kSection, "OICol", dlg.m_nOICol);

    CRunMessageBox runMessages(messages);
    auto pJob = std::make_unique<CConverter>(GetSystemFileSystem(), runMessages, profile);
    FillJob(dlg.Settings(), *pJob);

    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    const int nResult = pJob->Convert();
    pJob.reset();
    if (nResult == 0) {
        AppendText(QStringLiteral("\r\nConversion completed successfully!"));
        runMessages.Beep();
    } else {
        AppendText(QStringLiteral("\r\nConversion failed."));
    }
    QGuiApplication::restoreOverrideCursor();
}
