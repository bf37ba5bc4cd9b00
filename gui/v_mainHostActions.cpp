// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's host actions (menus, tool bar, context menus, double clicks), its help links,
// About box, banner and language menu. Kept apart from v_main.cpp, which runs the scan side.
#include "CHostActionRunner.h"
#include "CLocalizations.h"
#include "CMouseRightClickTableView.h"
#include "CScanSession.h"
#include "GuiLog.h"
#include "VBanner.h"
#include "VResultsBackend.h"
#include "VShutdowns.h"
#include "ui_v_main.h"
#include "v_ip_about.h"
#include "v_main.h"

#include <QActionGroup>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QSignalMapper>

#include <array>

namespace {

const char *const kPortProperty = "port";
const char *const kInteractiveProperty = "interactive";
const char *const kAddressProperty = "address";
const char *const kLangProperty = "lang";

struct TOrtavoEntry
{
    EOrtavoCommand eCommand;
    const char *pText;
};

// The order of the context menus' Ortavo entries.
const std::array<TOrtavoEntry, 8> kOrtavoEntries = {{
    {EOrtavoCommand::FullControl, QT_TRANSLATE_NOOP("v_main", "Full Control")},
    {EOrtavoCommand::ViewOnly, QT_TRANSLATE_NOOP("v_main", "View Only")},
    {EOrtavoCommand::Telnet, QT_TRANSLATE_NOOP("v_main", "Telnet")},
    {EOrtavoCommand::FileTransfer, QT_TRANSLATE_NOOP("v_main", "File Transfer")},
    {EOrtavoCommand::Shutdown, QT_TRANSLATE_NOOP("v_main", "Shutdown")},
    {EOrtavoCommand::TextChat, QT_TRANSLATE_NOOP("v_main", "Text Chat")},
    {EOrtavoCommand::VoiceChat, QT_TRANSLATE_NOOP("v_main", "Voice Chat")},
    {EOrtavoCommand::SendMessage, QT_TRANSLATE_NOOP("v_main", "Send Message")},
}};

} // namespace

void v_main::SetUpHostActions()
{
    m_pActionRunner = std::make_unique<CHostActionRunner>();
    m_pActionRunner->SetFailureHandler(this,
                                       [this](const QString &i_sUrl) { OnOpenFailed(i_sUrl); });
    m_pShutdowns = new VShutdowns(this);

    connect(ui->act_wol, &QAction::triggered, this, &v_main::OnWakeOnLan);
    connect(ui->act_tb_wol, &QAction::triggered, this, &v_main::OnWakeOnLan);
    connect(ui->act_shutdown, &QAction::triggered, this, &v_main::OnShutDown);
    connect(ui->act_tb_shutdown, &QAction::triggered, this, &v_main::OnShutDown);
    connect(ui->act_abort_shutdown, &QAction::triggered, this, &v_main::OnAbortShutDown);
    // act_explore reaches on_act_explore_triggered() by its name.
    connect(ui->act_http, &QAction::triggered, this, &v_main::OnHttp);
    connect(ui->act_ftp, &QAction::triggered, this, &v_main::OnFtp);
    connect(ui->act_https, &QAction::triggered, this, &v_main::OnHttps);
    connect(ui->act_telnet, &QAction::triggered, this, &v_main::OnTelnet);
    const std::array<std::pair<QAction *, EOrtavoCommand>, 8> aOrtavo = {{
        {ui->act_ortavo_full_control, EOrtavoCommand::FullControl},
        {ui->act_ortavo_view_only, EOrtavoCommand::ViewOnly},
        {ui->act_ortavo_telnet, EOrtavoCommand::Telnet},
        {ui->act_ortavo_file_transfer, EOrtavoCommand::FileTransfer},
        {ui->act_ortavo_shutdown, EOrtavoCommand::Shutdown},
        {ui->act_ortavo_chat, EOrtavoCommand::TextChat},
        {ui->act_ortavo_voice_chat, EOrtavoCommand::VoiceChat},
        {ui->act_ortavo_message, EOrtavoCommand::SendMessage},
    }};
    for (const auto &rEntry : aOrtavo) {
        QAction *pAction = rEntry.first;
        const EOrtavoCommand eCommand = rEntry.second;
        connect(pAction, &QAction::triggered, this, [this, pAction, eCommand]() {
            OrtavoFromAction(eCommand, pAction);
        });
    }
    connect(ui->act_about, &QAction::triggered, this, &v_main::OnAbout);
    connect(ui->act_report_bug, &QAction::triggered, this, &v_main::ReportBug);
    connect(ui->act_request_feature, &QAction::triggered, this, &v_main::RequestFeature);

    connect(ui->tvResults,
            &CMouseRightClickTableView::RightButtonPressed,
            this,
            &v_main::OnTableScanContextMenu);
    connect(ui->tvFavorites,
            &CMouseRightClickTableView::RightButtonPressed,
            this,
            &v_main::OnTableFavoritesContextMenu);
    for (CMouseRightClickTableView *pView : {ui->tvResults, ui->tvFavorites}) {
        connect(
            pView, &CMouseRightClickTableView::IndexDblClicked, this, &v_main::OnIndexDblClicked);
    }

    m_pBanner = new VBanner(ui->toolBar);
    m_pBanner->setObjectName(QStringLiteral("banner"));
    ui->toolBar->addWidget(m_pBanner);
    connect(m_pBanner, &VBanner::EmitClicked, this, &v_main::OnBannerClicked);
    LoadBanner();
    FillLanguageMenu();
}

