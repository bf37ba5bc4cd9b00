// SPDX-License-Identifier: GPL-3.0-or-later
#include "VResultsBackend.h"

#include "CResultsXml.h"
#include "CScanFragment.h"

#include <QCoreApplication>
#include <QHash>
#include <QLocale>
#include <QMimeData>
#include <QMutex>
#include <QSet>

#include <algorithm>
#include <atomic>
#include <numeric>

namespace {

const char *const kColumnTitles[] = {
    QT_TRANSLATE_NOOP("columns", "Status"),
    QT_TRANSLATE_NOOP("columns", "Name"),
    QT_TRANSLATE_NOOP("columns", "IP"),
    QT_TRANSLATE_NOOP("columns", "NetBIOS name"),
    QT_TRANSLATE_NOOP("columns", "NetBIOS group"),
    QT_TRANSLATE_NOOP("columns", "MAC address"),
    QT_TRANSLATE_NOOP("columns", "User"),
    QT_TRANSLATE_NOOP("columns", "Comments"),
};
constexpr int kKnownColumns = 8;
const char *const kHistoryTitles[] = {
    QT_TRANSLATE_NOOP("columns", "First seen"),
    QT_TRANSLATE_NOOP("columns", "Last seen"),
    QT_TRANSLATE_NOOP("columns", "Change"),
};
const char *const kVendorTitle = QT_TRANSLATE_NOOP("columns", "Vendor");

// The numbers the image source is asked for, counted from 0.
enum EImage : int
{
    ImageAlive,
    ImageDead,
    ImageUnknown,
    ImageFtp,
    ImageHttp,
    ImageHttps,
    ImageShare,
    ImageOrtavo,
};

struct TChild
{
    qint32 nKind = 0;
    qint32 nPort = 0;
    QString sText;
};

bool ChildAt(const CScanItem &i_oItem, int i_nChild, TChild *o_pChild)
{
    const CScanResult &oResult = i_oItem.result();
    int n = i_nChild;
    if (oResult.has_http() && n-- == 0) {
        o_pChild->nKind = FragmentHttp;
        return true;
    }
    if (oResult.has_https() && n-- == 0) {
        o_pChild->nKind = FragmentHttps;
        return true;
    }
    const QList<CScanResult::TWebServer> lServers = oResult.web_servers();
    if (n >= 0 && n < lServers.size()) {
        o_pChild->nKind = lServers.at(n).fHttps ? FragmentHttps : FragmentHttp;
        o_pChild->nPort = lServers.at(n).nPort;
        o_pChild->sText = lServers.at(n).sTitle;
        return true;
    }
    n -= lServers.size();
    if (oResult.has_ftp() && n-- == 0) {
        o_pChild->nKind = FragmentFtp;
        return true;
    }
    const QList<qint32> lnPorts = oResult.ortavo_ports();
    if (n >= 0 && n < lnPorts.size()) {
        o_pChild->nKind = FragmentOrtavo;
        o_pChild->nPort = lnPorts.at(n);
        return true;
    }
    n -= lnPorts.size();
    const QStringList lsShares = oResult.shares();
    if (n >= 0 && n < lsShares.size()) {
        o_pChild->nKind = FragmentShare;
        o_pChild->sText = lsShares.at(n);
        return true;
    }
    return false;
}

int StatusRank(EHostStatus i_eStatus)
{
    switch (i_eStatus) {
    case EHostStatus::Unknown:
        return 1;
    case EHostStatus::Dead:
        return 2;
    case EHostStatus::Alive:
        return 3;
    }
    return 0;
}

quint64 MacNumber(const QByteArray &i_baMac)
{
    quint64 nValue = 0;
    for (int i = 0; i < 6; ++i)
        nValue = (nValue << 8) | static_cast<quint8>(i < i_baMac.size() ? i_baMac.at(i) : 0);
    return nValue;
}

template <typename T> int Sign(const T &i_oA, const T &i_oB)
{
    return i_oA < i_oB ? -1 : (i_oB < i_oA ? 1 : 0);
}

int CompareUpper(const QString &i_sA, const QString &i_sB)
{
    // Sorting compares each item about log2(n) times: upper-casing both texts every time made
    // a sort by name allocate twice per comparison. For ASCII, where upper-casing maps one unit
    // to one unit, comparing unit by unit gives the same order without allocating.
    const QChar *pA = i_sA.constData();
    const QChar *pB = i_sB.constData();
    const int nA = i_sA.size();
    const int nB = i_sB.size();
    const int nCommon = std::min(nA, nB);
    for (int i = 0; i < nCommon; ++i) {
        ushort uA = pA[i].unicode();
        ushort uB = pB[i].unicode();
        if (uA >= 0x80 || uB >= 0x80)
            return Sign(i_sA.toUpper(), i_sB.toUpper());
        if (uA >= 'a' && uA <= 'z')
            uA -= 'a' - 'A';
        if (uB >= 'a' && uB <= 'z')
            uB -= 'a' - 'A';
        if (uA != uB)
            return uA < uB ? -1 : 1;
    }
    // The longer text may go on with units that upper-case to several or none.
    for (int i = nCommon; i < std::max(nA, nB); ++i) {
        if ((i < nA ? pA[i] : pB[i]).unicode() >= 0x80)
            return Sign(i_sA.toUpper(), i_sB.toUpper());
    }
    return Sign(nA, nB);
}

std::atomic<VResultsBackend::TImageSource> s_pImageSource{nullptr};

} // namespace

VResultsBackend::VResultsBackend(QObject *i_pParent, int i_nColumnCount, bool i_fFavorites)
    : QAbstractItemModel(i_pParent)
    , m_nColumnCount(i_nColumnCount)
    , m_fFavorites(i_fFavorites)
{
    m_oAppliedFilter = ReadFilter();
}

VResultsBackend::~VResultsBackend() = default;

// --- Qt model interface -------------------------------------------------------------------------

