#include "app/PreviewTable.h"

#include <QCoreApplication>
#include <QTableWidget>

#include <algorithm>

namespace {

constexpr int kTimeColumn = 1;
constexpr int kSymbolColumn = kFieldCount + 1;
constexpr int kPreviewColumns = kFieldCount + 2;
constexpr QRgb kBadColour = 0xffffc8c8;

// The cell a row shows in a column of the table.
const SFieldCell& CellOf(const SLinePreview& row, int nColumn) {
    return nColumn == kSymbolColumn ? row.symbol
           : nColumn == kTimeColumn ? row.time
                                    : row.cells[static_cast<std::size_t>(nColumn == 0 ? 0 : nColumn - 1)];
}

} // namespace

int PreviewColumn(int nField) {
    return nField == kFieldDate     ? 0
           : nField == kTimeField   ? kTimeColumn
           : nField == kSymbolField ? kSymbolColumn
                                    : nField + 1;
}

void FillPreviewTable(QTableWidget& table, const std::vector<SLinePreview>& rows, const SInputLayout& layout,
                      const QList<int>& clashColumns, const QString& strClash, const QColor& skippedColour) {
    for (int f = 0; f < kFieldCount; ++f) {
        table.setColumnHidden(PreviewColumn(f), !layout.FieldOn(f) && f != kFieldDate && f != kFieldClose);
    }
    table.setColumnHidden(kTimeColumn, !layout.HasTime());
    table.setColumnHidden(kSymbolColumn, layout.nSymbolCol < 0);
    table.setRowCount(static_cast<int>(rows.size()));
    const QColor bad = QColor::fromRgb(kBadColour);
    for (int nRow = 0; nRow < table.rowCount(); ++nRow) {
        const SLinePreview& row = rows[static_cast<std::size_t>(nRow)];
        table.setVerticalHeaderItem(nRow, new QTableWidgetItem(QString::number(row.nLine)));
        for (int nColumn = 0; nColumn < kPreviewColumns; ++nColumn) {
            const SFieldCell& cell = CellOf(row, nColumn);
            auto* pItem = new QTableWidgetItem(QString::fromStdString(cell.strText));
            if (nColumn != 0 && nColumn != kTimeColumn && nColumn != kSymbolColumn) {
                pItem->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            const std::optional<std::string>& error = cell.error ? cell.error : row.lineError;
            if (error) {
                pItem->setBackground(bad);
                pItem->setToolTip(QString::fromStdString(*error));
            } else if (clashColumns.contains(nColumn) && !row.bSkipped) {
                pItem->setBackground(bad);
                pItem->setToolTip(strClash);
            }
            table.setItem(nRow, nColumn, pItem);
        }
        // A row with nothing to show per field says what it is across the table.
        const bool bEmpty = std::all_of(row.cells.begin(), row.cells.end(),
                                        [](const SFieldCell& cell) { return cell.strText.empty() && !cell.error; });
        if (row.bSkipped || (row.lineError && bEmpty)) {
            QTableWidgetItem* pItem = table.item(nRow, 0);
            pItem->setText(row.bSkipped ? QCoreApplication::translate("CSettingsDlg", "(skipped)")
                                        : QString::fromStdString(*row.lineError));
            if (row.bSkipped) {
                pItem->setForeground(skippedColour);
            }
            table.setSpan(nRow, 0, 1, table.columnCount());
        }
    }
}
