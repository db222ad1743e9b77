// The directory chooser behind the settings dialog's Browse button: a Directory name box, the
// directory list (the root, each directory down to the one shown, then its subdirectories)
// and the drive list (the mounted file systems). OK accepts an existing directory, or offers
// to create a new one a level below an existing parent. The settings dialog owns it for one run.
#pragma once

#include <QDialog>
#include <QMap>
#include <QString>
#include <QStringList>

class CMessageBox;
class QComboBox;
class QLineEdit;
class QListWidget;

class CChooseDir : public QDialog {
    Q_OBJECT
public:
    explicit CChooseDir(CMessageBox& messages, QWidget* pParent = nullptr);

    // The directory shown first; an empty or missing one starts in the current directory.
    void SetInitialDir(const QString& strDir);
    // After OK: the chosen directory, as the Directory name box named it.
    QString GetDirectory() const { return m_strResult; }

    // The check made when the user presses OK: 0 accepts, anything else keeps the chooser open.
    int ValidateChoice();
    // A list's selection changed: the Directory name box follows the directory list.
    void OnListSelChange();
    // Shows strDir (made absolute) in the directory list with itself selected, and its
    // file system in the drive list.
    void ShowDirectory(const QString& strDir);

    QWidget* Control(int nId) const { return m_controls.value(nId); }
    QListWidget* DirList() const { return m_pDirList; }
    QComboBox* DriveList() const { return m_pDriveList; }

    QString m_strDir;          // the Directory name box's text, taken on OK
    int m_bFirstPaint = 0;     // set by the initialisation, cleared by the first paint
    QLineEdit* m_pEditDir;     // the Directory name box

protected:
    virtual void OnInitDialog();
    void accept() override;
    void showEvent(QShowEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;

private:
    // The path that entry nIndex of the directory list stands for.
    QString ListPath(int nIndex) const;
    void FillDriveList();
    void OnOpenEntry(int nIndex);
    void OnDriveChosen(int nIndex);

    CMessageBox& m_messages;
    QMap<int, QWidget*> m_controls;
    QListWidget* m_pDirList;
    QComboBox* m_pDriveList;
    QString m_strInitialDir;
    QStringList m_pathEntries;  // the root, then each directory down to the one shown
    QString m_strResult;
    bool m_bInitialised = false;
};