void v_main::SetHostActionRunner(std::unique_ptr<CHostActionRunner> i_pRunner)
{
    if (!i_pRunner)
        return;
    m_pActionRunner = std::move(i_pRunner);
    m_pActionRunner->SetFailureHandler(this,
                                       [this](const QString &i_sUrl) { OnOpenFailed(i_sUrl); });
}

void v_main::OnOpenFailed(const QString &i_sUrl)
{
    // Not modal: the window goes on, and several failures do not stack up nested loops.
    auto *pBox = new QMessageBox(
        QMessageBox::Warning,
        tr("Open"),
        tr("No program to open %1 was found. It is opened with xdg-open (package xdg-utils) and "
           "the program the desktop names for this kind of address: install them.")
            .arg(i_sUrl),
        QMessageBox::Ok,
        this);
    pBox->setObjectName(QStringLiteral("open_failed"));
    pBox->setAttribute(Qt::WA_DeleteOnClose);
    pBox->open();
}

void v_main::FillLanguageMenu()
{
    CLocalizations *pLocalizations = CLocalizations::instance();
    const QString sCurrent = pLocalizations->CurrentLocale(QStringLiteral("en_us"));
    const QMap<QString, QString> &mapLanguages = pLocalizations->Languages();
    for (auto it = mapLanguages.cbegin(); it != mapLanguages.cend(); ++it) {
        auto *pAction = new QAction(pLocalizations->MenuText(it.key()), ui->menuLanguage);
        pAction->setCheckable(true);
        pAction->setProperty(kLangProperty, it.key());
        pAction->setChecked(it.key() == sCurrent);
        m_pLanguageGroup->addAction(pAction);
        ui->menuLanguage->addAction(pAction);
    }
    ui->menuLanguage->setEnabled(!m_pLanguageGroup->actions().isEmpty());
}

void v_main::LoadBanner()
{
    const QString sCode = CLocalizations::instance()->CurrentLocale(QStringLiteral("en_us"));
    m_pBanner->SetImage(QStringLiteral("quellan_banner_%1.png").arg(sCode));
}

// ---- targets ---------------------------------------------------------------------------------

QList<CScanItem> v_main::SelectedItems() const
{
    const VResultsBackend *pModel = ModelOf(CurrentView());
    return pModel ? pModel->RetrieveRowsData(CurrentView()->SelectedHostRows())
                  : QList<CScanItem>();
}

bool v_main::TakeTargetHost(QString *o_psAddress)
{
    if (m_oContextRow.kind() != 0) {
        *o_psAddress = m_oContextRow.item().result().IpText();
        m_oContextRow = CScanFragment();
        return true;
    }
    const QList<CScanItem> lItems = SelectedItems();
    if (lItems.isEmpty())
        return false;
    *o_psAddress = lItems.first().result().IpText();
    return true;
}

