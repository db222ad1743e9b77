// The Database window's list: one row per security of a folder as the database object last
// read it (symbol, name, period, first and last date, bars, data file). A row's bars are counted from
// its data file's header when the row is first shown or sorted by, so that a folder of 6,000
// securities lists without reading 6,000 data files first. The window owns it and the
// database object it reads from.
#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <vector>

class CDatabase;
struct SSecurity;

class CSecurityListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum EColumn {
        kSymbolColumn, kNameColumn, kPeriodColumn, kFirstColumn, kLastColumn, kBarsColumn, kFileColumn, kColumnCount
    };
    // What a column sorts by: texts, the period by its letter and interval (I5 before I15),
    // dates as date values, bars as numbers (an unreadable count first), the data file by its
    // number.
    static constexpr int kSortRole = Qt::UserRole;
    // On every column: the symbol and the name, which the filter searches.
    static constexpr int kFilterRole = Qt::UserRole + 1;

    explicit CSecurityListModel(QObject* pParent = nullptr);

    // Lists the securities of pDatabase (read already), in its directory files' order; nullptr
    // empties the list. The database object must outlive the list or the next call.
    void SetDatabase(CDatabase* pDatabase);
    // The security of a row of this model.
    const SSecurity& Security(int nRow) const;
    // Reads the count of bars of every row not read yet (before a sort by them).
    void CountAllBars() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;
    QVariant headerData(int nSection, Qt::Orientation orientation, int nRole = Qt::DisplayRole) const override;

private:
    // A row's count of bars, read when first asked for.
    struct SBars {
        bool bRead = false;
        int nCount = -1;  // -1: the data file cannot tell
        QString strError; // why, then
    };
    const SBars& Bars(int nRow) const;

    CDatabase* m_pDatabase = nullptr;
    mutable std::vector<SBars> m_bars;
};