QModelIndex VResultsBackend::index(int i_nRow, int i_nColumn, const QModelIndex &i_oParent) const
{
    // Range-checked although the views only ask for existing rows: an index for a row that is
    // not there would make a persistent index survive its row.
    if (i_nRow < 0 || i_nColumn < 0 || i_nColumn >= m_nColumnCount)
        return QModelIndex();
    if (!i_oParent.isValid()) {
        if (i_nRow >= m_vVisibleRows.size())
            return QModelIndex();
        return createIndex(i_nRow, i_nColumn, quintptr(0));
    }
    if (i_oParent.internalId() != 0 || i_oParent.column() != 0)
        return QModelIndex();
    if (i_nRow >= ChildCountAtRow(i_oParent.row()))
        return QModelIndex();
    return createIndex(i_nRow, i_nColumn, quintptr(i_oParent.row()) + 1);
}

QModelIndex VResultsBackend::parent(const QModelIndex &i_oChild) const
{
    if (!i_oChild.isValid() || i_oChild.internalId() == 0)
        return QModelIndex();
    return createIndex(static_cast<int>(i_oChild.internalId() - 1), 0, quintptr(0));
}

int VResultsBackend::rowCount(const QModelIndex &i_oParent) const
{
    if (!i_oParent.isValid())
        return m_vVisibleRows.size();
    if (i_oParent.internalId() != 0 || i_oParent.column() != 0)
        return 0;
    return ChildCountAtRow(i_oParent.row());
}

int VResultsBackend::columnCount(const QModelIndex &i_oParent) const
{
    Q_UNUSED(i_oParent)
    return m_nColumnCount;
}

bool VResultsBackend::hasChildren(const QModelIndex &i_oParent) const
{
    return rowCount(i_oParent) > 0;
}

QVariant VResultsBackend::data(const QModelIndex &i_oIndex, int i_nRole) const
{
    if (!i_oIndex.isValid())
        return QVariant();
    if (i_oIndex.internalId() != 0) {
        const CScanItem *pItem = ItemAtRow(static_cast<int>(i_oIndex.internalId() - 1));
        if (!pItem)
            return QVariant();
        return ChildData(*pItem, i_oIndex.row(), i_oIndex.column(), i_nRole);
    }
    const CScanItem *pItem = ItemAtRow(i_oIndex.row());
    if (!pItem)
        return QVariant();
    switch (i_nRole) {
    case Qt::ToolTipRole:
        if (i_oIndex.column() == 0)
            return AliveByTip(pItem->result());
        if (m_nFirstHistoryColumn < 0 || i_oIndex.column() != m_nFirstHistoryColumn + 2)
            return QVariant();
        return m_hHistory.value(pItem->result().ip()).sDetails;
    case Qt::DisplayRole:
        return HostText(*pItem, i_oIndex.column());
    case Qt::DecorationRole:
        if (i_oIndex.column() != 0)
            return QVariant();
        switch (pItem->result().status()) {
        case EHostStatus::Alive:
            return Image(ImageAlive);
        case EHostStatus::Dead:
            return Image(ImageDead);
        case EHostStatus::Unknown:
            return Image(ImageUnknown);
        }
        return QVariant();
    case Qt::UserRole:
        if (i_oIndex.column() != 0)
            return QVariant();
        return QVariant::fromValue(CScanFragment(FragmentHost, 0, QString(), *pItem));
    default:
        return QVariant();
    }
}

QVariant
VResultsBackend::headerData(int i_nSection, Qt::Orientation i_eOrientation, int i_nRole) const
{
    Q_UNUSED(i_eOrientation)
    if (i_nRole == Qt::DisplayRole && i_nSection >= 0 && i_nSection == m_nVendorColumn)
        return QCoreApplication::translate("columns", kVendorTitle);
    if (i_nRole == Qt::DisplayRole && m_nFirstHistoryColumn >= 0
        && i_nSection >= m_nFirstHistoryColumn
        && i_nSection < m_nFirstHistoryColumn + kHistoryColumnCount) {
        return QCoreApplication::translate("columns",
                                           kHistoryTitles[i_nSection - m_nFirstHistoryColumn]);
    }
    if (i_nRole != Qt::DisplayRole || i_nSection < 0 || i_nSection >= kKnownColumns)
        return QVariant();
    return ColumnTitle(i_nSection);
}

QStringList VResultsBackend::mimeTypes() const
{
    return QStringList{MimeFormat(), QStringLiteral("text/plain")};
}

QMimeData *VResultsBackend::mimeData(const QModelIndexList &i_lIndexes) const
{
    // A service or share row stands for its host.
    QVector<int> vRows;
    for (QModelIndex oIndex : i_lIndexes) {
        while (oIndex.parent().isValid())
            oIndex = oIndex.parent();
        if (oIndex.isValid())
            vRows.append(oIndex.row());
    }
    QString sXml;
    QString sCsv;
    if (!m_lItems.isEmpty()) {
        const QList<CScanItem> lItems = ItemsForExport(vRows, false);
        sXml = CResultsXml::Export(lItems, QString());
        sCsv = CResultsXml::Export(lItems, QStringLiteral("xml_to_csv.xsl"));
    }
    auto *pData = new QMimeData;
    pData->setText(sCsv);
    pData->setData(MimeFormat(), sXml.toUtf8());
    return pData;
}

Qt::ItemFlags VResultsBackend::flags(const QModelIndex &i_oIndex) const
{
    if (!i_oIndex.isValid())
        return Qt::NoItemFlags;
    if (i_oIndex.internalId() != 0)
        return Qt::ItemIsEnabled;
    return Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsEnabled;
}

void VResultsBackend::sort(int i_nColumn, Qt::SortOrder i_eOrder)
{
    BeginRelayout();
    m_nSortColumn = i_nColumn;
    m_fSortAscending = i_eOrder == Qt::AscendingOrder;
    SortList(m_lItems, 0);
    EndRelayout();
}

// --- Item texts and images -----------------------------------------------------------------------

