#include "app/DatabaseWindow.h"

#include "app/ChooseDir.h"
#include "app/RenameDlg.h"
#include "engine/Converter.h"
#include "metastock/Dates.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/TextEncoding.h"
#include "ui_DatabaseWindow.h"

#include <QDir>
#include <QGuiApplication>

namespace {

enum EColumn { kSymbolColumn, kNameColumn, kFirstColumn, kLastColumn, kBarsColumn, kFileColumn };
constexpr int kIndexRole = Qt::UserRole; // the security's place in the listing, on the symbol's item

// A change waits this long for another program's conversion into the folder, with the wait
// cursor on; the window must not hang for the full minute a conversion run waits.
constexpr std::chrono::seconds kChangeLockWait{5};
// How the database begins its refusal of a symbol that is in use.

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
    : QWidget(pParent, Qt::Window), m_pUi(std::make_unique<Ui::CDatabaseWindow>()), m_messages(messages) {
    Ui::CDatabaseWindow& ui = *m_pUi;
    ui.setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/resources/Pelmar.png")));
    const QFontMetrics metrics(font());
    resize(metrics.averageCharWidth() * 150, metrics.lineSpacing() * 44);
    ui.securitiesTable->verticalHeader()->setDefaultSectionSize(metrics.lineSpacing() + 6);
    ui.securitiesTable->horizontalHeader()->setSectionResizeMode(kNameColumn, QHeaderView::Stretch);
    // In the directory files' order until a column is chosen.
    ui.securitiesTable->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    // The chart gets the larger share; the table scrolls.
    ui.splitter->setSizes({metrics.lineSpacing() * 12, metrics.lineSpacing() * 26});
    connect(ui.folderEdit, &QLineEdit::returnPressed, this, [this] { ShowFolder(m_pUi->folderEdit->text()); });
    connect(ui.browseButton, &QPushButton::clicked, this, &CDatabaseWindow::OnBrowse);
    connect(ui.deleteButton, &QPushButton::clicked, this, &CDatabaseWindow::OnDelete);
    connect(ui.renameButton, &QPushButton::clicked, this, &CDatabaseWindow::OnRename);
    connect(ui.securitiesTable, &QTableWidget::itemSelectionChanged, this, &CDatabaseWindow::OnSelectionChanged);
}

CDatabaseWindow::~CDatabaseWindow() = default;

void CDatabaseWindow::ShowFolder(const QString& strFolder, const QString& strSymbol) {
    Ui::CDatabaseWindow& ui = *m_pUi;
    ui.folderEdit->setText(QDir::toNativeSeparators(strFolder));
    ui.securitiesTable->setSortingEnabled(false);
    ui.securitiesTable->setRowCount(0);
    m_pDatabase = std::make_unique<CDatabase>(GetSystemFileSystem(), m_messages, Utf8Path(strFolder.toStdString()));
    std::string strError;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const bool bRead = !strFolder.isEmpty() && m_pDatabase->Read(strError);
    const std::vector<SSecurity> securities = bRead ? m_pDatabase->Securities() : std::vector<SSecurity>();
    ui.securitiesTable->setRowCount(static_cast<int>(securities.size()));
    for (int nRow = 0; nRow < ui.securitiesTable->rowCount(); ++nRow) {
        const SSecurity& security = securities[static_cast<std::size_t>(nRow)];
        auto* pSymbol = new QTableWidgetItem(Text(security.strSymbol));
        pSymbol->setData(kIndexRole, nRow);
        ui.securitiesTable->setItem(nRow, kSymbolColumn, pSymbol);
        ui.securitiesTable->setItem(nRow, kNameColumn, new QTableWidgetItem(Text(security.strName)));
        ui.securitiesTable->setItem(nRow, kFirstColumn, new QTableWidgetItem(DateText(security.nFirstDate)));
        ui.securitiesTable->setItem(nRow, kLastColumn, new QTableWidgetItem(DateText(security.nLastDate)));
        // The count the data file really holds, which the chart draws.
        auto* pBars = new QTableWidgetItem;
        std::string strBarsError;
        if (const auto nBars = m_pDatabase->BarCount(security, strBarsError)) {
            pBars->setData(Qt::DisplayRole, static_cast<qlonglong>(*nBars));
        } else {
            pBars->setText(tr("unreadable"));
            pBars->setToolTip(QString::fromStdString(strBarsError));
        }
        pBars->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        ui.securitiesTable->setItem(nRow, kBarsColumn, pBars);
        ui.securitiesTable->setItem(nRow, kFileColumn, new QTableWidgetItem(QString::fromStdString(security.strDataFile)));
    }
    QGuiApplication::restoreOverrideCursor();
    ui.securitiesTable->setSortingEnabled(true);
    ui.securitiesTable->resizeColumnsToContents();

    const QString folder = QDir::toNativeSeparators(strFolder);
    if (strFolder.isEmpty()) {
        m_strStatus = tr("Choose the folder of a database.");
    } else if (!bRead) {
        m_strStatus = QString::fromStdString(strError);
    } else if (!m_pDatabase->HasMaster() && !m_pDatabase->HasXmaster()) {
        m_strStatus = tr("%1 holds no database (no MASTER).").arg(folder);
    } else {
        m_strStatus = securities.size() == 1 ? tr("1 security in %1.").arg(folder)
                                             : tr("%1 securities in %2.").arg(securities.size()).arg(folder);
    }
    if (bRead && !m_pDatabase->Damage().empty()) {
        m_strStatus += QLatin1Char('\n') + tr("This database is damaged; it can be looked at, but not changed:") +
                       QLatin1Char('\n') + Lines(m_pDatabase->Damage());
    }
    ui.statusLabel->setText(m_strStatus);

    int nSelect = ui.securitiesTable->rowCount() > 0 ? 0 : -1;
    for (int nRow = 0; nRow < ui.securitiesTable->rowCount(); ++nRow) {
        if (ui.securitiesTable->item(nRow, kSymbolColumn)->text().compare(strSymbol, Qt::CaseInsensitive) == 0) {
            nSelect = nRow;
        }
    }
    ui.securitiesTable->clearSelection();
    ui.securitiesTable->selectRow(nSelect);
    OnSelectionChanged();
}

std::optional<SSecurity> CDatabaseWindow::SelectedSecurity() const {
    const QList<QTableWidgetItem*> items = m_pUi->securitiesTable->selectedItems();
    if (items.isEmpty() || !m_pDatabase) {
        return std::nullopt;
    }
    const QTableWidgetItem* pSymbol = m_pUi->securitiesTable->item(items.front()->row(), kSymbolColumn);
    return m_pDatabase->Securities().at(pSymbol->data(kIndexRole).toUInt());
}

void CDatabaseWindow::OnSelectionChanged() {
    Ui::CDatabaseWindow& ui = *m_pUi;
    const auto security = SelectedSecurity();
    const bool bChangeable = security && m_pDatabase->RefusingDamage().empty();
    ui.renameButton->setEnabled(bChangeable);
    ui.deleteButton->setEnabled(bChangeable);
    ui.statusLabel->setText(m_strStatus);
    if (!security) {
        ui.chart->SetMessage(ui.securitiesTable->rowCount() > 0 ? tr("Choose a security to see its prices.")
                                                                : QString());
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
        title += QStringLiteral("  (%1, %2 to %3)")
                     .arg(bars->bars.size() == 1 ? tr("1 bar") : tr("%1 bars").arg(bars->bars.size()),
                          DateText(bars->bars.front().nDate), DateText(bars->bars.back().nDate));
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
                           "\n\n" + CConverter::kDuplicateSymbolMessage;
            }
            return false;
        }, strSymbol);
    };
    dlg.exec();
}
