// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CCfg.h"
#include "CMacVendors.h"
#include "CResultsXml.h"
#include "CScanItem.h"
#include "CScanResult.h"
#include "IpRanges.h"

#include <QAbstractItemModel>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QStringList>
#include <QVector>

#include <memory>
#include <optional>

// Kind of a row of the results tree, as carried by CScanFragment::kind().
enum EFragmentKind : qint32
{
    FragmentHost = 1,
    FragmentHttp = 2,
    FragmentHttps = 3,
    FragmentFtp = 4,
    FragmentOrtavo = 5,
    FragmentShare = 6,
};

// The results of a scan (or the Favorites list) as a two-level tree: one top-level row per host,
// below it one row per HTTP, HTTPS and FTP service, Ortavo port and share. Holds one item per
// address in "storage order", which is the current sort order except that a result for a known
// address updates its item in place. Which hosts are shown follows the status filter of the
// configuration ("show_alive", "show_dead", "show_unknown"), read whenever the filter is applied.
//
// Lives on the main thread and is only called there; results from the scanner arrive through
// queued connections. Streamed results are merged with row insert, remove and dataChanged
// signals and an index by address, so a /16 scan stays linear; whole-list operations (sort,
// Update(), clear, deletion, FromList) re-lay out the rows with layoutChanged(). Only column 0
// of a host row has children. Failures are never reported: unknown rows, columns and roles give
// an invalid QVariant or an empty text.
class VResultsBackend final : public QAbstractItemModel
{
    Q_OBJECT
    Q_DISABLE_COPY(VResultsBackend)

public:
    static constexpr int kScanColumnCount = 7;
    static constexpr int kFavoritesColumnCount = 8;
    static QString MimeFormat() { return QStringLiteral("IP_scanned_table_data"); }

    // What the inventory knows of a host, for the optional history columns.
    struct THostHistory
    {
        QDateTime oFirstSeen;
        QDateTime oLastSeen;
        QString sChange;  // "new", "gone" or "changed", in the user's language
        QString sDetails; // what changed, one change a line: the Change column's tooltip
    };
    static constexpr int kHistoryColumnCount = 3;

    VResultsBackend(QObject *i_pParent, int i_nColumnCount, bool i_fFavorites);
    ~VResultsBackend() override;

    QModelIndex
    index(int i_nRow, int i_nColumn, const QModelIndex &i_oParent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &i_oChild) const override;
    int rowCount(const QModelIndex &i_oParent = QModelIndex()) const override;
    int columnCount(const QModelIndex &i_oParent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex &i_oParent = QModelIndex()) const override;
    QVariant data(const QModelIndex &i_oIndex, int i_nRole = Qt::DisplayRole) const override;
    QVariant headerData(int i_nSection,
                        Qt::Orientation i_eOrientation,
                        int i_nRole = Qt::DisplayRole) const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &i_lIndexes) const override;
    Qt::ItemFlags flags(const QModelIndex &i_oIndex) const override;
    void sort(int i_nColumn, Qt::SortOrder i_eOrder = Qt::AscendingOrder) override;

    // Shares the program's configuration handle; the filter flags are read through it.
    void SetCfg(const CCfg &i_oCfg);

    // The items a save or a drag writes, in storage order: those of the given shown rows, or all
    // when no row is given. Hosts the filter hides are left out unless i_fIncludeHidden (the
    // Favorites file keeps every entry).
    QList<CScanItem> ItemsForExport(const QVector<int> &i_vRows, bool i_fIncludeHidden) const;

    static QString StatusText(EHostStatus i_eStatus);
    // The status column's tooltip: which probe found the host alive; none when it is not, or
    // the result does not say.
    static QVariant AliveByTip(const CScanResult &i_oResult);
    static QString ColumnTitle(int i_nColumn);
    // Appends the columns First seen, Last seen and Change after the model's own; before a view
    // shows the model. Copying and saving leave them out.
    void AddHistoryColumns();
    // The first of them, -1 without them.
    int FirstHistoryColumn() const { return m_nFirstHistoryColumn; }
    // Appends the Vendor column (the owner of the MAC's block in the IEEE registry) after the
    // others; before a view shows the model. Copying and saving leave it out.
    void AddVendorColumn();
    // That column, -1 without it.
    int VendorColumn() const { return m_nVendorColumn; }
    // The registry is read when a vendor is first asked for (the column shown or a search), as
    // reading it takes a while; CMacVendors::DefaultFolders() says where it is looked for.
    QString VendorOf(const CScanItem &i_oItem) const;
    // Replaces what the history columns show, by address.
    void SetHostHistory(const QHash<quint32, THostHistory> &i_hHistory);
    // Image 0..7 of the status and service icons, from the source the windowed program sets;
    // invalid outside that range and without a source (the console shows no images).
    static QVariant Image(int i_nNumber);
    using TImageSource = QVariant (*)(int i_nNumber);
    static void SetImageSource(TImageSource i_pSource);

    std::optional<CScanItem> ItemAt(int i_nVisibleRow) const;
    // The items of the given shown rows, in that order; rows not shown are left out.
    QList<CScanItem> RetrieveRowsData(const QVector<int> &i_vRows) const;
    // The texts of a shown host row's columns; empty for a row not shown.
    QStringList SelectedRowData(int i_nRow) const;
    // Items of addresses already listed are replaced, the rest added; the first item of an
    // address in the list counts.
    void FromList(QList<CScanItem> i_lData);
    // Adds a host by hand, as not alive, and selects its row; false when the address is listed.
    bool AddNewItem(CScanItem i_oItem);
    // Takes the MAC address and the comment of the listed item of the same address.
    void EditItem(const CScanItem &i_oItem);
    void DeleteSelectedRows(const QVector<int> &i_vRows);
    int ItemCount() const { return m_lItems.size(); }
    const QList<CScanItem> &Items() const { return m_lItems; }
    // The scan the listed hosts come from, for the files saved of them; cleared with the list.
    void SetScanInfo(const CResultsXml::TScanInfo &i_oInfo) { m_oScanInfo = i_oInfo; }
    const CResultsXml::TScanInfo &ScanInfo() const { return m_oScanInfo; }
    int SortColumn() const { return m_nSortColumn; }
    bool SortAscending() const { return m_fSortAscending; }