QString VResultsBackend::ColumnTitle(int i_nColumn)
{
    if (i_nColumn < 0 || i_nColumn >= kKnownColumns)
        return QString();
    return QCoreApplication::translate("columns", kColumnTitles[i_nColumn]);
}

QVariant VResultsBackend::AliveByTip(const CScanResult &i_oResult)
{
    if (!i_oResult.IsAlive())
        return QVariant();
    switch (i_oResult.alive_by()) {
    case EAliveBy::OwnAddress:
        //: Tooltip of an alive host's status: why it counts as alive.
        return tr("Alive: an address of this computer");
    case EAliveBy::Arp:
        //: Tooltip of an alive host's status: it answered an ARP request.
        return tr("Alive: answered ARP");
    case EAliveBy::Echo:
        //: Tooltip of an alive host's status: it answered a ping.
        return tr("Alive: answered ICMP echo (ping)");
    case EAliveBy::None:
        break;
    }
    return QVariant();
}

QString VResultsBackend::StatusText(EHostStatus i_eStatus)
{
    switch (i_eStatus) {
    case EHostStatus::Alive:
        return tr("Alive");
    case EHostStatus::Dead:
        return tr("Dead");
    case EHostStatus::Unknown:
        break;
    }
    return tr("Unknown");
}

void VResultsBackend::SetImageSource(TImageSource i_pSource)
{
    s_pImageSource.store(i_pSource);
}

QVariant VResultsBackend::Image(int i_nNumber)
{
    if (i_nNumber < ImageAlive || i_nNumber > ImageOrtavo)
        return QVariant();
    const TImageSource pSource = s_pImageSource.load();
    return pSource ? pSource(i_nNumber) : QVariant();
}

int VResultsBackend::ChildCount(const CScanItem &i_oItem)
{
    return i_oItem.result().ResourceCount();
}

int VResultsBackend::ChildCountAtRow(int i_nVisibleRow) const
{
    return i_nVisibleRow >= 0 && i_nVisibleRow < m_vVisibleChildren.size()
               ? m_vVisibleChildren.at(i_nVisibleRow)
               : 0;
}

void VResultsBackend::RecountChildren()
{
    m_vVisibleChildren.resize(m_vVisibleRows.size());
    for (int nRow = 0; nRow < m_vVisibleRows.size(); ++nRow)
        m_vVisibleChildren[nRow] = ChildCount(m_lItems.at(m_vVisibleRows.at(nRow)));
}

void VResultsBackend::AddHistoryColumns()
{
    if (m_nFirstHistoryColumn >= 0)
        return;
    beginInsertColumns(QModelIndex(), m_nColumnCount, m_nColumnCount + kHistoryColumnCount - 1);
    m_nFirstHistoryColumn = m_nColumnCount;
    m_nColumnCount += kHistoryColumnCount;
    endInsertColumns();
}

void VResultsBackend::AddVendorColumn()
{
    if (m_nVendorColumn >= 0)
        return;
    beginInsertColumns(QModelIndex(), m_nColumnCount, m_nColumnCount);
    m_nVendorColumn = m_nColumnCount;
    ++m_nColumnCount;
    endInsertColumns();
}

QString VResultsBackend::VendorOf(const CScanItem &i_oItem) const
{
    const CScanResult &oResult = i_oItem.result();
    if (!oResult.HasMac())
        return QString();
    if (!m_pVendors) {
        m_pVendors = std::make_unique<CMacVendors>();
        m_pVendors->LoadDefault();
    }
    return m_pVendors->Lookup(oResult.mac());
}

void VResultsBackend::SetHostHistory(const QHash<quint32, THostHistory> &i_hHistory)
{
    m_hHistory = i_hHistory;
    if (m_nFirstHistoryColumn >= 0 && rowCount() > 0) {
        emit dataChanged(index(0, m_nFirstHistoryColumn),
                         index(rowCount() - 1, m_nColumnCount - 1),
                         {Qt::DisplayRole, Qt::ToolTipRole});
    }
}

QVariant VResultsBackend::HostText(const CScanItem &i_oItem, int i_nColumn) const
{
    const CScanResult &oResult = i_oItem.result();
    if (i_nColumn >= 0 && i_nColumn == m_nVendorColumn)
        return VendorOf(i_oItem);
    if (m_nFirstHistoryColumn >= 0 && i_nColumn >= m_nFirstHistoryColumn) {
        const THostHistory oHistory = m_hHistory.value(oResult.ip());
        const auto Time = [](const QDateTime &i_oTime) {
            return i_oTime.isValid()
                       ? QLocale().toString(i_oTime.toLocalTime(), QLocale::ShortFormat)
                       : QString();
        };
        switch (i_nColumn - m_nFirstHistoryColumn) {
        case 0:
            return Time(oHistory.oFirstSeen);
        case 1:
            return Time(oHistory.oLastSeen);
        default:
            return oHistory.sChange;
        }
    }
    switch (i_nColumn) {
    case 1:
        return oResult.name();
    case 2:
        return oResult.IpText();
    case 3:
        return oResult.netbiosname();
    case 4:
        return oResult.netbiosgroup();
    case 5:
        // Zeros (no answer carried a MAC address) and all-FF both mean none is known.
        return oResult.HasMac() ? MacToText(oResult.mac(), true) : QString();
    case 6:
        return oResult.user();
    case 7:
        return i_oItem.comments();
    default:
        return QString();
    }
}

