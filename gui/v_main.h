// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CCfg.h"
#include "CColumnState.h"
#include "CIpList.h"
#include "CScanItem.h"
#include "CScanResult.h"
#include "CScanSession.h"
#include "CViewStateKeeper.h"
#include "IpRanges.h"

#include <QList>
#include <QMainWindow>
#include <QPalette>
#include <QStringList>
#include <QVector>

#include <memory>

class CHostActions;
class CFavoritesController;
class MScanSrcDataHistory;
class CMouseRightClickTableView;
class QAbstractItemModel;
class QAction;
class QActionGroup;
class QDropEvent;
class QLineEdit;
class QMenu;
class VBanner;
class VResultsBackend;
class v_host_properties;

namespace Ui {
class v_main;
}

// The main window: range box and Scan button, the Results and Favorites trees, progress bar with
// Pause/Resume, menus and tool bar. It runs the user side of a scan (idle, scanning, paused) and
// counts the results. It reads and changes the two results models through their typed methods;
// the scanner and the program's dialogs are reached through signals the program's entry wires.
// What is done to hosts is the host actions' controller (CHostActions), Favorites and saving are
// the Favorites controller's (CFavoritesController), both owned by the window.
// Created without a parent and owned by the entry function; stays hidden until the first
// configuration arrives (OnCfg). Main thread only.
class v_main final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY(v_main)

public:
    explicit v_main(QWidget *i_pParent = nullptr);
    ~v_main() override;

    // Hands the window its two models, scan model first, and wires the trees to them.
    void SetModels(VResultsBackend *i_pScanModel, VResultsBackend *i_pFavoritesModel);
    void SetInitialColumnWidths();
    // The range box's drop-down list is read from this history (the program's, not owned).
    void SetScanHistory(MScanSrcDataHistory *i_pHistory);
    // Hosts join the Favorites: a listed address is replaced, the others added.
    void AddFavorites(const QList<CScanItem> &i_lItems);
    // Reads the Favorites file from the home folder; a missing or damaged file is no error.
    void LoadFavoritesFile();

    // The scan session's state, for tests and benchmarks.
    bool IsScanning() const { return m_pSession->IsScanning(); }
    bool IsPaused() const { return m_pSession->IsPaused(); }
    int ScanId() const { return m_pSession->ScanId(); }
    int AliveCount() const { return m_pSession->AliveCount(); }
    int DeadCount() const { return m_pSession->DeadCount(); }
    int UnknownCount() const { return m_pSession->UnknownCount(); }
    int BufferedResultCount() const { return m_pSession->BufferedResultCount(); }
    int BacklogCount() const { return m_pSession->BacklogCount(); }
    // The text of this machine's subnets as "My IP" puts it into the range box.
    static QString MySubnetsText();
    static QString FavoritesFilePath();
    // Writes the current tree's hosts (all, or the selected ones) to a file: HTML or CSV for
    // names ending exactly in ".html" or ".csv", else results XML. An empty string on success,
    // else the message to show; a failed save leaves an existing file untouched.
    QString SaveRowsToFile(const QString &i_sPath, bool i_fSelectionOnly);

    // ---- Favorites editing and copying (v_host_properties, CFavoritesFile, CCopyMenu) ----
    // The Load command once a file is chosen: its hosts join the Favorites, shown at once; a file
    // that cannot be read is reported and adds nothing.
    bool ImportFavorites(const QString &i_sPath);
    // ---- end of Favorites editing and copying ----

signals:
    void EmitScan(CIpList i_oScope, int i_nId);
    void EmitPauseRequest(bool i_fPause);
    void ClearScanData();
    void ClearFavoritesData();
    void ActionOptions();
    void ScanSrcDataWasUsed(QString i_rsText);
    void DataReady(CScanResult i_oResult);
    void LanguageChanged();

public slots:
    void OnCfg(CCfg i_oCfg);
    void OnScanResult(CScanResult i_oResult);
    void OnScanEnd();
    void OnClearScanData();
    void OnSortedByColumn(int i_nColumn, Qt::SortOrder i_eOrder);
    void OnFavoritesSortedByColumn(int i_nColumn, Qt::SortOrder i_eOrder);
    void OnActionOptions();
    void OnContents(bool &i_fProcessed);
    void OnContents();
    void OnSelectTableRow(const QAbstractItemModel *i_pModel, int i_nRow);
    void OnRestoreSelection(const QAbstractItemModel *i_pModel);
    void OnClearSelection(const QAbstractItemModel *i_pModel);
    void OnSaveSelection(const QAbstractItemModel *i_pModel);
    void OnModelLayoutChanged();
    void OnProgramExit();
    void OnEscPressed(bool &i_fProcessed);
    void OnEnterPressed(bool &i_fProcessed);
    void OnInsPressed(bool &i_fProcessed);
    void OnDelPressed(bool &i_fProcessed);
    void OnContextPressed(bool &i_fProcessed);
    void OnExpandAll();
    void OnCollapseAll();
    void OnSaveAll();
    void OnPauseResume();
    void OnSubnetMy();
    void OnSubnetC();
    void OnSelectIpFile();
    void OnSelectionChanged();
    void OnHdrContextMenu(const QMouseEvent *i_pEvent);
    void OnColumnVisibility(int i_nColumn);
    void OnPasteData(const QByteArray &i_baData);

    // Slots of the form, connected by name.
    void on_b_scan_clicked();
    void on_b_save_clicked();
    void on_b_add_to_favorites_clicked();
    void on_b_remove_clicked();
    void on_b_load_favorites_clicked();
    void on_b_add_to_favorites_new_clicked();
    void on_b_edit_clicked();
    void on_act_show_alive_toggled(bool i_fOn);
    void on_act_show_dead_toggled(bool i_fOn);
    void on_act_show_unknown_toggled(bool i_fOn);