signals:
    void SortedByColumn(int i_nColumn, Qt::SortOrder i_Order);
    void SelectRow(const QAbstractItemModel *i_pModel, int i_nRow);
    void SaveSelection(const QAbstractItemModel *i_pModel);
    void RestoreSelection(const QAbstractItemModel *i_pModel);
    void ClearSelection(const QAbstractItemModel *i_pModel);

public slots:
    void ProvideAllData();
    void OnClearData();
    void OnDataReady(CScanResult i_oResult);
    void Update();
    // Shows only the hosts whose address, name, MAC, vendor, NetBIOS name, user or page title
    // contains the text (without regard to case), within the status filters; an empty text shows
    // all.
    void SetSearchText(const QString &i_sText);

private:
    struct TFilter
    {
        bool fAlive = true;
        bool fDead = true;
        bool fUnknown = false;
        QString sSearch; // shown only hosts whose texts contain it; empty: all
        bool operator!=(const TFilter &i_oOther) const
        {
            return fAlive != i_oOther.fAlive || fDead != i_oOther.fDead
                   || fUnknown != i_oOther.fUnknown || sSearch != i_oOther.sSearch;
        }
    };

    TFilter ReadFilter() const;
    bool MatchesSearch(const QString &i_sSearch, const CScanItem &i_oItem) const;
    bool Passes(const TFilter &i_oFilter, const CScanItem &i_oItem) const;
    static int ChildCount(const CScanItem &i_oItem);
    int ChildCountAtRow(int i_nVisibleRow) const;
    void RecountChildren();
    QVariant HostText(const CScanItem &i_oItem, int i_nColumn) const;
    QVariant ChildData(const CScanItem &i_oItem, int i_nChild, int i_nColumn, int i_nRole) const;
    const CScanItem *ItemAtRow(int i_nVisibleRow) const;

    // Sort machinery: -1, 0 or 1 by the current sort column and direction.
    int Compare(const CScanItem &i_oA, const CScanItem &i_oB) const;
    bool IsInOrderAt(int i_nStorage) const;
    bool HasSortColumn() const { return m_nSortColumn >= 0 && m_nSortColumn <= 7; }
    // Stable sort of a list whose first i_nSortedPrefix items are already in order.
    void SortList(QList<CScanItem> &io_lItems, int i_nSortedPrefix) const;
    int InsertPosition(const CScanItem &i_oItem) const;
    void RecomputeSortedPrefix();

    int FindStorage(quint32 i_nIp);
    void RebuildIndex();
    int VisibleRowOf(int i_nStorage) const;

    // Whole-model re-layout with persistent indexes carried over by address.
    void BeginRelayout();
    void EndRelayout();
    void Rebuild();
    void ShiftChildPersistentIndexes(int i_nFromRow, int i_nDelta);

    QVector<int> VisibleRowsOf(const QList<CScanItem> &i_lItems, const TFilter &i_oFilter) const;

    // Incremental changes used by the merge.
    void InsertItemAt(int i_nStorage, const CScanItem &i_oItem, bool i_fShow);
    void ReplaceItemAt(int i_nStorage,
                       const CScanItem &i_oItem,
                       bool i_fApplyFilter,
                       const TFilter &i_oFilter);
    void CommitResortedItems(QList<CScanItem> &io_lItems,
                             quint32 i_nInsertedIp,
                             const TFilter &i_oFilter);
    void AddMergedItem(const CScanItem &i_oItem, bool i_fNotify, const TFilter &i_oFilter);
    void SortHiddenTailIn();

    CCfg m_oCfg;
    QString m_sSearch;
    QList<CScanItem> m_lItems;
    int m_nSortColumn = 2;
    bool m_fSortAscending = true;
    int m_nColumnCount;
    int m_nFirstHistoryColumn = -1;
    QHash<quint32, THostHistory> m_hHistory;
    int m_nVendorColumn = -1;
    CResultsXml::TScanInfo m_oScanInfo;
    mutable std::unique_ptr<CMacVendors> m_pVendors; // read on first use
    bool m_fFavorites;
    QVector<int> m_vVisibleRows;
    // The child rows of each visible row, kept beside m_vVisibleRows and changed with it. A tree
    // view asks every row whether it has children each time it lays itself out, which is once per
    // event loop turn while a scan streams in; reading the items instead made that the costliest
    // part of taking in a /16.
    QVector<int> m_vVisibleChildren;

    // The filter the visible rows were last built with.
    TFilter m_oAppliedFilter;
    // This many leading items are in sort order; when it covers every item, a new item is placed
    // by binary search, otherwise the unsorted tail is sorted and merged in.
    int m_nSortedPrefix = 0;
    // A merge that emitted nothing left a shown row that the filter would hide.
    bool m_fVisibleStale = false;
    // Address to storage index. Keys are exact; the values of items at or after
    // m_nIndexValidBelow may have been shifted by an insertion and are refreshed on demand.
    QHash<quint32, int> m_hIndexByIp;
    int m_nIndexValidBelow = 0;

    struct TPersistentRef
    {
        QModelIndex oOld;
        quint32 nIp;
        int nChildRow; // -1 for a host row
        int nColumn;
    };
    QVector<TPersistentRef> m_vRelayoutRefs;
};
