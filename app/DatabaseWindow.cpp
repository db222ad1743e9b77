#include "app/DatabaseWindow.h"

#include "app/ChooseDir.h"
#include "app/RenameDlg.h"
#include "app/SecurityListModel.h"
#include "engine/Wording.h"
#include "metastock/Dates.h"
#include "metastock/FolderRepair.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/TextEncoding.h"
#include "ui_DatabaseWindow.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QSortFilterProxyModel>

namespace {

using CList = CSecurityListModel;

// A change waits this long for another program's conversion into the folder, with the wait
// cursor on; the window must not hang for the full minute a conversion run waits.
constexpr std::chrono::seconds kChangeLockWait{5};
// The widest symbol and name columns, in characters: longer ones are cut short with "...".
constexpr int kSymbolChars = 14;
constexpr int kNameChars = 28;

QString Text(const std::string& windows1252) {
    return QString::fromStdString(Windows1252ToUtf8(windows1252));
}

QString DateText(std::int32_t nDate) {
    return nDate > 0 ? QString::fromStdString(DateValueText(nDate)) : QString();
}

QString Lines(const std::vector<std::string>& lines) {
    QStringList texts;
    for (const std::string& line : lines) {
        texts << QString::fromStdString(line);
    }
    return texts.join(u'\n');
}

} // namespace

CDatabaseWindow::CDatabaseWindow(CMessageBox& messages, QWidget* pParent)
    : QWidget(pParent, Qt::Window), m_pUi(std::make_unique<Ui::CDatabaseWindow>()), m_messages(messages),
      m_pModel(new CSecurityListModel(this)), m_pProxy(new QSortFilterProxyModel(this)) {
    Ui::CDatabaseWindow& ui = *m_pUi;
    ui.setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/resources/Pelmar.png")));
    m_pProxy->setSourceModel(m_pModel);
    m_pProxy->setSortRole(CList::kSortRole);
    m_pProxy->setSortCaseSensitivity(Qt::CaseInsensitive);
    m_pProxy->setFilterRole(CList::kFilterRole);
    m_pProxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
    QTableView& table = *ui.securitiesTable;
    table.setModel(m_pProxy);
    const QFontMetrics metrics(font());
    table.verticalHeader()->setDefaultSectionSize(metrics.lineSpacing() + 6);
    table.horizontalHeader()->setHighlightSections(false);
    // In the directory files' order until a column is chosen.
    table.horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    // Sorting by bars reads every data file's header: under the wait cursor, before the sort
    // (connected first, so called first).
    connect(table.horizontalHeader(), &QHeaderView::sortIndicatorChanged, this, [this](int nColumn) {
        if (nColumn == CList::kBarsColumn) {
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
            m_pModel->CountAllBars();
            QGuiApplication::restoreOverrideCursor();
        }
    });
    table.setSortingEnabled(true);
    FitColumns();
    // The list as wide as its columns, the chart the rest; both the window's height.
    const int nListWidth = table.horizontalHeader()->length() + table.verticalScrollBar()->sizeHint().width() +
                           2 * table.frameWidth() + metrics.averageCharWidth();
    // Three quarters of the screen's width (at least room for a year of bars beside the list)
    // and four fifths of its height.
    const QRect area = screen()->availableGeometry();
    resize(std::max({metrics.averageCharWidth() * 170, nListWidth + metrics.averageCharWidth() * 80, area.width() * 3 / 4}),
           std::max(metrics.lineSpacing() * 46, area.height() * 4 / 5));
    ui.splitter->setStretchFactor(1, 1);
    ui.splitter->setSizes({nListWidth, width() - nListWidth});
    connect(ui.folderEdit, &QLineEdit::returnPressed, this, [this] { ShowFolder(m_pUi->folderEdit->text()); });
    connect(ui.browseButton, &QPushButton::clicked, this, &CDatabaseWindow::OnBrowse);
    connect(ui.deleteButton, &QPushButton::clicked, this, &CDatabaseWindow::OnDelete);
    connect(ui.renameButton, &QPushButton::clicked, this, &CDatabaseWindow::OnRename);
    connect(ui.repairButton, &QPushButton::clicked, this, &CDatabaseWindow::OnRepair);
    connect(ui.filterEdit, &QLineEdit::textChanged, this, &CDatabaseWindow::OnFilterChanged);
    connect(ui.filterEdit, &QLineEdit::returnPressed, this, [this] { m_pUi->securitiesTable->setFocus(); });
    connect(table.selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!m_bSelecting) {
            OnSelectionChanged();
        }
    });
}

CDatabaseWindow::~CDatabaseWindow() = default;

