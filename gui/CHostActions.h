// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CCfg.h"
#include "CScanFragment.h"
#include "CScanItem.h"
#include "CScanResult.h"
#include "CShutdownQuery.h"
#include "EOrtavoCommand.h"

#include <QList>
#include <QModelIndex>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class CHostActionRunner;
class CMouseRightClickTableView;
class QAction;
class QMenu;
class QMouseEvent;
class QPoint;
class QSignalMapper;
class VShutdowns;
class v_main;

namespace Ui {
class v_main;
}

// What the user does to the hosts of the Results and Favorites trees: open a host's web page,
// FTP, share or terminal, the Ortavo viewer's commands, Wake-on-LAN, remote shutdown and its
// abort, rescanning a selection, copying rows, the trees' context menus and double clicks, and
// the help links. Owns the runner that finally opens addresses and starts programs, the shutdown
// results window and the row a context menu was opened for. It reads hosts through the results
// models' typed methods and leaves the scanner, the Wake-on-LAN worker and the program's dialogs
// to its signals, which the program's entry wires. A child of the main window, which it uses for
// the trees, the menus' shared entries and the status line; main thread only.
class CHostActions final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(CHostActions)

public:
    CHostActions(v_main *i_pWindow, Ui::v_main *i_pUi);
    ~CHostActions() override;

    // Replaces what the actions finally start (URLs, telnet, the viewer); for tests.
    void SetRunner(std::unique_ptr<CHostActionRunner> i_pRunner);
    CHostActionRunner &Runner() const { return *m_pRunner; }
    VShutdowns &ShutdownResults() const { return *m_pShutdowns; }
    // Lets another part of the program add entries to a host row's context menu as it is built.
    using THostMenuHook = std::function<void(QMenu *, const CScanResult &)>;
    void SetHostMenuHook(THostMenuHook i_fnHook) { m_fnHostMenuHook = std::move(i_fnHook); }

    // The row the context menu was opened for; Copy and the actions act on it (and forget it).
    void SetContextRow(const CScanFragment &i_oFragment) { m_oContextRow = i_oFragment; }
    // Adds the "Copy" submenu for the context row to a host context menu.
    void AddCopyMenu(QMenu *io_pMenu);
    // The keyboard's menu key: the current tree's context menu at its current row, when a row
    // is selected.
    bool ContextMenuKey();
    // A language was chosen: texts of windows this controller owns follow.
    void OnLanguageChanged();
    void OnCfg(const CCfg &i_oCfg);

signals:
    void EmitWakeOnLan(QByteArray i_oMac);
    void EmitShutdownAbort(int i_nIp);
    void ShutdownRequested();
    void OrtavoConnectOptionsRequested(EOrtavoCommand i_eOrtavoCommand,
                                       int port,
                                       bool i_fInteractive,
                                       quint32 i_nAddress);

public slots:
    void OnExplore();
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
    void OnIndexDblClicked(const QModelIndex &i_oIndex);
    void OnCopyCellData(int i_nField);
    void OnContents();
    void OnBannerClicked();
    void ReportBug();
    void RequestFeature();

private:
    // An address the system had no program for: a message naming what is missing.
    void OnOpenFailed(const QString &i_sUrl);
    void ShowContextMenu(CMouseRightClickTableView *i_pView,
                         const QPoint &i_oPos,
                         const QPoint &i_oGlobalPos);
    void AddKindEntries(QMenu *i_pMenu, const CScanFragment &i_oFragment);
    QList<CScanItem> SelectedItems() const;
    bool TakeTargetHost(QString *o_psAddress);
    bool ContextOrSelectedItem(CScanItem *o_pItem);
    void OpenForTarget(const QString &i_sPattern);
    void OrtavoFromAction(EOrtavoCommand i_eCommand, const QAction *i_pAction);
    void OpenShare(const CScanFragment &i_oFragment);

    v_main *m_pWindow;
    Ui::v_main *ui;
    std::unique_ptr<CHostActionRunner> m_pRunner;
    VShutdowns *m_pShutdowns = nullptr; // child of the window
    CScanFragment m_oContextRow;
    THostMenuHook m_fnHostMenuHook;
    QSignalMapper *m_pCopyMapper = nullptr; // made with the first Copy submenu, a child of this
};
