// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CCfg.h"
#include "CColumnState.h"
#include "CIpList.h"
#include "CScanFragment.h"
#include "CScanItem.h"
#include "CScanResult.h"
#include "CShutdownQuery.h"
#include "CViewStateKeeper.h"
#include "EOrtavoCommand.h"
#include "IpRanges.h"

#include <QList>
#include <QMainWindow>
#include <QModelIndex>
#include <QPalette>
#include <QStringList>
#include <QVector>

#include <memory>

class CHostActionRunner;
class CScanSession;
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
class VShutdowns;
class v_host_properties;

namespace Ui {
class v_main;
}

// The main window: range box and Scan button, the Results and Favorites trees, progress bar with
// Pause/Resume, menus and tool bar. It runs the user side of a scan (idle, scanning, paused) and
// counts the results. It reads and changes the two results models through their typed methods;
// the scanner and the program's dialogs are reached through signals the program's entry wires.
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
    const CScanSession &Session() const { return *m_pSession; }
    bool IsScanning() const;
    bool IsPaused() const;
    int ScanId() const;
    int AliveCount() const;
    int DeadCount() const;
    int UnknownCount() const;
    int BufferedResultCount() const;
    int BacklogCount() const;
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
    // Adds the "Copy" submenu for the context row to a host context menu.
    void AddCopyMenu(QMenu *io_pMenu);
    // The row the context menu was opened for; Copy acts on it (and forgets it).
    void SetContextRow(const CScanFragment &i_oFragment) { m_oContextRow = i_oFragment; }
    // ---- end of Favorites editing and copying ----

signals:
    void EmitScan(CIpList i_oScope, int i_nId);
    void EmitPauseRequest(bool i_fPause);
    void ClearScanData();
    void ClearFavoritesData();
    void ActionOptions();
    void EmitWakeOnLan(QByteArray i_oMac);
    void EmitShutdownAbort(int i_nIp);
    void ScanSrcDataWasUsed(QString i_rsText);
    void DataReady(CScanResult i_oResult);
    void LanguageChanged();
    void ShutdownRequested();
    // A host row's context menu is being built: others may add their entries to it.
    void HostMenuRequested(QMenu *io_pMenu, CScanResult i_oHost);

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
    void OnCopyCellData(int i_nField);
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
    // A confirmation in the status line, shown for some seconds.
    void ShowStatus(const QString &i_sText);
    // The search box above the trees and its Ctrl+F entry in the View menu.
    void SetUpSearch();
    void RetranslateSearch();
    // An address the system had no program for: a message naming what is missing.
    void OnOpenFailed(const QString &i_sUrl);
    // Hosts' addresses for a status line: the first few and a count of the others.
    static QString AddressList(const QList<CScanItem> &i_lItems);
    bool OnResultsTab() const;
    CMouseRightClickTableView *CurrentView() const;
    CMouseRightClickTableView *ViewOf(const QAbstractItemModel *i_pModel) const;
    VResultsBackend *ModelOf(const CMouseRightClickTableView *i_pView) const;
    int ModelRows(const CMouseRightClickTableView *i_pView) const;
    CViewStateKeeper &KeeperOf(const CMouseRightClickTableView *i_pView);
    QString ColumnGroup(const CMouseRightClickTableView *i_pView) const;

    void StartScan(const CIpList &i_oList);
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

    // ---- host actions, help, About box and banner (v_mainHostActions.cpp) ----------------------
public:
    // Replaces what the host actions finally start (URLs, telnet, the viewer); for tests.
    void SetHostActionRunner(std::unique_ptr<CHostActionRunner> i_pRunner);
    CHostActionRunner &HostActionRunner() const { return *m_pActionRunner; }
    VShutdowns &ShutdownResults() const { return *m_pShutdowns; }
    VBanner &Banner() const { return *m_pBanner; }

signals:
    void OrtavoConnectOptionsRequested(EOrtavoCommand i_eOrtavoCommand,
                                       int port,
                                       bool i_fInteractive,
                                       quint32 i_nAddress);

public slots:
    void on_act_explore_triggered();
    void OnHttp();
    void OnHttps();
    void OnFtp();
    void OnTelnet();
    void OrtavoConnectCustomOptions(EOrtavoCommand i_eOrtavoCommand,
                                    int port,
                                    bool i_fInteractive,
                                    quint32 i_nAddress);
    void OnExploreSharedFolder();
    void OnCopyPathSharedFolder();
    void OnPropertiesSharedFolder();
    void OnScanSelected();
    void OnWakeOnLan();
    void OnShutDown();
    void DoRemoteShutdown(CShutdownQuery::TParamsPtr i_pParams);
    void OnAbortShutDown();
    void OnTableScanContextMenu(const QMouseEvent *i_pEvent);
    void OnTableFavoritesContextMenu(const QMouseEvent *i_pEvent);
    void OnIndexDblClicked(QModelIndex i_oIndex);
    void OnAbout();
    void OnBannerClicked();
    void ReportBug();
    void RequestFeature();

private:
    void SetUpHostActions();
    void FillLanguageMenu();
    void LoadBanner();
    bool ContextMenuKey();
    void ShowContextMenu(CMouseRightClickTableView *i_pView,
                         const QPoint &i_oPos,
                         const QPoint &i_oGlobalPos);
    void AddKindEntries(QMenu *i_pMenu, const CScanFragment &i_oFragment);
    QList<CScanItem> SelectedItems() const;
    bool TakeTargetHost(QString *o_psAddress);
    void OpenForTarget(const QString &i_sPattern);
    void OrtavoFromAction(EOrtavoCommand i_eCommand, const QAction *i_pAction);
    void OpenShare(const CScanFragment &i_oFragment);

    std::unique_ptr<CHostActionRunner> m_pActionRunner;
    CScanFragment m_oContextRow;
    VBanner *m_pBanner = nullptr;
    VShutdowns *m_pShutdowns = nullptr;
    // ---- end of host actions --------------------------------------------------------------------
    // ---- Favorites editing and copying ----
    bool ContextOrSelectedItem(CScanItem *o_pItem);
    CFavoritesController *m_pFavorites = nullptr; // child of the window
    MScanSrcDataHistory *m_pScanHistory = nullptr;
    // ---- end of Favorites editing and copying ----
};