void CDatabaseWindow::FitColumns() {
    QHeaderView& header = *m_pUi->securitiesTable->horizontalHeader();
    const QFontMetrics metrics(m_pUi->securitiesTable->font());
    const int nPad = metrics.averageCharWidth() * 2;
    // The longest symbol and name by characters stand for the widest: measuring every one of
    // a full folder's would cost more than it tells.
    QString symbol = QStringLiteral("SYMBOL");
    QString name = QStringLiteral("Name of a security");
    for (int nRow = 0; nRow < m_pModel->rowCount(); ++nRow) {
        const SSecurity& security = m_pModel->Security(nRow);
        symbol = security.strSymbol.size() > static_cast<std::size_t>(symbol.size()) ? Text(security.strSymbol) : symbol;
        name = security.strName.size() > static_cast<std::size_t>(name.size()) ? Text(security.strName) : name;
    }
    const auto width = [&](const QString& text, int nMaxChars) {
        return std::min(metrics.horizontalAdvance(text), metrics.averageCharWidth() * nMaxChars) + nPad;
    };
    header.setMinimumSectionSize(metrics.averageCharWidth() * 4);
    header.resizeSection(CList::kSymbolColumn, width(symbol, kSymbolChars));
    header.resizeSection(CList::kNameColumn, width(name, kNameChars));
    header.resizeSection(CList::kPeriodColumn, width(QStringLiteral("Period"), 8));
    header.resizeSection(CList::kFirstColumn, width(QStringLiteral("0000-00-00"), 12));
    header.resizeSection(CList::kLastColumn, width(QStringLiteral("0000-00-00"), 12));
    header.resizeSection(CList::kBarsColumn, width(QStringLiteral("65534"), 8) + metrics.averageCharWidth() * 2);
    header.resizeSection(CList::kFileColumn, width(QStringLiteral("F65534.MWD"), 12));
}

void CDatabaseWindow::ShowFolder(const QString& strFolder, const QString& strSymbol) {
    Ui::CDatabaseWindow& ui = *m_pUi;
    ui.folderEdit->setText(QDir::toNativeSeparators(strFolder));
    m_pModel->SetDatabase(nullptr);
    m_pDatabase = std::make_unique<CDatabase>(GetSystemFileSystem(), m_messages, Utf8Path(strFolder.toStdString()));
    std::string strError;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const bool bRead = !strFolder.isEmpty() && m_pDatabase->Read(strError);
    m_pModel->SetDatabase(bRead ? m_pDatabase.get() : nullptr);
    QGuiApplication::restoreOverrideCursor();
    FitColumns();

    const QString folder = QDir::toNativeSeparators(strFolder);
    const int nCount = m_pModel->rowCount();
    if (strFolder.isEmpty()) {
        m_strStatus = tr("Choose the folder of a database.");
    } else if (!bRead) {
        m_strStatus = QString::fromStdString(strError);
    } else if (!m_pDatabase->HasMaster() && !m_pDatabase->HasXmaster()) {
        m_strStatus = tr("%1 holds no database (no MASTER).").arg(folder);
    } else {
        m_strStatus = nCount == 1 ? tr("1 security in %1.").arg(folder) : tr("%1 securities in %2.").arg(nCount).arg(folder);
    }
    if (bRead && !m_pDatabase->PendingChange().empty()) {
        m_strStatus += QLatin1Char('\n') + QString::fromStdString(m_pDatabase->PendingChange());
    }
    if (bRead && !m_pDatabase->Damage().empty()) {
        m_strStatus += QLatin1Char('\n') +
                       (m_pDatabase->RefusingDamage().empty()
                            ? tr("This database is damaged; Repair... makes it whole:")
                            : tr("This database is damaged; it can be looked at, but not changed until Repair... "
                                 "makes it whole:")) +
                       QLatin1Char('\n') + Lines(m_pDatabase->Damage());
    }
    ui.statusLabel->setText(m_strStatus);
    ui.repairButton->setEnabled(bRead && (m_pDatabase->HasMaster() || m_pDatabase->HasXmaster() ||
                                          m_pDatabase->HasEmaster() || m_pDatabase->InterruptedChange()));

    int nSelect = -1;
    for (int nRow = 0; nRow < nCount && !strSymbol.isEmpty(); ++nRow) {
        if (Text(m_pModel->Security(nRow).strSymbol).compare(strSymbol, Qt::CaseInsensitive) == 0) {
            nSelect = nRow;
        }
    }
    // The security asked for is shown, whatever Find holds.
    if (nSelect >= 0 && !m_pProxy->mapFromSource(m_pModel->index(nSelect, 0)).isValid()) {
        const QSignalBlocker blocker(ui.filterEdit);
        ui.filterEdit->clear();
    }
    ApplyFilter();
    const int nRow = m_pProxy->mapFromSource(m_pModel->index(nSelect, 0)).row();
    SelectRow(nRow >= 0 ? nRow : m_pProxy->rowCount() > 0 ? 0 : -1);
}