QVariant
VResultsBackend::ChildData(const CScanItem &i_oItem, int i_nChild, int i_nColumn, int i_nRole) const
{
    TChild oChild;
    if (!ChildAt(i_oItem, i_nChild, &oChild))
        return QVariant();
    if (i_nRole == Qt::UserRole) {
        if (i_nColumn != 0)
            return QVariant();
        return QVariant::fromValue(
            CScanFragment(oChild.nKind, oChild.nPort, oChild.sText, i_oItem));
    }
    if (i_nColumn != 1)
        return QVariant();
    if (i_nRole == Qt::DisplayRole) {
        if (oChild.nPort > 0 && (oChild.nKind == FragmentHttp || oChild.nKind == FragmentHttps)) {
            if (!oChild.sText.isEmpty())
                //: A child row of a host: a web page on another port; %1 its title, %2 the port.
                return tr("%1 (port %2)").arg(oChild.sText).arg(oChild.nPort);
            if (oChild.nKind == FragmentHttp)
                //: A child row of a host: a web server without a page title on port %1.
                return tr("HTTP, port %1").arg(oChild.nPort);
            //: As "HTTP, port %1", over TLS.
            return tr("HTTPS, port %1").arg(oChild.nPort);
        }
        switch (oChild.nKind) {
        case FragmentHttp: {
            const QString sTitle = i_oItem.result().http_title();
            return sTitle.isNull() ? QStringLiteral("HTTP") : sTitle;
        }
        case FragmentHttps:
            return QStringLiteral("HTTPS");
        case FragmentFtp:
            return QStringLiteral("FTP");
        case FragmentOrtavo:
            //: A child row of a host: one open Ortavo port, %1 is its number.
            return tr("Ortavo: %1").arg(oChild.nPort);
        default:
            return oChild.sText;
        }
    }
    if (i_nRole == Qt::DecorationRole) {
        switch (oChild.nKind) {
        case FragmentHttp:
            return Image(ImageHttp);
        case FragmentHttps:
            return Image(ImageHttps);
        case FragmentFtp:
            return Image(ImageFtp);
        case FragmentOrtavo:
            return Image(ImageOrtavo);
        default:
            return Image(ImageShare);
        }
    }
    return QVariant();
}

const CScanItem *VResultsBackend::ItemAtRow(int i_nVisibleRow) const
{
    if (i_nVisibleRow < 0 || i_nVisibleRow >= m_vVisibleRows.size())
        return nullptr;
    const int nStorage = m_vVisibleRows.at(i_nVisibleRow);
    if (nStorage < 0 || nStorage >= m_lItems.size())
        return nullptr;
    return &m_lItems.at(nStorage);
}

std::optional<CScanItem> VResultsBackend::ItemAt(int i_nVisibleRow) const
{
    const CScanItem *pItem = ItemAtRow(i_nVisibleRow);
    if (!pItem)
        return std::nullopt;
    return *pItem;
}

// --- Filter, sort and index ----------------------------------------------------------------------

VResultsBackend::TFilter VResultsBackend::ReadFilter() const
{
    TFilter oFilter;
    oFilter.fAlive = m_oCfg.show_alive();
    oFilter.fDead = m_oCfg.show_dead();
    oFilter.fUnknown = m_oCfg.show_unknown();
    oFilter.sSearch = m_sSearch;
    return oFilter;
}

bool VResultsBackend::MatchesSearch(const QString &i_sSearch, const CScanItem &i_oItem) const
{
    const CScanResult &oResult = i_oItem.result();
    const QString sMac = oResult.HasMac() ? MacToText(oResult.mac(), true) : QString();
    for (const QString &sText : {oResult.IpText(),
                                 oResult.name(),
                                 sMac,
                                 oResult.netbiosname(),
                                 oResult.user(),
                                 oResult.http_title()}) {
        if (sText.contains(i_sSearch, Qt::CaseInsensitive))
            return true;
    }
    return VendorOf(i_oItem).contains(i_sSearch, Qt::CaseInsensitive);
}

void VResultsBackend::SetSearchText(const QString &i_sText)
{
    const QString sSearch = i_sText.trimmed();
    if (sSearch == m_sSearch)
        return;
    m_sSearch = sSearch;
    Rebuild();
}

bool VResultsBackend::Passes(const TFilter &i_oFilter, const CScanItem &i_oItem) const
{
    if (!i_oFilter.sSearch.isEmpty() && !MatchesSearch(i_oFilter.sSearch, i_oItem))
        return false;
    switch (i_oItem.result().status()) {
    case EHostStatus::Alive:
        return i_oFilter.fAlive;
    case EHostStatus::Dead:
        return i_oFilter.fDead;
    case EHostStatus::Unknown:
        return i_oFilter.fUnknown;
    }
    return false;
}

void VResultsBackend::SetCfg(const CCfg &i_oCfg)
{
    m_oCfg = i_oCfg;
}

int VResultsBackend::Compare(const CScanItem &i_oA, const CScanItem &i_oB) const
{
    const CScanResult &oA = i_oA.result();
    const CScanResult &oB = i_oB.result();
    int nOrder = 0;
    switch (m_nSortColumn) {
    case 0:
        nOrder = Sign(StatusRank(oA.status()), StatusRank(oB.status()));
        break;
    case 1:
        nOrder = CompareUpper(oA.name(), oB.name());
        break;
    case 2:
        nOrder = Sign(oA.ip(), oB.ip());
        break;
    case 3:
        nOrder = CompareUpper(oA.netbiosname(), oB.netbiosname());
        break;
    case 4:
        nOrder = CompareUpper(oA.netbiosgroup(), oB.netbiosgroup());
        break;
    case 5:
        nOrder = Sign(MacNumber(oA.mac()), MacNumber(oB.mac()));
        break;
    case 6:
        nOrder = CompareUpper(oA.user(), oB.user());
        break;
    case 7:
        nOrder = CompareUpper(i_oA.comments(), i_oB.comments());
        break;
    default:
        return 0;
    }
    return m_fSortAscending ? nOrder : -nOrder;
}

bool VResultsBackend::IsInOrderAt(int i_nStorage) const
{
    if (i_nStorage > 0 && Compare(m_lItems.at(i_nStorage - 1), m_lItems.at(i_nStorage)) > 0)
        return false;
    if (i_nStorage + 1 < m_lItems.size()
        && Compare(m_lItems.at(i_nStorage), m_lItems.at(i_nStorage + 1)) > 0)
        return false;
    return true;
}

