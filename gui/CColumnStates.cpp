// SPDX-License-Identifier: GPL-3.0-or-later
#include "CColumnStates.h"

#include "CCfg.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QTreeView>

#include <algorithm>

namespace {

QString Key(const QString &i_sGroup, int i_nColumn, const char *i_pName)
{
    return QStringLiteral("%1/%2/%3").arg(i_sGroup).arg(i_nColumn).arg(QLatin1String(i_pName));
}

} // namespace

CColumnStateList CColumnStates::Defaults(bool i_fScanTab)
{
    CColumnStateList lStates;
    const int nCount = i_fScanTab ? kScanColumns : kFavoritesColumns;
    for (int nColumn = 0; nColumn < nCount; ++nColumn) {
        CColumnState oState;
        oState.column = nColumn;
        oState.sort = nColumn == 0 ? CColumnState::SortAscending : CColumnState::SortNone;
        oState.visible = true;
        lStates << oState;
    }
    return lStates;
}

CColumnStateList CColumnStates::Read(const CCfg &i_oCfg, const QString &i_sGroup)
{
    const bool fScanTab = i_sGroup.contains(QLatin1String("ScanTab"));
    int nExpected = fScanTab ? kScanColumns : kFavoritesColumns;
    const QStringList lsGroups = i_oCfg.ChildGroups(i_sGroup);
    if (fScanTab
        && (lsGroups.size() == kScanColumns + kScanHistoryColumns
            || lsGroups.size() == kScanColumns + kScanHistoryColumns + kScanVendorColumns))
        nExpected = lsGroups.size();
    if (lsGroups.size() != nExpected)
        return Defaults(fScanTab);

    CColumnStateList lStates;
    for (const QString &sGroup : lsGroups) {
        bool fOk = false;
        const int nColumn = sGroup.toInt(&fOk);
        // A hand-edited or foreign store could name a column twice or one that is not there.
        if (!fOk || nColumn < 0 || nColumn >= nExpected)
            return Defaults(fScanTab);
        CColumnState oState;
        oState.column = nColumn;
        oState.sort = i_oCfg.Value(Key(i_sGroup, nColumn, "Sort"), CColumnState::SortNone).toInt();
        oState.visible =
            nColumn == 0 || i_oCfg.Value(Key(i_sGroup, nColumn, "Visible"), false).toBool();
        const QVariant vWidth = i_oCfg.Value(Key(i_sGroup, nColumn, "Width"));
        bool fWidthOk = false;
        const int nWidth = vWidth.toInt(&fWidthOk);
        if (vWidth.isValid() && fWidthOk && nWidth > 0 && nWidth <= kMaxWidthPx)
            oState.width = nWidth;
        lStates << oState;
    }
    // The store lists its groups as texts, "10" before "2": the list is in column order.
    std::sort(
        lStates.begin(), lStates.end(), [](const CColumnState &i_oA, const CColumnState &i_oB) {
            return i_oA.column < i_oB.column;
        });
    return lStates;
}

void CColumnStates::Save(CCfg &io_oCfg, const CColumnStateList &i_lStates, const QString &i_sGroup)
{
    for (const CColumnState &oState : i_lStates) {
        io_oCfg.SetValue(Key(i_sGroup, oState.column, "Sort"), oState.sort);
        io_oCfg.SetValue(Key(i_sGroup, oState.column, "Visible"), oState.visible);
        io_oCfg.SetValue(Key(i_sGroup, oState.column, "Width"), oState.width);
    }
}

CColumnStateList CColumnStates::Collect(const QTreeView *i_pView)
{
    CColumnStateList lStates;
    const QHeaderView *pHeader = i_pView->header();
    for (int nSection = 0; nSection < pHeader->count(); ++nSection) {
        CColumnState oState;
        oState.column = nSection;
        oState.visible = !pHeader->isSectionHidden(nSection);
        const int nSize = pHeader->sectionSize(nSection);
        if (nSize != 0)
            oState.width = nSize;
        if (pHeader->isSortIndicatorShown() && pHeader->sortIndicatorSection() == nSection)
            oState.sort = pHeader->sortIndicatorOrder() == Qt::AscendingOrder
                              ? CColumnState::SortAscending
                              : CColumnState::SortDescending;
        lStates << oState;
    }
    return lStates;
}

