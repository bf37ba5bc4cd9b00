// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CColumnState.h"

#include <QString>

class CCfg;
class QTreeView;

// Storing, collecting and applying the column states of the two results views. The stored form
// is one settings group per view ("State/ScanTab/Headers", "State/FavoritesTab/Headers") with a
// child group per column holding "Sort", "Visible" and "Width". Main thread only.
class CColumnStates final
{
public:
    CColumnStates() = delete;

    static QString ScanGroup() { return QStringLiteral("State/ScanTab/Headers"); }
    static QString FavoritesGroup() { return QStringLiteral("State/FavoritesTab/Headers"); }

    // Widths outside 1 .. kMaxWidthPx in a store are ignored.
    static constexpr int kScanColumns = 7;
    static constexpr int kFavoritesColumns = 8;
    // The scan tree's history columns (First seen, Last seen, Change) after its own; a store
    // written before they came keeps its seven columns and leaves them hidden.
    static constexpr int kScanHistoryColumns = 3;
    // Then the Vendor column; a store written before it leaves it hidden.
    static constexpr int kScanVendorColumns = 1;
    static constexpr int kMaxWidthPx = 20000;

    // The stored states, or the defaults when the group does not hold exactly one valid entry
    // per column of its view. Column 0 is always visible.
    static CColumnStateList Read(const CCfg &i_oCfg, const QString &i_sGroup);
    static CColumnStateList Defaults(bool i_fScanTab);
    static void Save(CCfg &io_oCfg, const CColumnStateList &i_lStates, const QString &i_sGroup);
    static CColumnStateList Collect(const QTreeView *i_pView);
    // Hides the NetBIOS columns while "scan_netbios" is off and the user column while
    // "scan_username" is off, whatever the states say.
    static void Apply(QTreeView *i_pView, const CColumnStateList &i_lStates, const CCfg &i_oCfg);
    // Widths that fit sample texts in the header font; column 1 (name) is left alone.
    static void SetDefaultWidths(QTreeView *i_pView, bool i_fFavorites);
    // After a language change: widens the Status column when its translated title no longer
    // fits. Never narrows it, so a width the user chose survives as long as the title fits.
    static void FitStatusTitle(QTreeView *i_pView);
    // Columns that the current settings keep hidden.
    static bool IsForcedHidden(int i_nColumn, const CCfg &i_oCfg);
    // A column hidden only because its probe is off keeps the visibility the user gave it in
    // i_lStored; storing it as hidden would keep it hidden after the probe is turned on.
    static void KeepChoiceOfForced(CColumnStateList &io_lStates,
                                   const CColumnStateList &i_lStored,
                                   const CCfg &i_oCfg);
    // After the probe settings changed: shows or hides the columns that depend on them, as the
    // settings and the user's stored choice say.
    static void
    ApplyForced(QTreeView *i_pView, const CColumnStateList &i_lStored, const CCfg &i_oCfg);
};