void v_main::OpenForTarget(const QString &i_sPattern)
{
    QString sAddress;
    if (TakeTargetHost(&sAddress))
        m_pActionRunner->OpenUrl(i_sPattern.arg(sAddress));
}

// ---- opening, telnet, the viewer -------------------------------------------------------------

void v_main::on_act_explore_triggered()
{
    QString sAddress;
    if (TakeTargetHost(&sAddress))
        m_pActionRunner->OpenUrl(m_pActionRunner->HostPath(sAddress));
}

void v_main::OnHttp()
{
    OpenForTarget(QStringLiteral("http://%1/"));
}

void v_main::OnHttps()
{
    OpenForTarget(QStringLiteral("https://%1/"));
}

void v_main::OnFtp()
{
    OpenForTarget(QStringLiteral("ftp://%1/"));
}

void v_main::OnTelnet()
{
    QString sAddress;
    if (!TakeTargetHost(&sAddress))
        return;
    // The reachability check may take seconds; the window goes on meanwhile and tells the
    // outcome when it comes.
    m_pActionRunner->StartTelnet(sAddress, this, [this](CTelnetLauncher::EResult i_eResult) {
        if (i_eResult != CTelnetLauncher::EResult::Started)
            QMessageBox::warning(this, CTelnetLauncher::Title(), CTelnetLauncher::Text(i_eResult));
    });
}

void v_main::OrtavoFromAction(EOrtavoCommand i_eCommand, const QAction *i_pAction)
{
    int nPort = 0;
    bool fInteractive = true;
    quint32 nAddress = 0;
    if (i_pAction) {
        nPort = i_pAction->property(kPortProperty).toInt();
        const QVariant vInteractive = i_pAction->property(kInteractiveProperty);
        fInteractive = vInteractive.isValid() ? vInteractive.toBool() : true;
        nAddress = i_pAction->property(kAddressProperty).toUInt();
    }
    if (nPort > 0)
        OrtavoConnectCustomOptions(i_eCommand, nPort, fInteractive, nAddress);
    else
        emit OrtavoConnectOptionsRequested(i_eCommand, nPort, fInteractive, nAddress);
}

void v_main::OrtavoConnectCustomOptions(EOrtavoCommand i_eOrtavoCommand,
                                        int port,
                                        bool i_fInteractive,
                                        quint32 i_nAddress)
{
    const QString sViewer = m_pActionRunner->FindOrtavoViewer();
    if (sViewer.isEmpty() || !QFileInfo(sViewer).isFile()) {
        // An interactive request still consumes its target, as it would on success.
        m_oContextRow = CScanFragment();
        QMessageBox::warning(
            this, COrtavoViewer::NotInstalledTitle(), COrtavoViewer::NotInstalledText());
        return;
    }
    QString sAddress = IpToText(i_nAddress);
    if (i_fInteractive && !TakeTargetHost(&sAddress))
        return;
    if (m_pActionRunner->StartOrtavo(sViewer, i_eOrtavoCommand, port, sAddress)
        == COrtavoViewer::EResult::NotInstalled)
        QMessageBox::warning(
            this, COrtavoViewer::NotInstalledTitle(), COrtavoViewer::NotInstalledText());
}

// ---- shares and copying ----------------------------------------------------------------------

void v_main::OpenShare(const CScanFragment &i_oFragment)
{
    m_pActionRunner->OpenUrl(
        m_pActionRunner->SharePath(i_oFragment.item().result().IpText(), i_oFragment.text()));
}

void v_main::OnExploreSharedFolder()
{
    if (m_oContextRow.kind() != FragmentShare)
        return;
    OpenShare(m_oContextRow);
    m_oContextRow = CScanFragment();
}

void v_main::OnCopyPathSharedFolder()
{
    if (m_oContextRow.kind() != FragmentShare)
        return;
    QGuiApplication::clipboard()->setText(
        m_pActionRunner->SharePath(m_oContextRow.item().result().IpText(), m_oContextRow.text()));
    m_oContextRow = CScanFragment();
}