void VResultsBackend::SortList(QList<CScanItem> &io_lItems, int i_nSortedPrefix) const
{
    if (!HasSortColumn())
        return;
    const auto fnLess = [this](const CScanItem &i_oA, const CScanItem &i_oB) {
        return Compare(i_oA, i_oB) < 0;
    };
    // Both steps are stable and the sorted prefix precedes the tail, so this gives exactly the
    // order a stable sort of the whole list gives.
    const int nPrefix = std::clamp(i_nSortedPrefix, 0, io_lItems.size());
    std::stable_sort(io_lItems.begin() + nPrefix, io_lItems.end(), fnLess);
    std::inplace_merge(io_lItems.begin(), io_lItems.begin() + nPrefix, io_lItems.end(), fnLess);
}

int VResultsBackend::InsertPosition(const CScanItem &i_oItem) const
{
    if (!HasSortColumn())
        return m_lItems.size();
    // After every equal item: a stable sort of the list with the item appended puts it there.
    const auto it = std::upper_bound(
        m_lItems.cbegin(),
        m_lItems.cend(),
        i_oItem,
        [this](const CScanItem &i_oA, const CScanItem &i_oB) { return Compare(i_oA, i_oB) < 0; });
    return int(it - m_lItems.cbegin());
}

void VResultsBackend::RecomputeSortedPrefix()
{
    int n = 1;
    while (n < m_lItems.size() && Compare(m_lItems.at(n - 1), m_lItems.at(n)) <= 0)
        ++n;
    m_nSortedPrefix = std::min(n, m_lItems.size());
}

void VResultsBackend::RebuildIndex()
{
    m_hIndexByIp.clear();
    m_hIndexByIp.reserve(m_lItems.size());
    for (int i = m_lItems.size() - 1; i >= 0; --i)
        m_hIndexByIp.insert(m_lItems.at(i).result().ip(), i); // the first of an address wins
    m_nIndexValidBelow = m_lItems.size();
}

int VResultsBackend::FindStorage(quint32 i_nIp)
{
    const auto it = m_hIndexByIp.constFind(i_nIp);
    if (it == m_hIndexByIp.constEnd())
        return -1;
    if (*it < m_nIndexValidBelow && *it < m_lItems.size()
        && m_lItems.at(*it).result().ip() == i_nIp)
        return *it;
    // Only the items from the first shifted position on can have moved; merges insert near the
    // end of the list, so this is short.
    for (int i = m_nIndexValidBelow; i < m_lItems.size(); ++i)
        m_hIndexByIp[m_lItems.at(i).result().ip()] = i;
    m_nIndexValidBelow = m_lItems.size();
    const int nStorage = m_hIndexByIp.value(i_nIp, -1);
    if (nStorage < 0 || nStorage >= m_lItems.size()
        || m_lItems.at(nStorage).result().ip() != i_nIp) {
        RebuildIndex(); // cannot happen while the bookkeeping above holds; recover regardless
        return m_hIndexByIp.value(i_nIp, -1);
    }
    return nStorage;
}

int VResultsBackend::VisibleRowOf(int i_nStorage) const
{
    const auto it = std::lower_bound(m_vVisibleRows.cbegin(), m_vVisibleRows.cend(), i_nStorage);
    if (it == m_vVisibleRows.cend() || *it != i_nStorage)
        return -1;
    return int(it - m_vVisibleRows.cbegin());
}

QVector<int> VResultsBackend::VisibleRowsOf(const QList<CScanItem> &i_lItems,
                                            const TFilter &i_oFilter) const
{
    QVector<int> vRows;
    vRows.reserve(i_lItems.size());
    for (int i = 0; i < i_lItems.size(); ++i) {
        if (Passes(i_oFilter, i_lItems.at(i)))
            vRows.append(i);
    }
    return vRows;
}

// --- Re-layout
// ------------------------------------------------------------------------------------

void VResultsBackend::BeginRelayout()
{
    emit layoutAboutToBeChanged();
    m_vRelayoutRefs.clear();
    const QModelIndexList lPersistent = persistentIndexList();
    m_vRelayoutRefs.reserve(lPersistent.size());
    for (const QModelIndex &oIndex : lPersistent) {
        const bool fChild = oIndex.internalId() != 0;
        const CScanItem *pItem = ItemAtRow(fChild ? int(oIndex.internalId() - 1) : oIndex.row());
        TPersistentRef oRef{oIndex, 0, fChild ? oIndex.row() : -1, oIndex.column()};
        if (pItem)
            oRef.nIp = pItem->result().ip();
        else
            oRef.nChildRow = -2;
        m_vRelayoutRefs.append(oRef);
    }
}

void VResultsBackend::EndRelayout()
{
    m_oAppliedFilter = ReadFilter();
    m_vVisibleRows = VisibleRowsOf(m_lItems, m_oAppliedFilter);
    RecountChildren();
    m_fVisibleStale = false;
    RebuildIndex();
    RecomputeSortedPrefix();

    QModelIndexList lFrom;
    QModelIndexList lTo;
    lFrom.reserve(m_vRelayoutRefs.size());
    lTo.reserve(m_vRelayoutRefs.size());
    for (const TPersistentRef &oRef : qAsConst(m_vRelayoutRefs)) {
        QModelIndex oNew;
        if (oRef.nChildRow != -2) {
            const int nStorage = FindStorage(oRef.nIp);
            const int nRow = nStorage < 0 ? -1 : VisibleRowOf(nStorage);
            if (nRow >= 0) {
                const QModelIndex oHost = index(nRow, oRef.nChildRow < 0 ? oRef.nColumn : 0);
                oNew = oRef.nChildRow < 0 ? oHost : index(oRef.nChildRow, oRef.nColumn, oHost);
            }
        }
        lFrom.append(oRef.oOld);
        lTo.append(oNew);
    }
    m_vRelayoutRefs.clear();
    changePersistentIndexList(lFrom, lTo);
    emit layoutChanged();
}