void CDatabaseWindow::ApplyFilter() {
    Ui::CDatabaseWindow& ui = *m_pUi;
    m_pProxy->setFilterFixedString(ui.filterEdit->text().trimmed());
    const int nShown = m_pProxy->rowCount();
    ui.shownLabel->setText(nShown == m_pModel->rowCount() ? QString()
                                                          : tr("%1 of %2").arg(nShown).arg(m_pModel->rowCount()));
}

void CDatabaseWindow::OnFilterChanged() {
    const QModelIndexList rows = m_pUi->securitiesTable->selectionModel()->selectedRows();
    const QModelIndex selected = rows.isEmpty() ? QModelIndex() : m_pProxy->mapToSource(rows.front());
    ApplyFilter();
    const int nRow = m_pProxy->mapFromSource(selected).row();
    SelectRow(nRow >= 0 ? nRow : m_pProxy->rowCount() > 0 ? 0 : -1);
}

void CDatabaseWindow::SelectRow(int nRow) {
    QTableView& table = *m_pUi->securitiesTable;
    // One chart for the new selection, not one for each step to it.
    m_bSelecting = true;
    table.clearSelection();
    if (nRow >= 0) {
        table.selectRow(nRow);
        table.scrollTo(m_pProxy->index(nRow, 0), QAbstractItemView::PositionAtCenter);
    }
    m_bSelecting = false;
    OnSelectionChanged();
}

std::optional<SSecurity> CDatabaseWindow::SelectedSecurity() const {
    const QModelIndexList rows = m_pUi->securitiesTable->selectionModel()->selectedRows();
    if (rows.isEmpty() || !m_pDatabase) {
        return std::nullopt;
    }
    return m_pModel->Security(m_pProxy->mapToSource(rows.front()).row());
}

void CDatabaseWindow::OnSelectionChanged() {
    Ui::CDatabaseWindow& ui = *m_pUi;
    const auto security = SelectedSecurity();
    const bool bChangeable = security && m_pDatabase->RefusingDamage().empty();
    ui.renameButton->setEnabled(bChangeable);
    ui.deleteButton->setEnabled(bChangeable);
    ui.statusLabel->setText(m_strStatus);
    if (!security) {
        ui.chart->SetMessage(m_pProxy->rowCount() > 0 ? tr("Choose a security to see its prices.") : QString());
        return;
    }
    std::string strError;
    const auto bars = m_pDatabase->ReadBars(*security, strError);
    if (!bars) {
        ui.chart->SetMessage(QString::fromStdString(strError));
        return;
    }
    QString title = Text(security->strSymbol);
    if (!security->strName.empty() && security->strName != security->strSymbol) {
        title += QStringLiteral("  ") + Text(security->strName);
    }
    if (!bars->bars.empty()) {
        // Intraday bars with their times of day.
        const auto when = [&bars](const SBarValues& bar) {
            return bars->bTime ? DateText(bar.nDate) + u' ' + QString::fromStdString(TimeText(bar.nTime)) : DateText(bar.nDate);
        };
        title += QStringLiteral("  (%1, %2 to %3)")
                     .arg(bars->bars.size() == 1 ? tr("1 bar") : tr("%1 bars").arg(bars->bars.size()),
                          when(bars->bars.front()), when(bars->bars.back()));
    }
    ui.chart->SetBars(*bars, title);
    if (!bars->warnings.empty()) {
        ui.statusLabel->setText(m_strStatus + QLatin1Char('\n') + Lines(bars->warnings));
    }
}

void CDatabaseWindow::OnBrowse() {
    CChooseDir chooser(m_messages, this);
    chooser.SetInitialDir(m_pUi->folderEdit->text());
    if (chooser.exec() == QDialog::Accepted) {
        ShowFolder(chooser.GetDirectory());
    }
}

bool CDatabaseWindow::Change(const SSecurity& listed, const FChange& change, const QString& strSelect) {
    const QString folder = m_pUi->folderEdit->text();
    CDatabase database(GetSystemFileSystem(), m_messages, Utf8Path(QDir::fromNativeSeparators(folder).toStdString()));
    std::string strError;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    bool bDone = database.LockAndRead(strError, kChangeLockWait);
    if (bDone && !database.RefusingDamage().empty()) {
        strError = tr("The database in %1 is damaged; nothing was changed:\n%2")
                       .arg(folder, Lines(database.RefusingDamage()))
                       .toStdString();
        bDone = false;
    }
    // The folder may have changed since it was listed: the same entry must still be there.
    std::optional<SSecurity> security;
    for (const SSecurity& present : bDone ? database.Securities() : std::vector<SSecurity>()) {
        if (present.directory == listed.directory && present.nFileNumber == listed.nFileNumber &&
            present.strSymbol == listed.strSymbol) {
            security = present;
        }
    }
    if (bDone && !security) {
        strError = tr("%1 has changed since it was listed; nothing was changed. Look at the new list and try again.")
                       .arg(folder)
                       .toStdString();
        bDone = false;
    }
    bDone = bDone && change(database, *security, strError) && database.Commit(strError);
    QGuiApplication::restoreOverrideCursor();
    if (!bDone) {
        m_messages.Show(strError);
    } else if (!database.Warnings().empty()) {
        m_messages.Show(Lines(database.Warnings()).toStdString());
    }
    // A change refused keeps the security chosen.
    ShowFolder(QDir::fromNativeSeparators(folder), bDone ? strSelect : Text(listed.strSymbol));
    return bDone;
}

