#include "app/ChooseDir.h"

#include "engine/JobSettings.h"
#include "platform/MessageBox.h"
#include "resources/ChooseDirTemplate.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>
#include <QStyle>

#include <algorithm>

namespace {

// The dummy file name that the older file dialog needs in its hidden file-name box.
constexpr char kDummyFileName[] = "Junk";

constexpr int kNameRole = Qt::UserRole;

// Characters no directory name of the program may hold. The other platform's separator is
// among them, so that a name written for it is refused rather than taken as one odd name.
QString InvalidCharacters() {
    return QStringLiteral("*?|<>\"") + (QDir::separator() == u'/' ? u'\\' : u'/');
}

QString Replace(const char* pszFormat, const QString& strValue) {
    return QString::fromUtf8(pszFormat).replace(QStringLiteral("%s"), strValue);
}

}  // namespace

CChooseDir::CChooseDir(CMessageBox& messages, QWidget* pParent) : QDialog(pParent), m_messages(messages) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    m_controls = BuildDialog(*this, kChooseDirTemplate, [](const SDialogControl& control, QWidget* pParent) -> QWidget* {
        // The file dialog's own lists are drop-down lists, not editable.
        if (control.eKind == EControlKind::ComboBox) {
            return new QComboBox(pParent);
        }
        return nullptr;
    });
    m_pEditDir = qobject_cast<QLineEdit*>(Control(IDC_DIR_NAME));
    m_pDirList = qobject_cast<QListWidget*>(Control(IDC_DIR_LIST));
    m_pDriveList = qobject_cast<QComboBox*>(Control(IDC_DRIVES));
    const auto labels = findChildren<QLabel*>();
    for (QLabel* pLabel : labels) {
        if (pLabel->text() == QStringLiteral("&Directories:")) {
            pLabel->setBuddy(m_pDirList);
        }
    }

    connect(qobject_cast<QPushButton*>(Control(1)), &QPushButton::clicked, this, &CChooseDir::accept);
    connect(qobject_cast<QPushButton*>(Control(2)), &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pDirList, &QListWidget::currentRowChanged, this, [this] { OnListSelChange(); });
    connect(m_pDirList, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* pItem) { OnOpenEntry(m_pDirList->row(pItem)); });
    connect(m_pDriveList, &QComboBox::currentIndexChanged, this, [this] { OnListSelChange(); });
    connect(m_pDriveList, &QComboBox::activated, this, &CChooseDir::OnDriveChosen);
}

void CChooseDir::SetInitialDir(const QString& strDir) {
    m_strInitialDir = strDir;
}

void CChooseDir::showEvent(QShowEvent* pEvent) {
    if (!m_bInitialised) {
        m_bInitialised = true;
        OnInitDialog();
    }
    QDialog::showEvent(pEvent);
}

void CChooseDir::OnInitDialog() {
    for (int nId : {IDC_FILE_TYPE_LABEL, IDC_FILE_NAME_LABEL, IDC_FILE_NAME, IDC_FILE_LIST, IDC_FILE_TYPE,
                    IDC_CURRENT_DIR, IDC_READ_ONLY}) {
        Control(nId)->hide();
    }
    Control(IDC_CHOOSER_HELP)->setEnabled(false);
    qobject_cast<QLineEdit*>(Control(IDC_FILE_NAME))->setText(QString::fromLatin1(kDummyFileName));

    FillDriveList();
    const QFileInfo initial(m_strInitialDir);
    ShowDirectory(!m_strInitialDir.isEmpty() && initial.isDir() ? initial.absoluteFilePath() : QDir::currentPath());
    m_strDir.clear();
    OnListSelChange();
    m_pDirList->setFocus(Qt::OtherFocusReason);
    m_bFirstPaint = 1;
}

void CChooseDir::paintEvent(QPaintEvent* pEvent) {
    QDialog::paintEvent(pEvent);
    if (m_bFirstPaint) {
        m_bFirstPaint = 0;
        // The root is selected quietly: the Directory name box keeps the directory shown,
        // and choosing that directory again in the list still counts as a change.
        const QSignalBlocker blocker(m_pDirList);
        m_pDirList->setCurrentRow(0);
    }
}

void CChooseDir::FillDriveList() {
    const QSignalBlocker blocker(m_pDriveList);
    m_pDriveList->clear();
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady() && !roots.contains(volume.rootPath())) {
            roots.append(volume.rootPath());
        }
    }
    std::sort(roots.begin(), roots.end());
    for (const QString& root : roots) {
        m_pDriveList->addItem(QDir::toNativeSeparators(root), root);
    }
}