bool CColumnStates::IsForcedHidden(int i_nColumn, const CCfg &i_oCfg)
{
    if (i_nColumn == 3 || i_nColumn == 4)
        return !i_oCfg.scan_netbios();
    if (i_nColumn == 6)
        return !i_oCfg.scan_username();
    return false;
}

namespace {

const int kProbeColumns[] = {3, 4, 6};

bool StoredVisible(const CColumnStateList &i_lStored, int i_nColumn)
{
    for (const CColumnState &oState : i_lStored) {
        if (oState.column == i_nColumn)
            return oState.visible;
    }
    return true;
}

} // namespace

void CColumnStates::KeepChoiceOfForced(CColumnStateList &io_lStates,
                                       const CColumnStateList &i_lStored,
                                       const CCfg &i_oCfg)
{
    for (CColumnState &oState : io_lStates) {
        if (IsForcedHidden(oState.column, i_oCfg))
            oState.visible = StoredVisible(i_lStored, oState.column);
    }
}

void CColumnStates::ApplyForced(QTreeView *i_pView,
                                const CColumnStateList &i_lStored,
                                const CCfg &i_oCfg)
{
    QHeaderView *pHeader = i_pView->header();
    for (const int nColumn : kProbeColumns) {
        if (nColumn >= pHeader->count())
            continue;
        pHeader->setSectionHidden(
            nColumn, IsForcedHidden(nColumn, i_oCfg) || !StoredVisible(i_lStored, nColumn));
    }
}

void CColumnStates::Apply(QTreeView *i_pView, const CColumnStateList &i_lStates, const CCfg &i_oCfg)
{
    QHeaderView *pHeader = i_pView->header();
    for (const CColumnState &oState : i_lStates) {
        if (oState.column < 0 || oState.column >= pHeader->count())
            continue;
        const bool fHidden =
            oState.column != 0 && (!oState.visible || IsForcedHidden(oState.column, i_oCfg));
        pHeader->setSectionHidden(oState.column, fHidden);
        if (oState.width.isValid() && !fHidden) {
            const int nWidth = oState.width.toInt();
            if (nWidth > 0 && nWidth <= kMaxWidthPx)
                pHeader->resizeSection(oState.column, nWidth);
        }
        if (oState.sort == CColumnState::SortAscending)
            pHeader->setSortIndicator(oState.column, Qt::AscendingOrder);
        else if (oState.sort == CColumnState::SortDescending)
            pHeader->setSortIndicator(oState.column, Qt::DescendingOrder);
    }
}

void CColumnStates::SetDefaultWidths(QTreeView *i_pView, bool i_fFavorites)
{
    QHeaderView *pHeader = i_pView->header();
    const QFontMetrics oMetrics(pHeader->font());
    const auto Fit = [&](int i_nColumn, const QString &i_sSample) {
        if (i_nColumn < pHeader->count())
            pHeader->resizeSection(i_nColumn, oMetrics.horizontalAdvance(i_sSample) + 48);
    };
    Fit(0, QCoreApplication::translate("columns", "Status"));
    Fit(2, QStringLiteral("000.000.000.000"));
    Fit(3, QCoreApplication::translate("columns", "NetBIOS name"));
    Fit(4, QCoreApplication::translate("columns", "NetBIOS group"));
    Fit(5, QStringLiteral("00.00.00.00.00.00"));
    Fit(6, QString(16, QLatin1Char('?')));
    if (i_fFavorites)
        Fit(7, QCoreApplication::translate("columns", "Comments"));
}

void CColumnStates::FitStatusTitle(QTreeView *i_pView)
{
    QHeaderView *pHeader = i_pView->header();
    if (pHeader->count() == 0)
        return;
    // The model translates its titles when asked; the header must ask again.
    pHeader->headerDataChanged(Qt::Horizontal, 0, pHeader->count() - 1);
    const int nHint = pHeader->sectionSizeHint(0);
    if (pHeader->sectionSize(0) < nHint)
        pHeader->resizeSection(0, nHint);
}
