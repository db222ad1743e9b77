// The directory chooser behind the settings dialog's Browse button: a Directory name box, the
// tree of directories (read as it is opened) and, where the system has drives, the drive list. OK accepts an
// existing directory, or offers to create a new one a level below an existing parent; the
// result is the name as the box holds it.
#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class CMessageBox;
class QTreeWidgetItem;
namespace Ui {
class CChooseDir;
}

class CChooseDir : public QDialog {
    Q_OBJECT
public:
    explicit CChooseDir(CMessageBox& messages, QWidget* pParent = nullptr);
    ~CChooseDir() override;

    // The directory shown and selected first; an empty or missing one starts in the current
    // directory.
    void SetInitialDir(const QString& strDir);
    // After OK: the chosen directory.
    QString GetDirectory() const { return m_strDir; }

    // The check made when the user presses OK: 0 accepts, anything else keeps the chooser open.
    int ValidateChoice();
    // The directory tree's selection changed: the Directory name box follows it.
    void OnListSelChange();

    QString m_strDir; // the Directory name box's text, taken on OK

protected:
    void accept() override;

private:
    void ShowDirectory(const QString& strDir);
    // Lists the subdirectories of an entry, once, when it is first expanded.
    void FillEntry(QTreeWidgetItem* pItem);

    std::unique_ptr<Ui::CChooseDir> m_pUi;
    CMessageBox& m_messages;
};