void v_main::OnPropertiesSharedFolder()
{
    if (m_oContextRow.kind() != FragmentShare)
        return;
    const QString sPath =
        m_pActionRunner->SharePath(m_oContextRow.item().result().IpText(), m_oContextRow.text());
    m_oContextRow = CScanFragment();
    // Where the system has no properties dialog, the file manager shows the share instead.
    if (!m_pActionRunner->ShowProperties(sPath))
        m_pActionRunner->OpenUrl(sPath);
}

// ---- several hosts ---------------------------------------------------------------------------

void v_main::OnScanSelected()
{
    if (m_pSession->IsScanning())
        return;
    const QList<CScanItem> lItems = SelectedItems();
    CIpList oList;
    for (const CScanItem &oItem : lItems)
        oList.AddRange(oItem.result().ip(), oItem.result().ip());
    if (oList.Count() > 0)
        StartScan(oList);
}

void v_main::OnWakeOnLan()
{
    const QList<CScanItem> lItems = SelectedItems();
    QList<CScanItem> lSent;
    QList<CScanItem> lWithoutMac;
    for (const CScanItem &oItem : lItems) {
        const QByteArray baMac = oItem.result().mac().left(6);
        // Zeros or all FF wake nobody: such a host has no MAC known.
        if (baMac.size() != 6 || !oItem.result().HasMac() || baMac == QByteArray(6, '\xFF')) {
            lWithoutMac << oItem;
            continue;
        }
        emit EmitWakeOnLan(baMac);
        lSent << oItem;
    }
    QStringList lsStatus;
    if (!lSent.isEmpty())
        lsStatus << tr("Wake-on-LAN sent to %1").arg(AddressList(lSent));
    if (!lWithoutMac.isEmpty())
        lsStatus << tr("No MAC address known, nothing sent: %1").arg(AddressList(lWithoutMac));
    if (!lsStatus.isEmpty())
        ShowStatus(lsStatus.join(QStringLiteral("; ")));
}

void v_main::OnShutDown()
{
    if (!CurrentView()->SelectedHostRows().isEmpty())
        emit ShutdownRequested();
}

void v_main::DoRemoteShutdown(CShutdownQuery::TParamsPtr i_pParams)
{
    const QVector<int> vRows = CurrentView()->SelectedHostRows();
    const QAbstractItemModel *pModel = CurrentView()->model();
    if (!pModel)
        return;
    QStringList lsNames;
    QStringList lsAddresses;
    for (const int nRow : vRows) {
        if (nRow >= pModel->rowCount())
            continue;
        lsNames << pModel->index(nRow, 1).data().toString();
        lsAddresses << pModel->index(nRow, 2).data().toString();
    }
    if (!lsAddresses.isEmpty())
        m_pShutdowns->StartShutdown(i_pParams, lsNames, lsAddresses);
}

void v_main::OnAbortShutDown()
{
    const QList<CScanItem> lItems = SelectedItems();
    for (const CScanItem &oItem : lItems)
        emit EmitShutdownAbort(int(oItem.result().ip()));
}

// ---- context menus and double clicks ---------------------------------------------------------

void v_main::OnTableScanContextMenu(const QMouseEvent *i_pEvent)
{
    if (ModelRows(ui->tvResults) == 0)
        return;
    ShowContextMenu(ui->tvResults, i_pEvent->pos(), i_pEvent->globalPos());
}

void v_main::OnTableFavoritesContextMenu(const QMouseEvent *i_pEvent)
{
    if (ModelRows(ui->tvFavorites) == 0)
        return;
    ShowContextMenu(ui->tvFavorites, i_pEvent->pos(), i_pEvent->globalPos());
}