void CChooseDir::ShowDirectory(const QString& strDir) {
    const QString path = QDir::cleanPath(QFileInfo(strDir).absoluteFilePath());
    const QDir dir(path);
    QStringList parts;
    QDir walk(dir);
    while (!walk.isRoot()) {
        const QString name = walk.dirName();
        if (!walk.cdUp()) {
            break;
        }
        parts.prepend(name);
    }
    m_pathEntries.clear();
    m_pathEntries.append(QDir::toNativeSeparators(walk.isRoot() ? walk.path() : QDir::rootPath()));
    m_pathEntries.append(parts);

    const QSignalBlocker blocker(m_pDirList);
    m_pDirList->clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    for (qsizetype i = 0; i < m_pathEntries.size(); ++i) {
        auto* pItem = new QListWidgetItem(openIcon, QString(static_cast<int>(i) * 2, u' ') + m_pathEntries[i]);
        pItem->setData(kNameRole, m_pathEntries[i]);
        m_pDirList->addItem(pItem);
    }
    const int nIndent = static_cast<int>(m_pathEntries.size()) * 2;
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase)) {
        auto* pItem = new QListWidgetItem(closedIcon, QString(nIndent, u' ') + name);
        pItem->setData(kNameRole, name);
        m_pDirList->addItem(pItem);
    }
    m_pDirList->setCurrentRow(static_cast<int>(m_pathEntries.size()) - 1);
    m_pDirList->scrollToItem(m_pDirList->currentItem());

    // The file system that holds the directory: the longest mount point above it.
    int nDrive = -1;
    qsizetype nLongest = -1;
    for (int i = 0; i < m_pDriveList->count(); ++i) {
        const QString mount = m_pDriveList->itemData(i).toString();
        const QString prefix = mount.endsWith(u'/') ? mount : mount + u'/';
        if ((path == mount || path.startsWith(prefix)) && mount.size() > nLongest) {
            nDrive = i;
            nLongest = mount.size();
        }
    }
    const QSignalBlocker driveBlocker(m_pDriveList);
    m_pDriveList->setCurrentIndex(nDrive);
}

QString CChooseDir::ListPath(int nIndex) const {
    const int nShown = static_cast<int>(m_pathEntries.size()) - 1;
    QList<int> chain;
    for (int i = 1; i <= std::min(nIndex, nShown); ++i) {
        chain.append(i);
    }
    // A subdirectory of the one shown joins that directory alone, not its siblings before it.
    if (nIndex > nShown) {
        chain.append(nIndex);
    }
    QString path = m_pDirList->item(0)->data(kNameRole).toString();
    for (int i : chain) {
        if (!path.endsWith(QDir::separator())) {
            path += QDir::separator();
        }
        path += m_pDirList->item(i)->data(kNameRole).toString();
    }
    return path;
}

void CChooseDir::OnListSelChange() {
    const int nSelected = m_pDirList->currentRow();
    if (nSelected < 0 || nSelected >= m_pDirList->count()) {
        return;
    }
    m_strDir = ListPath(nSelected);
    m_pEditDir->setText(m_strDir);
    // The start of a long path says more than its end.
    m_pEditDir->setCursorPosition(0);
}

void CChooseDir::OnOpenEntry(int nIndex) {
    if (nIndex < 0 || nIndex >= m_pDirList->count()) {
        return;
    }
    ShowDirectory(QDir::fromNativeSeparators(ListPath(nIndex)));
    OnListSelChange();
}

void CChooseDir::OnDriveChosen(int nIndex) {
    if (nIndex < 0) {
        return;
    }
    ShowDirectory(m_pDriveList->itemData(nIndex).toString());
    OnListSelChange();
}

int CChooseDir::ValidateChoice() {
    m_strDir = m_pEditDir->text();
    const QString invalid = InvalidCharacters();
    if (std::any_of(m_strDir.begin(), m_strDir.end(), [&](QChar c) { return invalid.contains(c); })) {
        m_messages.Show(Replace("%s is not a valid pathname.", m_strDir).toStdString());
        return 1;
    }
    // The settings dialog holds an output directory of at most this length; a longer one
    // is refused before anything is created for it.
    if (static_cast<std::size_t>(m_strDir.size()) > kMaxPathOutChars) {
        m_messages.Show(Replace("%s is too long.\nA directory name can have at most 250 characters.", m_strDir)
                            .toStdString());
        return 1;
    }
    const QFileInfo info(m_strDir);
    if (!m_strDir.isEmpty() && info.isDir() && info.isExecutable()) {
        m_strResult = m_strDir;
        return 0;
    }
    if (m_messages.Show(Replace("Directory %s does not exist.\nCreate this directory?", m_strDir).toStdString(),
                        EMessageButtons::YesNo) != EMessageAnswer::Yes) {
        return 1;
    }
    // One level only: the parent must exist already.
    if (m_strDir.isEmpty() || !QDir().mkdir(m_strDir)) {
        m_messages.Show(
            Replace("There was a problem creating %s.\nThe new directory was not created.", m_strDir).toStdString());
        return 1;
    }
    m_strResult = m_strDir;
    return 0;
}

void CChooseDir::accept() {
    if (ValidateChoice() == 0) {
        QDialog::accept();
    }
}
