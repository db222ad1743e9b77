#include "app/ChooseDir.h"

#include "engine/JobSettings.h"
#include "platform/MessageBox.h"
#include "ui_ChooseDir.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QStyle>

#include <algorithm>

namespace {

constexpr int kPathRole = Qt::UserRole;

// Characters no directory name of the program may hold. The other system's separator is
// among them, so that a name written for it is refused rather than taken as one odd name.
QString InvalidCharacters() {
    return QStringLiteral("*?|<>\"") + (QDir::separator() == u'/' ? u'\\' : u'/');
}

QTreeWidgetItem* NewEntry(const QString& strPath, const QString& strLabel, const QIcon& icon) {
    auto* pItem = new QTreeWidgetItem(QStringList(strLabel));
    pItem->setData(0, kPathRole, strPath);
    pItem->setIcon(0, icon);
    pItem->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return pItem;
}

} // namespace

CChooseDir::CChooseDir(CMessageBox& messages, QWidget* pParent)
    : QDialog(pParent), m_pUi(std::make_unique<Ui::CChooseDir>()), m_messages(messages) {
    Ui::CChooseDir& ui = *m_pUi;
    ui.setupUi(this);
    const QFontMetrics metrics(font());
    ui.dirTree->setMinimumSize(metrics.averageCharWidth() * 40, metrics.lineSpacing() * 16);
    resize(metrics.averageCharWidth() * 135, metrics.lineSpacing() * 33);
    // Deep folders scroll sideways rather than lose their names.
    ui.dirTree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    ui.dirTree->header()->setStretchLastSection(false);
    const QIcon icon = style()->standardIcon(QStyle::SP_DirIcon);
    const QFileInfoList drives = QDir::drives();
    for (const QFileInfo& drive : drives) {
        const QString label = QDir::toNativeSeparators(drive.filePath());
        ui.dirTree->addTopLevelItem(NewEntry(drive.filePath(), label, icon));
        ui.driveCombo->addItem(label, drive.filePath());
    }
    const bool bDrives = drives.size() > 1 || (drives.size() == 1 && drives.front().filePath() != u'/');
    ui.drivesLabel->setVisible(bDrives);
    ui.driveCombo->setVisible(bDrives);

    connect(ui.dirTree, &QTreeWidget::itemExpanded, this, &CChooseDir::FillEntry);
    connect(ui.dirTree, &QTreeWidget::currentItemChanged, this, &CChooseDir::OnListSelChange);
    connect(ui.driveCombo, &QComboBox::activated, this,
            [this](int nIndex) { ShowDirectory(m_pUi->driveCombo->itemData(nIndex).toString()); });
    ShowDirectory(QDir::currentPath());
}

CChooseDir::~CChooseDir() = default;

void CChooseDir::SetInitialDir(const QString& strDir) {
    if (!strDir.isEmpty() && QFileInfo(strDir).isDir()) {
        ShowDirectory(strDir);
    }
}

void CChooseDir::FillEntry(QTreeWidgetItem* pItem) {
    if (pItem->childIndicatorPolicy() != QTreeWidgetItem::ShowIndicator) {
        return;
    }
    pItem->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    const QDir dir(pItem->data(0, kPathRole).toString());
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase)) {
        pItem->addChild(NewEntry(dir.filePath(name), name, pItem->icon(0)));
    }
}

void CChooseDir::ShowDirectory(const QString& strDir) {
    Ui::CChooseDir& ui = *m_pUi;
    const QString path = QDir::cleanPath(QFileInfo(strDir).absoluteFilePath());
    QTreeWidgetItem* pItem = nullptr;
    for (int i = 0; i < ui.dirTree->topLevelItemCount(); ++i) {
        const QString root = ui.dirTree->topLevelItem(i)->data(0, kPathRole).toString();
        if (path.startsWith(root, Qt::CaseInsensitive)) {
            pItem = ui.dirTree->topLevelItem(i);
            ui.driveCombo->setCurrentIndex(i);
        }
    }
    if (pItem == nullptr) {
        return;
    }
    // Down from the root, opening each directory on the way; a name's case may differ from
    // the directory's on systems that ignore it.
    const QStringList names = path.mid(pItem->data(0, kPathRole).toString().size()).split(u'/', Qt::SkipEmptyParts);
    for (const QString& name : names) {
        pItem->setExpanded(true);
        QTreeWidgetItem* pChild = nullptr;
        for (int i = 0; i < pItem->childCount() && pChild == nullptr; ++i) {
            if (pItem->child(i)->text(0) == name) {
                pChild = pItem->child(i);
            }
        }
        for (int i = 0; i < pItem->childCount() && pChild == nullptr; ++i) {
            if (pItem->child(i)->text(0).compare(name, Qt::CaseInsensitive) == 0) {
                pChild = pItem->child(i);
            }
        }
        if (pChild == nullptr) {
            break;
        }
        pItem = pChild;
    }
    ui.dirTree->setCurrentItem(pItem);
    pItem->setExpanded(true);
    ui.dirTree->scrollToItem(pItem);
}

void CChooseDir::OnListSelChange() {
    if (const QTreeWidgetItem* pItem = m_pUi->dirTree->currentItem()) {
        m_strDir = QDir::toNativeSeparators(pItem->data(0, kPathRole).toString());
        m_pUi->m_editDir->setText(m_strDir);
    }
}

int CChooseDir::ValidateChoice() {
    m_strDir = m_pUi->m_editDir->text();
    const QString invalid = InvalidCharacters();
    if (std::any_of(m_strDir.begin(), m_strDir.end(), [&](QChar c) { return invalid.contains(c); })) {
        m_messages.Show(tr("%1 is not a valid pathname.").arg(m_strDir).toStdString());
        return 1;
    }
    // The settings hold an output directory of at most this length; a longer one is refused
    // before anything is created for it.
    if (static_cast<std::size_t>(m_strDir.size()) > kMaxPathChars) {
        m_messages.Show(tr("%1 is too long.\nA directory name can have at most %2 characters.")
                            .arg(m_strDir)
                            .arg(kMaxPathChars)
                            .toStdString());
        return 1;
    }
    if (!m_strDir.isEmpty() && QFileInfo(m_strDir).isDir()) {
        return 0;
    }
    if (m_messages.Show(tr("Directory %1 does not exist.\nCreate this directory?").arg(m_strDir).toStdString(),
                        EMessageButtons::YesNo) != EMessageAnswer::Yes) {
        return 1;
    }
    // One level only: the parent must exist already.
    if (m_strDir.isEmpty() || !QDir().mkdir(m_strDir)) {
        m_messages.Show(
            tr("There was a problem creating %1.\nThe new directory was not created.").arg(m_strDir).toStdString());
        return 1;
    }
    return 0;
}

void CChooseDir::accept() {
    if (ValidateChoice() == 0) {
        QDialog::accept();
    }
}