void v_main::ShowContextMenu(CMouseRightClickTableView *i_pView,
                             const QPoint &i_oPos,
                             const QPoint &i_oGlobalPos)
{
    const bool fFavorites = i_pView == ui->tvFavorites;
    const bool fSelection = i_pView->selectionModel() && i_pView->selectionModel()->hasSelection();
    QMenu oMenu(this);
    oMenu.setObjectName(QStringLiteral("host_context_menu"));
    m_oContextRow = CScanFragment();
    const QModelIndex oIndex = i_pView->indexAt(i_oPos);
    bool fKindOnly = false;
    if (oIndex.isValid()) {
        const QModelIndex oFirst = oIndex.sibling(oIndex.row(), 0);
        m_oContextRow = oFirst.data(Qt::UserRole).value<CScanFragment>();
        if (m_oContextRow.kind() == FragmentHost)
            oMenu.addAction(tr("Explore"), this, &v_main::on_act_explore_triggered);
        AddCopyMenu(&oMenu);
        oMenu.addSeparator();
        if (!oFirst.parent().isValid() && !fFavorites) {
            oMenu.addAction(
                tr("Add to \"Favorites\""), this, &v_main::on_b_add_to_favorites_clicked);
        }
        if (fFavorites && fSelection) {
            oMenu.addAction(tr("Remove from \"Favorites\""), this, &v_main::on_b_remove_clicked);
            // The button carries the edit dialog, whoever connects it.
            oMenu.addAction(tr("Edit..."), ui->b_edit, &QPushButton::click);
        }
        AddKindEntries(&oMenu, m_oContextRow);
        if (m_oContextRow.kind() == FragmentHost)
            emit HostMenuRequested(&oMenu, m_oContextRow.item().result());
        fKindOnly = m_oContextRow.kind() > FragmentHost;
    } else if (fSelection) {
        oMenu.addAction(tr("Rescan selected"), this, &v_main::OnScanSelected);
    }
    if (!fKindOnly && ModelRows(i_pView) > 0) {
        oMenu.addAction(tr("Expand all"), this, &v_main::OnExpandAll);
        oMenu.addAction(tr("Collapse all"), this, &v_main::OnCollapseAll);
        oMenu.addAction(tr("Clear list"), this, &v_main::OnClearScanData);
    }
    if (!oMenu.isEmpty())
        oMenu.exec(i_oGlobalPos);
}

void v_main::AddKindEntries(QMenu *i_pMenu, const CScanFragment &i_oFragment)
{
    const qint32 nKind = i_oFragment.kind();
    if (nKind > FragmentHost)
        i_pMenu->clear();
    switch (nKind) {
    case FragmentHttp:
        i_pMenu->addAction(tr("Connect"), this, &v_main::OnHttp);
        return;
    case FragmentHttps:
        i_pMenu->addAction(tr("Connect"), this, &v_main::OnHttps);
        return;
    case FragmentFtp:
        i_pMenu->addAction(tr("Connect"), this, &v_main::OnFtp);
        return;
    case FragmentShare:
        i_pMenu->addAction(tr("Explore"), this, &v_main::OnExploreSharedFolder);
        i_pMenu->addAction(tr("Copy path"), this, &v_main::OnCopyPathSharedFolder);
        i_pMenu->addAction(tr("Properties"), this, &v_main::OnPropertiesSharedFolder);
        return;
    case FragmentOrtavo:
        for (const TOrtavoEntry &rEntry : kOrtavoEntries) {
            QAction *pAction = i_pMenu->addAction(tr(rEntry.pText));
            pAction->setProperty(kPortProperty, i_oFragment.port());
            pAction->setProperty(kAddressProperty, i_oFragment.item().result().ip());
            pAction->setProperty(kInteractiveProperty, false);
            const EOrtavoCommand eCommand = rEntry.eCommand;
            connect(pAction, &QAction::triggered, this, [this, pAction, eCommand]() {
                OrtavoFromAction(eCommand, pAction);
            });
        }
        return;
    default:
        break;
    }

    if (CurrentView()->selectionModel() && CurrentView()->selectionModel()->hasSelection()) {
        i_pMenu->addAction(tr("Rescan selected"), this, &v_main::OnScanSelected);
        i_pMenu->addAction(tr("Save selected..."), this, &v_main::on_b_save_clicked);
    }
    i_pMenu->addSeparator();
    i_pMenu->addAction(tr("Wake-On-LAN"), this, &v_main::OnWakeOnLan);
    i_pMenu->addAction(tr("Shut down..."), this, &v_main::OnShutDown);
    i_pMenu->addAction(tr("Abort shut down"), this, &v_main::OnAbortShutDown);
    i_pMenu->addSeparator();
    const QList<qint32> lnPorts = i_oFragment.item().result().ortavo_ports();
    if (lnPorts.isEmpty())
        return;
    i_pMenu->addSeparator();
    QMenu *pOrtavo = i_pMenu->addMenu(tr("Ortavo"));
    pOrtavo->setObjectName(QStringLiteral("menu_ortavo"));
    for (const TOrtavoEntry &rEntry : kOrtavoEntries) {
        QAction *pAction = pOrtavo->addAction(tr(rEntry.pText));
        pAction->setProperty(kPortProperty, lnPorts.first());
        const EOrtavoCommand eCommand = rEntry.eCommand;
        connect(pAction, &QAction::triggered, this, [this, pAction, eCommand]() {
            OrtavoFromAction(eCommand, pAction);
        });
    }
}

