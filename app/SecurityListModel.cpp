#include "app/SecurityListModel.h"

#include "metastock/Database.h"
#include "metastock/Dates.h"
#include "platform/TextEncoding.h"

namespace {

QString Text(const std::string& windows1252) {
    return QString::fromStdString(Windows1252ToUtf8(windows1252));
}

QString DateText(std::int32_t nDate) {
    return nDate > 0 ? QString::fromStdString(DateValueText(nDate)) : QString();
}

// What one bar of a security stands for: D, W, M, or I and the minutes (I5); another letter
// as the directory file holds it.
QString PeriodText(const SSecurity& security) {
    const char c = security.cPeriodicity;
    if (c == 'I' && security.nInterval > 0) {
        return QStringLiteral("I%1").arg(security.nInterval);
    }
    return c > ' ' && c <= '~' ? QString(QLatin1Char(c)) : QStringLiteral("?");
}

QString PeriodName(const SSecurity& security) {
    switch (security.cPeriodicity) {
    case 'D': return CSecurityListModel::tr("Daily bars");
    case 'W': return CSecurityListModel::tr("Weekly bars");
    case 'M': return CSecurityListModel::tr("Monthly bars");
    case 'I':
        return security.nInterval == 1  ? CSecurityListModel::tr("Intraday bars of 1 minute")
               : security.nInterval > 1 ? CSecurityListModel::tr("Intraday bars of %1 minutes").arg(security.nInterval)
                                        : CSecurityListModel::tr("Intraday bars of an unknown interval");
    }
    return CSecurityListModel::tr("A period this program does not know");
}

} // namespace

CSecurityListModel::CSecurityListModel(QObject* pParent) : QAbstractTableModel(pParent) {}

void CSecurityListModel::SetDatabase(CDatabase* pDatabase) {
    beginResetModel();
    m_pDatabase = pDatabase;
    m_bars.assign(pDatabase ? pDatabase->Securities().size() : 0, SBars());
    endResetModel();
}

const SSecurity& CSecurityListModel::Security(int nRow) const {
    return m_pDatabase->Securities().at(static_cast<std::size_t>(nRow));
}

void CSecurityListModel::CountAllBars() const {
    for (int nRow = 0; nRow < rowCount(); ++nRow) {
        Bars(nRow);
    }
}

int CSecurityListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_bars.size());
}

int CSecurityListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

const CSecurityListModel::SBars& CSecurityListModel::Bars(int nRow) const {
    SBars& bars = m_bars[static_cast<std::size_t>(nRow)];
    if (!bars.bRead) {
        bars.bRead = true;
        std::string strError;
        // The count the data file really holds, which the chart draws.
        if (const auto nCount = m_pDatabase->BarCount(Security(nRow), strError)) {
            bars.nCount = *nCount;
        } else {
            bars.strError = QString::fromStdString(strError);
        }
    }
    return bars;
}

QVariant CSecurityListModel::data(const QModelIndex& index, int nRole) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return QVariant();
    }
    const SSecurity& security = Security(index.row());
    const int nColumn = index.column();
    if (nRole == kFilterRole) {
        return Text(security.strSymbol) + u'\n' + Text(security.strName);
    }
    if (nRole == Qt::TextAlignmentRole) {
        return nColumn == kBarsColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    }
    if (nRole == Qt::ToolTipRole && nColumn == kBarsColumn && !Bars(index.row()).strError.isEmpty()) {
        return Bars(index.row()).strError;
    }
    if (nRole == Qt::ToolTipRole && nColumn == kPeriodColumn) {
        return PeriodName(security);
    }
    if (nRole != Qt::DisplayRole && nRole != kSortRole) {
        return QVariant();
    }
    const bool bSort = nRole == kSortRole;
    switch (nColumn) {
    case kSymbolColumn: return Text(security.strSymbol);
    case kNameColumn: return Text(security.strName);
    case kPeriodColumn:
        return bSort ? QVariant(static_cast<unsigned char>(security.cPeriodicity) * 100 + security.nInterval)
                     : QVariant(PeriodText(security));
    case kFirstColumn: return bSort ? QVariant(security.nFirstDate) : QVariant(DateText(security.nFirstDate));
    case kLastColumn: return bSort ? QVariant(security.nLastDate) : QVariant(DateText(security.nLastDate));
    case kBarsColumn: {
        const SBars& bars = Bars(index.row());
        return bSort || bars.nCount >= 0 ? QVariant(bars.nCount) : QVariant(tr("unreadable"));
    }
    case kFileColumn: return bSort ? QVariant(security.nFileNumber) : QVariant(QString::fromStdString(security.strDataFile));
    }
    return QVariant();
}

QVariant CSecurityListModel::headerData(int nSection, Qt::Orientation orientation, int nRole) const {
    if (orientation != Qt::Horizontal || nRole != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(nSection, orientation, nRole);
    }
    switch (nSection) {
    case kSymbolColumn: return tr("Symbol");
    case kNameColumn: return tr("Name");
    case kPeriodColumn: return tr("Period");
    case kFirstColumn: return tr("First");
    case kLastColumn: return tr("Last");
    case kBarsColumn: return tr("Bars");
    case kFileColumn: return tr("File");
    }
    return QVariant();
}