protected:
    void showEvent(QShowEvent *i_pEvent) override;
    void closeEvent(QCloseEvent *i_pEvent) override;

private slots:
    void OnTabChanged();
    bool OnDropEvent(QDropEvent *i_pEvent, int i_nDropPage);
    void OnLangActionTriggered(QAction *i_pAction);

private:
    // The search box above the trees and its Ctrl+F entry in the View menu.
    void SetUpSearch();
    void RetranslateSearch();
    CMouseRightClickTableView *ViewOf(const QAbstractItemModel *i_pModel) const;
    CViewStateKeeper &KeeperOf(const CMouseRightClickTableView *i_pView);
    QString ColumnGroup(const CMouseRightClickTableView *i_pView) const;

    // Above this many addresses the user is asked first, with the time it may take.
    static constexpr quint64 kLargeScanAddresses = 65536;
    // True when the scan may start: small enough, or the user said Yes.
    bool ConfirmLargeScan(quint64 i_nAddresses);
    void OnSessionEnded();
    void OnSessionResult();
    void UpdateTexts();
    void UpdateControls();
    void CheckScanButton();
    void UpdateHint();
    void UpdateRowActions();
    void SetViewsLocked(bool i_fLocked);
    void RefillRangeHistory();
    bool LoadFileReference(const QString &i_sText, bool i_fRecordUse = true);
    bool ReadRangeText(const QString &i_sText, CIpList *o_pList);
    void ApplyStoredColumns();
    void SaveColumns();
    CColumnStateList CollectForStore(const CMouseRightClickTableView *i_pView) const;
    void ApplyProbeColumns();
    void SaveWindowState();
    void ShowFilterChanged();
    void FitNameColumns();
    void FitNameColumn(CMouseRightClickTableView *i_pView);

    std::unique_ptr<Ui::v_main> ui;
    bool m_fIconsSet = false;
    CCfg m_oCfg;
    bool m_fCfgReceived = false;
    // The probe settings that the NetBIOS and user columns were last shown or hidden for.
    bool m_fNetbiosColumns = false;
    bool m_fUserColumn = false;
    // Views whose name column was fitted once their page was shown and laid out.
    QList<const CMouseRightClickTableView *> m_lpFittedViews;
    // Views whose columns fitted their content once, and whether the models have their first
    // rows, which that fitting waits for.
    QList<const CMouseRightClickTableView *> m_lpContentFitted;
    // Views whose column widths were kept from the last exit.
    QList<const CMouseRightClickTableView *> m_lpStoredWidths;
    bool m_fRowsProvided = false;
    QAction *m_pScanAction = nullptr;
    QLineEdit *m_pSearch = nullptr;
    QActionGroup *m_pLanguageGroup = nullptr;

    IpRanges m_oRangesFromFile;
    QPalette m_oNormalPalette;
    CScanSession *m_pSession = nullptr; // child of the window
    QList<QAction *> m_lScanLockedActions;
    QList<QAction *> m_lSelectionActions;
    QList<QAction *> m_lRowActions;
    // The scan locks are taken once per scan, however often the controls are updated.
    bool m_fViewsLocked = false;
    CViewStateKeeper m_oScanViewState;
    CViewStateKeeper m_oFavoritesViewState;

    // ---- host actions (CHostActions), About box, banner and language menu (v_mainViews.cpp) ----
public:
    CHostActions &HostActions() const { return *m_pHostActions; }
    VBanner &Banner() const { return *m_pBanner; }

    // For the window's controllers: the trees, the scan start and the status line.
    bool OnResultsTab() const;
    CMouseRightClickTableView *CurrentView() const;
    VResultsBackend *ModelOf(const CMouseRightClickTableView *i_pView) const;
    int ModelRows(const CMouseRightClickTableView *i_pView) const;
    void StartScan(const CIpList &i_oList);
    // A confirmation in the status line, shown for some seconds.
    void ShowStatus(const QString &i_sText);
    // Hosts' addresses for a status line: the first few and a count of the others.
    static QString AddressList(const QList<CScanItem> &i_lItems);

public slots:
    void OnAbout();

private:
    void SetUpBanner();
    void FillLanguageMenu();
    void LoadBanner();

    CHostActions *m_pHostActions = nullptr; // child of the window
    VBanner *m_pBanner = nullptr;
    // ---- Favorites editing and copying ----
    CFavoritesController *m_pFavorites = nullptr; // child of the window
    MScanSrcDataHistory *m_pScanHistory = nullptr;
    // ---- end of Favorites editing and copying ----
};