void VResultsBackend::Rebuild()
{
    BeginRelayout();
    EndRelayout();
}

void VResultsBackend::ShiftChildPersistentIndexes(int i_nFromRow, int i_nDelta)
{
    // A child's internal id is its host's row + 1, which Qt does not know to update when host
    // rows move; children of a removed host (delta -1, row i_nFromRow) lose their row.
    const QModelIndexList lPersistent = persistentIndexList();
    for (const QModelIndex &oIndex : lPersistent) {
        if (oIndex.internalId() == 0)
            continue;
        const int nHostRow = int(oIndex.internalId() - 1);
        if (nHostRow < i_nFromRow)
            continue;
        if (i_nDelta < 0 && nHostRow == i_nFromRow)
            changePersistentIndex(oIndex, QModelIndex());
        else
            changePersistentIndex(
                oIndex,
                createIndex(oIndex.row(), oIndex.column(), quintptr(nHostRow + i_nDelta) + 1));
    }
}

// --- Merging
// ----------------------------------------------------------------------------------------

void VResultsBackend::InsertItemAt(int i_nStorage, const CScanItem &i_oItem, bool i_fShow)
{
    const bool fAppend = i_nStorage >= m_lItems.size();
    const auto itFirstShifted =
        std::lower_bound(m_vVisibleRows.begin(), m_vVisibleRows.end(), i_nStorage);
    const int nRow = int(itFirstShifted - m_vVisibleRows.begin());
    if (i_fShow)
        beginInsertRows(QModelIndex(), nRow, nRow);
    m_lItems.insert(i_nStorage, i_oItem);
    // With every item shown the rows are the storage places themselves and stay so: the new
    // row takes the next number. Otherwise the shown rows after the new item point one storage
    // place further; moving them up for the new row and counting them up happen in one pass,
    // since a sort by name or a random arrival order inserts in the middle every time.
    const int nShown = m_vVisibleRows.size();
    if (i_fShow)
        m_vVisibleChildren.insert(nRow, ChildCount(i_oItem));
    if (i_fShow && nShown == m_lItems.size() - 1) {
        m_vVisibleRows.append(nShown);
    } else if (i_fShow) {
        m_vVisibleRows.append(0);
        int *pRows = m_vVisibleRows.data();
        for (int i = nShown; i > nRow; --i)
            pRows[i] = pRows[i - 1] + 1;
        pRows[nRow] = i_nStorage;
    } else {
        int *pRows = m_vVisibleRows.data();
        for (int i = nRow; i < nShown; ++i)
            ++pRows[i];
    }
    if (!fAppend)
        m_nIndexValidBelow = std::min(m_nIndexValidBelow, i_nStorage);
    else if (m_nIndexValidBelow == i_nStorage)
        m_nIndexValidBelow = i_nStorage + 1;
    m_hIndexByIp.insert(i_oItem.result().ip(), i_nStorage);
    if (i_fShow) {
        ShiftChildPersistentIndexes(nRow, 1);
        endInsertRows();
    }
}

void VResultsBackend::ReplaceItemAt(int i_nStorage,
                                    const CScanItem &i_oItem,
                                    bool i_fApplyFilter,
                                    const TFilter &i_oFilter)
{
    int nRow = VisibleRowOf(i_nStorage);
    const bool fShown = nRow >= 0;
    const bool fShow = i_fApplyFilter ? Passes(i_oFilter, i_oItem) : fShown;
    if (fShown && !fShow) {
        beginRemoveRows(QModelIndex(), nRow, nRow);
        m_lItems[i_nStorage] = i_oItem;
        m_vVisibleRows.remove(nRow);
        m_vVisibleChildren.remove(nRow);
        ShiftChildPersistentIndexes(nRow, -1);
        endRemoveRows();
        return;
    }
    if (!fShown && fShow) {
        nRow = int(std::lower_bound(m_vVisibleRows.cbegin(), m_vVisibleRows.cend(), i_nStorage)
                   - m_vVisibleRows.cbegin());
        beginInsertRows(QModelIndex(), nRow, nRow);
        m_lItems[i_nStorage] = i_oItem;
        m_vVisibleRows.insert(nRow, i_nStorage);
        m_vVisibleChildren.insert(nRow, ChildCount(i_oItem));
        ShiftChildPersistentIndexes(nRow, 1);
        endInsertRows();
        return;
    }
    if (!fShown) {
        m_lItems[i_nStorage] = i_oItem;
        return;
    }
    if (!Passes(i_oFilter, i_oItem))
        m_fVisibleStale = true;
    const QModelIndex oHost = index(nRow, 0);
    const int nOld = ChildCountAtRow(nRow);
    const int nNew = ChildCount(i_oItem);
    if (nNew < nOld) {
        beginRemoveRows(oHost, nNew, nOld - 1);
        m_lItems[i_nStorage] = i_oItem;
        m_vVisibleChildren[nRow] = nNew;
        endRemoveRows();
    } else if (nNew > nOld) {
        beginInsertRows(oHost, nOld, nNew - 1);
        m_lItems[i_nStorage] = i_oItem;
        m_vVisibleChildren[nRow] = nNew;
        endInsertRows();
    } else {
        m_lItems[i_nStorage] = i_oItem;
    }
    emit dataChanged(oHost, index(nRow, m_nColumnCount - 1));
    const int nKept = std::min(nOld, nNew);
    if (nKept > 0)
        emit dataChanged(index(0, 0, oHost), index(nKept - 1, m_nColumnCount - 1, oHost));
}