void CDatabaseWindow::OnRepair() {
    const QString folder = m_pUi->folderEdit->text();
    const QString selected = SelectedSecurity() ? Text(SelectedSecurity()->strSymbol) : QString();
    CFolderRepair repair(GetSystemFileSystem(), m_messages, Utf8Path(QDir::fromNativeSeparators(folder).toStdString()));
    std::string strError;
    // The folder stays locked from the plan to the end of the repair, the question included,
    // so that what is asked is what is done.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const bool bPlanned = repair.Plan(strError, kChangeLockWait);
    QGuiApplication::restoreOverrideCursor();
    if (!bPlanned) {
        m_messages.Show(tr("%1 cannot be repaired; nothing was changed:\n\n%2")
                            .arg(folder, QString::fromStdString(strError))
                            .toStdString());
        return;
    }
    if (repair.Changes().empty()) {
        m_messages.Show(tr("%1 needs no repair.").arg(folder).toStdString());
        return;
    }
    QStringList changes;
    for (const std::string& change : repair.Changes()) {
        changes << QStringLiteral("\u2022 ") + QString::fromStdString(change);
    }
    const QString question = tr("The repair of %1 changes:\n\n%2\n\nEvery directory file it replaces is kept as "
                                "<name>.pelmar-old. Repair the folder?")
                                 .arg(folder, changes.join(u'\n'));
    if (m_messages.Show(question.toStdString(), EMessageButtons::YesNo) != EMessageAnswer::Yes) {
        return;
    }
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const bool bDone = repair.Apply(strError);
    QGuiApplication::restoreOverrideCursor();
    if (!bDone) {
        m_messages.Show(tr("The repair of %1 failed:\n\n%2").arg(folder, QString::fromStdString(strError)).toStdString());
    } else {
        m_messages.Show((tr("%1 is repaired; every directory file replaced is kept as <name>.pelmar-old.").arg(folder) +
                         (repair.Warnings().empty() ? QString() : QStringLiteral("\n\n") + Lines(repair.Warnings())))
                            .toStdString());
    }
    ShowFolder(QDir::fromNativeSeparators(folder), selected);
}

void CDatabaseWindow::OnDelete() {
    const auto security = SelectedSecurity();
    if (!security) {
        return;
    }
    QString files = QString::fromStdString(security->strDataFile);
    if (security->directory == EDirectoryFile::Master) {
        files += QStringLiteral(", ") + QString::fromStdString(DopFileName(security->nFileNumber));
    }
    const QString question =
        tr("Delete %1 (%2) from %3?\n\nIts entry and its data files (%4) are removed. This cannot be undone.")
            .arg(Text(security->strSymbol), Text(security->strName), m_pUi->folderEdit->text(), files);
    if (m_messages.Show(question.toStdString(), EMessageButtons::YesNo) != EMessageAnswer::Yes) {
        return;
    }
    Change(*security, [](CDatabase& database, const SSecurity& present, std::string& strError) {
        return database.DeleteSecurity(present, strError);
    }, QString());
}

void CDatabaseWindow::OnRename() {
    const auto security = SelectedSecurity();
    if (!security) {
        return;
    }
    CRenameDlg dlg(m_messages, Text(security->strSymbol), Text(security->strName), this);
    dlg.m_fnApply = [&](const QString& strSymbol, const QString& strName) {
        // The dialog has checked that both fit Windows-1252.
        const std::string symbol = Utf8ToWindows1252(strSymbol.toStdString()).value_or(std::string());
        const std::string name = Utf8ToWindows1252(strName.toStdString()).value_or(std::string());
        return Change(*security, [&](CDatabase& database, const SSecurity& present, std::string& strError) {
            if (database.RenameSecurity(present, symbol, name, strError)) {
                return true;
            }
            // The database's own text names no symbol: the one typed may be the other security's
            // symbol or name, here or in a folder below.
            if (database.LastRefusal() == ERefusal::SymbolTaken) {
                strError = tr("%1 is already a symbol or name in this folder (or a folder below it).")
                               .arg(strSymbol)
                               .toStdString() +
                           "\n\n" + kDuplicateSymbolText;
            }
            return false;
        }, strSymbol);
    };
    dlg.exec();
}