void v_main::OnIndexDblClicked(QModelIndex i_oIndex)
{
    if (!i_oIndex.isValid() || !i_oIndex.parent().isValid())
        return;
    const CScanFragment oFragment =
        i_oIndex.sibling(i_oIndex.row(), 0).data(Qt::UserRole).value<CScanFragment>();
    const QString sAddress = oFragment.item().result().IpText();
    // A web server on another port than the scheme's own carries its port.
    const QString sHostPort = oFragment.port() > 0
                                  ? sAddress + QLatin1Char(':') + QString::number(oFragment.port())
                                  : sAddress;
    switch (oFragment.kind()) {
    case FragmentHttp:
        m_pActionRunner->OpenUrl(QStringLiteral("http://%1/").arg(sHostPort));
        break;
    case FragmentHttps:
        m_pActionRunner->OpenUrl(QStringLiteral("https://%1/").arg(sHostPort));
        break;
    case FragmentFtp:
        m_pActionRunner->OpenUrl(QStringLiteral("ftp://%1/").arg(sAddress));
        break;
    case FragmentOrtavo:
        if (oFragment.port() > 0) {
            OrtavoConnectCustomOptions(EOrtavoCommand::FullControl,
                                       oFragment.port(),
                                       false,
                                       oFragment.item().result().ip());
        } else {
            emit OrtavoConnectOptionsRequested(
                EOrtavoCommand::FullControl, 0, false, oFragment.item().result().ip());
        }
        break;
    case FragmentShare:
        OpenShare(oFragment);
        break;
    default:
        break;
    }
}

bool v_main::ContextMenuKey()
{
    CMouseRightClickTableView *pView = CurrentView();
    if (!pView->selectionModel() || !pView->selectionModel()->hasSelection())
        return false;
    const QRect oRect = pView->visualRect(pView->currentIndex());
    // The bottom right corner lies inside the row, so the row is found under it as under a mouse.
    const QPoint oPos = oRect.isValid() ? oRect.bottomRight() : QPoint(0, 0);
    const QPoint oGlobal = pView->viewport()->mapToGlobal(oPos);
    const QMouseEvent oEvent(
        QEvent::MouseButtonPress, oPos, oGlobal, Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    if (pView == ui->tvResults)
        OnTableScanContextMenu(&oEvent);
    else
        OnTableFavoritesContextMenu(&oEvent);
    return true;
}

// ---- help, About box, banner -----------------------------------------------------------------

void v_main::OnAbout()
{
    v_ip_about oAbout(this);
    connect(&oAbout, &v_ip_about::BannerClicked, this, &v_main::OnBannerClicked);
    oAbout.setModal(true);
    oAbout.exec();
}

void v_main::OnBannerClicked()
{
    m_pActionRunner->OpenUrl(tr("https://www.brenmark.example/", "hyperlinks"));
}

void v_main::ReportBug()
{
    m_pActionRunner->OpenUrl(tr("https://www.brenmark.example/vistrel/bugs", "hyperlinks"));
}

void v_main::RequestFeature()
{
    m_pActionRunner->OpenUrl(tr("https://www.brenmark.example/vistrel/ideas", "hyperlinks"));
}