void VResultsBackend::CommitResortedItems(QList<CScanItem> &io_lItems,
                                          quint32 i_nInsertedIp,
                                          const TFilter &i_oFilter)
{
    const QVector<int> vNewRows = VisibleRowsOf(io_lItems, i_oFilter);
    // Usually the sort only moved hidden items (unknown hosts that arrived out of order): then
    // the shown rows are the old ones plus the new host, and one row insertion says it all.
    int nInsertedRow = -1;
    bool fSimple = true;
    int nOld = 0;
    for (int nNew = 0; nNew < vNewRows.size() && fSimple; ++nNew) {
        const quint32 nIp = io_lItems.at(vNewRows.at(nNew)).result().ip();
        if (nOld < m_vVisibleRows.size()
            && m_lItems.at(m_vVisibleRows.at(nOld)).result().ip() == nIp) {
            ++nOld;
        } else if (nIp == i_nInsertedIp && nInsertedRow < 0) {
            nInsertedRow = nNew;
        } else {
            fSimple = false;
        }
    }
    fSimple = fSimple && nOld == m_vVisibleRows.size();
    if (!fSimple) {
        BeginRelayout();
        m_lItems.swap(io_lItems);
        EndRelayout();
        return;
    }
    if (nInsertedRow >= 0)
        beginInsertRows(QModelIndex(), nInsertedRow, nInsertedRow);
    m_lItems.swap(io_lItems);
    m_vVisibleRows = vNewRows;
    // The shown rows are the old ones in their order, their items unchanged, plus the new one.
    if (nInsertedRow >= 0)
        m_vVisibleChildren.insert(nInsertedRow,
                                  ChildCount(m_lItems.at(m_vVisibleRows.at(nInsertedRow))));
    RebuildIndex();
    m_nSortedPrefix = m_lItems.size();
    if (nInsertedRow >= 0) {
        ShiftChildPersistentIndexes(nInsertedRow, 1);
        endInsertRows();
    }
}

void VResultsBackend::AddMergedItem(const CScanItem &i_oItem,
                                    bool i_fNotify,
                                    const TFilter &i_oFilter)
{
    const int nCount = m_lItems.size();
    if (!i_fNotify) {
        // Stored without a re-sort and without being shown.
        InsertItemAt(nCount, i_oItem, false);
        if (m_nSortedPrefix == nCount && IsInOrderAt(nCount))
            m_nSortedPrefix = nCount + 1;
        return;
    }
    // Unknown hosts merged while hidden wait unsorted at the end. When none of them is shown,
    // moving each into place leaves the shown rows alone and costs a short move apiece.
    if (HasSortColumn() && m_nSortedPrefix < nCount
        && (m_vVisibleRows.isEmpty() || m_vVisibleRows.last() < m_nSortedPrefix))
        SortHiddenTailIn();
    if (!HasSortColumn() || m_nSortedPrefix >= m_lItems.size()) {
        const int nPosition = InsertPosition(i_oItem);
        InsertItemAt(nPosition, i_oItem, Passes(i_oFilter, i_oItem));
        m_nSortedPrefix = m_lItems.size();
        return;
    }
    QList<CScanItem> lItems = m_lItems;
    lItems.append(i_oItem);
    SortList(lItems, m_nSortedPrefix);
    CommitResortedItems(lItems, i_oItem.result().ip(), i_oFilter);
}

void VResultsBackend::SortHiddenTailIn()
{
    const auto fnLess = [this](const CScanItem &i_oA, const CScanItem &i_oB) {
        return Compare(i_oA, i_oB) < 0;
    };
    // Inserting each tail item, in order, after its equals in the sorted part is exactly what a
    // stable sort of the whole list does.
    while (m_nSortedPrefix < m_lItems.size()) {
        const CScanItem oItem = m_lItems.at(m_nSortedPrefix);
        const int nPosition = int(
            std::upper_bound(m_lItems.cbegin(), m_lItems.cbegin() + m_nSortedPrefix, oItem, fnLess)
            - m_lItems.cbegin());
        if (nPosition < m_nSortedPrefix) {
            m_lItems.move(m_nSortedPrefix, nPosition);
            const auto itFirst =
                std::lower_bound(m_vVisibleRows.begin(), m_vVisibleRows.end(), nPosition);
            int *pRows = m_vVisibleRows.data();
            for (int i = int(itFirst - m_vVisibleRows.begin()), n = m_vVisibleRows.size(); i < n;
                 ++i)
                ++pRows[i];
            m_nIndexValidBelow = std::min(m_nIndexValidBelow, nPosition);
        }
        ++m_nSortedPrefix;
    }
    // Visible rows keep their order and their items: only storage indexes changed, which the
    // views never see, so no signal is due. Persistent child ids are shown-row based: unchanged.
}

void VResultsBackend::OnDataReady(CScanResult i_oResult)
{
    const TFilter oFilter = ReadFilter();
    const bool fNotify = oFilter.fUnknown || i_oResult.status() != EHostStatus::Unknown;
    if (fNotify)
        emit SaveSelection(this);
    const int nStorage = FindStorage(i_oResult.ip());
    // A changed filter (or a row left shown by a silent merge) means every row must be
    // checked again, as a full rebuild does.
    const bool fRelayout = fNotify && (oFilter != m_oAppliedFilter || m_fVisibleStale);
    if (fRelayout)
        BeginRelayout();
    if (nStorage >= 0) {
        // The comment is the user's, not the scan's: a rescan of the Favorites must keep it.
        const CScanItem oItem(i_oResult, m_lItems.at(nStorage).comments());
        if (fRelayout)
            m_lItems[nStorage] = oItem;
        else
            ReplaceItemAt(nStorage, oItem, fNotify, oFilter);
        if (nStorage < m_nSortedPrefix && !IsInOrderAt(nStorage))
            m_nSortedPrefix = nStorage;
    } else if (!m_fFavorites) {
        const CScanItem oItem(i_oResult, QString());
        if (fRelayout) {
            m_lItems.append(oItem);
            if (fNotify)
                SortList(m_lItems, m_nSortedPrefix);
        } else {
            AddMergedItem(oItem, fNotify, oFilter);
        }
    }
    if (fRelayout)
        EndRelayout();
    if (fNotify)
        emit RestoreSelection(this);
}

// --- Whole-list slots
// ------------------------------------------------------------------------------

void VResultsBackend::ProvideAllData()
{
    emit SortedByColumn(m_nSortColumn, m_fSortAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void VResultsBackend::OnClearData()
{
    emit ClearSelection(this);
    BeginRelayout();
    m_lItems.clear();
    m_oScanInfo = CResultsXml::TScanInfo();
    EndRelayout();
}

void VResultsBackend::Update()
{
    Rebuild();
}

QList<CScanItem> VResultsBackend::RetrieveRowsData(const QVector<int> &i_vRows) const
{
    QList<CScanItem> lItems;
    lItems.reserve(i_vRows.size());
    for (const int nRow : i_vRows) {
        if (const CScanItem *pItem = ItemAtRow(nRow))
            lItems.append(*pItem);
    }
    return lItems;
}

void VResultsBackend::FromList(QList<CScanItem> i_lData)
{
    BeginRelayout();
    if (!m_lItems.isEmpty()) {
        emit ClearSelection(this);
        QSet<quint32> oIncoming;
        for (const CScanItem &oItem : qAsConst(i_lData))
            oIncoming.insert(oItem.result().ip());
        QList<CScanItem> lKept;
        lKept.reserve(m_lItems.size());
        for (const CScanItem &oItem : qAsConst(m_lItems)) {
            if (!oIncoming.contains(oItem.result().ip()))
                lKept.append(oItem);
        }
        m_lItems.swap(lKept);
    }
    QSet<quint32> oSeen;
    const int nKept = m_lItems.size();
    for (const CScanItem &oItem : qAsConst(i_lData)) {
        if (oSeen.contains(oItem.result().ip()))
            continue;
        oSeen.insert(oItem.result().ip());
        m_lItems.append(oItem);
    }
    RecomputeSortedPrefix();
    SortList(m_lItems, std::min(m_nSortedPrefix, nKept));
    EndRelayout();
}

bool VResultsBackend::AddNewItem(CScanItem i_oItem)
{
    i_oItem.result().set_status(EHostStatus::Dead);
    if (FindStorage(i_oItem.result().ip()) >= 0)
        return false;
    BeginRelayout();
    m_lItems.append(i_oItem);
    SortList(m_lItems, m_nSortedPrefix);
    EndRelayout();
    emit ClearSelection(this);
    // The views select by shown row, which differs from the storage index when rows are hidden.
    const int nRow = VisibleRowOf(FindStorage(i_oItem.result().ip()));
    if (nRow >= 0)
        emit SelectRow(this, nRow);
    return true;
}

void VResultsBackend::EditItem(const CScanItem &i_oItem)
{
    BeginRelayout();
    const int nStorage = FindStorage(i_oItem.result().ip());
    if (nStorage >= 0) {
        CScanItem &rItem = m_lItems[nStorage];
        rItem.result().set_mac(i_oItem.result().mac());
        rItem.set_comments(i_oItem.comments());
    }
    EndRelayout();
}

void VResultsBackend::DeleteSelectedRows(const QVector<int> &i_vRows)
{
    emit ClearSelection(this);
    if (i_vRows.isEmpty())
        return;
    QVector<bool> vDelete(m_lItems.size(), false);
    for (const int nRow : i_vRows) {
        if (nRow < 0 || nRow >= m_vVisibleRows.size())
            continue;
        const int nStorage = m_vVisibleRows.at(nRow);
        if (nStorage < m_lItems.size())
            vDelete[nStorage] = true;
    }
    BeginRelayout();
    QList<CScanItem> lKept;
    lKept.reserve(m_lItems.size());
    for (int i = 0; i < m_lItems.size(); ++i) {
        if (!vDelete.at(i))
            lKept.append(m_lItems.at(i));
    }
    m_lItems.swap(lKept);
    EndRelayout();
}

QStringList VResultsBackend::SelectedRowData(int i_nRow) const
{
    QStringList lsValues;
    const CScanItem *pItem = ItemAtRow(i_nRow);
    if (!pItem)
        return lsValues;
    const int nColumns = m_nFirstHistoryColumn >= 0 ? m_nFirstHistoryColumn : m_nColumnCount;
    for (int nColumn = 0; nColumn < nColumns; ++nColumn)
        lsValues.append(HostText(*pItem, nColumn).toString());
    return lsValues;
}

// --- Writer
// ------------------------------------------------------------------------------------------

QList<CScanItem> VResultsBackend::ItemsForExport(const QVector<int> &i_vRows,
                                                 bool i_fIncludeHidden) const
{
    QVector<int> vStorage;
    if (!i_vRows.isEmpty()) {
        vStorage.reserve(i_vRows.size());
        for (const int nRow : i_vRows) {
            if (nRow >= 0 && nRow < m_vVisibleRows.size())
                vStorage.append(m_vVisibleRows.at(nRow));
        }
        // Rows in storage order are written once each; any other order is the caller's own.
        if (std::is_sorted(vStorage.cbegin(), vStorage.cend()))
            vStorage.erase(std::unique(vStorage.begin(), vStorage.end()), vStorage.end());
    } else {
        vStorage.resize(m_lItems.size());
        std::iota(vStorage.begin(), vStorage.end(), 0);
    }
    const TFilter oFilter = ReadFilter();
    QList<CScanItem> lItems;
    lItems.reserve(vStorage.size());
    for (const int nStorage : qAsConst(vStorage)) {
        if (nStorage < 0 || nStorage >= m_lItems.size())
            continue;
        const CScanItem &oItem = m_lItems.at(nStorage);
        const EHostStatus eStatus = oItem.result().status();
        const bool fKnownStatus = eStatus == EHostStatus::Alive || eStatus == EHostStatus::Dead
                                  || eStatus == EHostStatus::Unknown;
        if (!i_fIncludeHidden && fKnownStatus && !Passes(oFilter, oItem))
            continue;
        lItems.append(oItem);
    }
    return lItems;
}
