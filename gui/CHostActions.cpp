// SPDX-License-Identifier: GPL-3.0-or-later
// Texts keep the window's translation context: they are the window's menus and messages.
#include "CHostActions.h"

#include "CCopyMenu.h"
#include "CHostActionRunner.h"
#include "CMouseRightClickTableView.h"
#include "VResultsBackend.h"
#include "VShutdowns.h"
#include "ui_v_main.h"
#include "v_main.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QSignalMapper>

#include <array>

namespace {

const char *const kPortProperty = "port";
const char *const kInteractiveProperty = "interactive";
const char *const kAddressProperty = "address";

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

// The page of a web server's row; a server on another port than its scheme's own carries it.
QString WebPageUrl(const CScanFragment &i_oFragment)
{
    QString sHost = i_oFragment.item().result().IpText();
    if (i_oFragment.port() > 0)
        sHost += QLatin1Char(':') + QString::number(i_oFragment.port());
    const QString sPattern = i_oFragment.kind() == FragmentHttps ? QStringLiteral("https://%1/")
                                                                 : QStringLiteral("http://%1/");
    return sPattern.arg(sHost);
}

} // namespace

CHostActions::CHostActions(v_main *i_pWindow, Ui::v_main *i_pUi)
    : QObject(i_pWindow)
    , m_pWindow(i_pWindow)
    , ui(i_pUi)
{
    SetRunner(std::make_unique<CHostActionRunner>());
    m_pShutdowns = new VShutdowns(i_pWindow);

    connect(ui->act_wol, &QAction::triggered, this, &CHostActions::OnWakeOnLan);
    connect(ui->act_tb_wol, &QAction::triggered, this, &CHostActions::OnWakeOnLan);
    connect(ui->act_shutdown, &QAction::triggered, this, &CHostActions::OnShutDown);
    connect(ui->act_tb_shutdown, &QAction::triggered, this, &CHostActions::OnShutDown);
    connect(ui->act_abort_shutdown, &QAction::triggered, this, &CHostActions::OnAbortShutDown);
    connect(ui->act_explore, &QAction::triggered, this, &CHostActions::OnExplore);
    connect(ui->act_http, &QAction::triggered, this, &CHostActions::OnHttp);
    connect(ui->act_ftp, &QAction::triggered, this, &CHostActions::OnFtp);
    connect(ui->act_https, &QAction::triggered, this, &CHostActions::OnHttps);
    connect(ui->act_telnet, &QAction::triggered, this, &CHostActions::OnTelnet);
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
    connect(ui->act_report_bug, &QAction::triggered, this, &CHostActions::ReportBug);
    connect(ui->act_request_feature, &QAction::triggered, this, &CHostActions::RequestFeature);

    connect(ui->tvResults,
            &CMouseRightClickTableView::RightButtonPressed,
            this,
            &CHostActions::OnTableScanContextMenu);
    connect(ui->tvFavorites,
            &CMouseRightClickTableView::RightButtonPressed,
            this,
            &CHostActions::OnTableFavoritesContextMenu);
    for (CMouseRightClickTableView *pView : {ui->tvResults, ui->tvFavorites}) {
        connect(pView,
                &CMouseRightClickTableView::IndexDblClicked,
                this,
                &CHostActions::OnIndexDblClicked);
    }
}

CHostActions::~CHostActions() = default;

void CHostActions::SetRunner(std::unique_ptr<CHostActionRunner> i_pRunner)
{
    if (!i_pRunner)
        return;
    m_pRunner = std::move(i_pRunner);
    m_pRunner->SetFailureHandler(this, [this](const QString &i_sUrl) { OnOpenFailed(i_sUrl); });
}

void CHostActions::OnLanguageChanged()
{
    m_pShutdowns->OnLanguageChanged();
}

void CHostActions::OnCfg(const CCfg &i_oCfg)
{
    m_pShutdowns->OnCfg(i_oCfg);
}

void CHostActions::OnOpenFailed(const QString &i_sUrl)
{
    // Not modal: the window goes on, and several failures do not stack up nested loops.
    auto *pBox = new QMessageBox(
        QMessageBox::Warning,
        QCoreApplication::translate("v_main", "Open"),
        QCoreApplication::translate(
            "v_main",
            "No program to open %1 was found. It is opened with xdg-open (package xdg-utils) and "
            "the program the desktop names for this kind of address: install them.")
            .arg(i_sUrl),
        QMessageBox::Ok,
        m_pWindow);
    pBox->setObjectName(QStringLiteral("open_failed"));
    pBox->setAttribute(Qt::WA_DeleteOnClose);
    pBox->open();
}

// ---- targets ---------------------------------------------------------------------------------

QList<CScanItem> CHostActions::SelectedItems() const
{
    const VResultsBackend *pModel = m_pWindow->ModelOf(m_pWindow->CurrentView());
    return pModel ? pModel->RetrieveRowsData(m_pWindow->CurrentView()->SelectedHostRows())
                  : QList<CScanItem>();
}

bool CHostActions::TakeTargetHost(QString *o_psAddress)
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

void CHostActions::OpenForTarget(const QString &i_sPattern)
{
    QString sAddress;
    if (TakeTargetHost(&sAddress))
        m_pRunner->OpenUrl(i_sPattern.arg(sAddress));
}

// ---- opening, telnet, the viewer -------------------------------------------------------------

void CHostActions::OnExplore()
{
    QString sAddress;
    if (TakeTargetHost(&sAddress))
        m_pRunner->OpenUrl(m_pRunner->HostPath(sAddress));
}

void CHostActions::OnHttp()
{
    OpenForTarget(QStringLiteral("http://%1/"));
}

void CHostActions::OnHttps()
{
    OpenForTarget(QStringLiteral("https://%1/"));
}

void CHostActions::OnFtp()
{
    OpenForTarget(QStringLiteral("ftp://%1/"));
}

void CHostActions::OnTelnet()
{
    QString sAddress;
    if (!TakeTargetHost(&sAddress))
        return;
    // The reachability check may take seconds; the window goes on meanwhile and tells the
    // outcome when it comes.
    m_pRunner->StartTelnet(sAddress, this, [this](CTelnetLauncher::EResult i_eResult) {
        if (i_eResult != CTelnetLauncher::EResult::Started)
            QMessageBox::warning(
                m_pWindow, CTelnetLauncher::Title(), CTelnetLauncher::Text(i_eResult));
    });
}

void CHostActions::OrtavoFromAction(EOrtavoCommand i_eCommand, const QAction *i_pAction)
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

void CHostActions::OrtavoConnectCustomOptions(EOrtavoCommand i_eOrtavoCommand,
                                              int port,
                                              bool i_fInteractive,
                                              quint32 i_nAddress)
{
    const QString sViewer = m_pRunner->FindOrtavoViewer();
    if (sViewer.isEmpty() || !QFileInfo(sViewer).isFile()) {
        // An interactive request still consumes its target, as it would on success.
        m_oContextRow = CScanFragment();
        QMessageBox::warning(
            m_pWindow, COrtavoViewer::NotInstalledTitle(), COrtavoViewer::NotInstalledText());
        return;
    }
    QString sAddress = IpToText(i_nAddress);
    if (i_fInteractive && !TakeTargetHost(&sAddress))
        return;
    if (m_pRunner->StartOrtavo(sViewer, i_eOrtavoCommand, port, sAddress)
        == COrtavoViewer::EResult::NotInstalled)
        QMessageBox::warning(
            m_pWindow, COrtavoViewer::NotInstalledTitle(), COrtavoViewer::NotInstalledText());
}

// ---- shares and copying ----------------------------------------------------------------------

void CHostActions::OpenShare(const CScanFragment &i_oFragment)
{
    m_pRunner->OpenUrl(
        m_pRunner->SharePath(i_oFragment.item().result().IpText(), i_oFragment.text()));
}

void CHostActions::OnExploreSharedFolder()
{
    if (m_oContextRow.kind() != FragmentShare)
        return;
    OpenShare(m_oContextRow);
    m_oContextRow = CScanFragment();
}

void CHostActions::OnCopyPathSharedFolder()
{
    if (m_oContextRow.kind() != FragmentShare)
        return;
    QGuiApplication::clipboard()->setText(
        m_pRunner->SharePath(m_oContextRow.item().result().IpText(), m_oContextRow.text()));
    m_oContextRow = CScanFragment();
}

void CHostActions::OnPropertiesSharedFolder()
{
    if (m_oContextRow.kind() != FragmentShare)
        return;
    const QString sPath =
        m_pRunner->SharePath(m_oContextRow.item().result().IpText(), m_oContextRow.text());
    m_oContextRow = CScanFragment();
    // Where the system has no properties dialog, the file manager shows the share instead.
    if (!m_pRunner->ShowProperties(sPath))
        m_pRunner->OpenUrl(sPath);
}

// ---- several hosts ---------------------------------------------------------------------------

void CHostActions::OnScanSelected()
{
    if (m_pWindow->IsScanning())
        return;
    const QList<CScanItem> lItems = SelectedItems();
    CIpList oList;
    for (const CScanItem &oItem : lItems)
        oList.AddRange(oItem.result().ip(), oItem.result().ip());
    if (oList.Count() > 0)
        m_pWindow->StartScan(oList);
}

void CHostActions::OnWakeOnLan()
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
        lsStatus << QCoreApplication::translate("v_main", "Wake-on-LAN sent to %1")
                        .arg(v_main::AddressList(lSent));
    if (!lWithoutMac.isEmpty())
        lsStatus << QCoreApplication::translate("v_main", "No MAC address known, nothing sent: %1")
                        .arg(v_main::AddressList(lWithoutMac));
    if (!lsStatus.isEmpty())
        m_pWindow->ShowStatus(lsStatus.join(QStringLiteral("; ")));
}

void CHostActions::OnShutDown()
{
    if (!m_pWindow->CurrentView()->SelectedHostRows().isEmpty())
        emit ShutdownRequested();
}

void CHostActions::DoRemoteShutdown(CShutdownQuery::TParamsPtr i_pParams)
{
    const QVector<int> vRows = m_pWindow->CurrentView()->SelectedHostRows();
    const QAbstractItemModel *pModel = m_pWindow->CurrentView()->model();
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

void CHostActions::OnAbortShutDown()
{
    const QList<CScanItem> lItems = SelectedItems();
    for (const CScanItem &oItem : lItems)
        emit EmitShutdownAbort(int(oItem.result().ip()));
}

// ---- copying ------------------------------------------------------------------------------

void CHostActions::AddCopyMenu(QMenu *io_pMenu)
{
    if (!m_pCopyMapper) {
        m_pCopyMapper = new QSignalMapper(this);
        m_pCopyMapper->setObjectName(CCopyMenu::MapperName());
        connect(m_pCopyMapper, &QSignalMapper::mappedInt, this, &CHostActions::OnCopyCellData);
    }
    CCopyMenu::AddTo(io_pMenu, m_pCopyMapper, !m_pWindow->OnResultsTab());
}

bool CHostActions::ContextOrSelectedItem(CScanItem *o_pItem)
{
    if (m_oContextRow.kind() != 0) {
        *o_pItem = m_oContextRow.item();
        m_oContextRow = CScanFragment();
        return true;
    }
    // Without a context row (the keyboard's menu key, a menu-bar action) the first selected host
    // of the current tree stands in, as it does for the host actions.
    CMouseRightClickTableView *pView = m_pWindow->CurrentView();
    const QVector<int> vRows = pView->SelectedHostRows();
    const VResultsBackend *pModel = m_pWindow->ModelOf(pView);
    if (vRows.isEmpty() || !pModel)
        return false;
    const QList<CScanItem> lItems = pModel->RetrieveRowsData({vRows.first()});
    if (lItems.isEmpty())
        return false;
    *o_pItem = lItems.first();
    return true;
}

void CHostActions::OnCopyCellData(int i_nField)
{
    // Several selected hosts are copied together, as a table a spreadsheet takes.
    CMouseRightClickTableView *pCurrent = m_pWindow->CurrentView();
    const QVector<int> vRows = pCurrent->SelectedHostRows();
    if (vRows.size() > 1) {
        if (const VResultsBackend *pModel = m_pWindow->ModelOf(pCurrent)) {
            pCurrent->Lock();
            const QString sText = CCopyMenu::Rows(*pModel, vRows, i_nField);
            pCurrent->Unlock();
            QGuiApplication::clipboard()->setText(sText, QClipboard::Clipboard);
        }
        return;
    }
    for (CMouseRightClickTableView *pView : {ui->tvResults, ui->tvFavorites})
        pView->Lock();
    CScanItem oItem;
    const bool fFound = ContextOrSelectedItem(&oItem);
    for (CMouseRightClickTableView *pView : {ui->tvFavorites, ui->tvResults})
        pView->Unlock();
    if (fFound)
        QGuiApplication::clipboard()->setText(CCopyMenu::Text(oItem, i_nField),
                                              QClipboard::Clipboard);
}

// ---- context menus and double clicks ---------------------------------------------------------

void CHostActions::OnTableScanContextMenu(const QMouseEvent *i_pEvent)
{
    if (m_pWindow->ModelRows(ui->tvResults) == 0)
        return;
    ShowContextMenu(ui->tvResults, i_pEvent->pos(), i_pEvent->globalPos());
}

void CHostActions::OnTableFavoritesContextMenu(const QMouseEvent *i_pEvent)
{
    if (m_pWindow->ModelRows(ui->tvFavorites) == 0)
        return;
    ShowContextMenu(ui->tvFavorites, i_pEvent->pos(), i_pEvent->globalPos());
}

void CHostActions::ShowContextMenu(CMouseRightClickTableView *i_pView,
                                   const QPoint &i_oPos,
                                   const QPoint &i_oGlobalPos)
{
    const bool fFavorites = i_pView == ui->tvFavorites;
    const bool fSelection = i_pView->selectionModel() && i_pView->selectionModel()->hasSelection();
    QMenu oMenu(m_pWindow);
    oMenu.setObjectName(QStringLiteral("host_context_menu"));
    m_oContextRow = CScanFragment();
    const QModelIndex oIndex = i_pView->indexAt(i_oPos);
    bool fKindOnly = false;
    if (oIndex.isValid()) {
        const QModelIndex oFirst = oIndex.sibling(oIndex.row(), 0);
        m_oContextRow = oFirst.data(Qt::UserRole).value<CScanFragment>();
        if (m_oContextRow.kind() == FragmentHost)
            oMenu.addAction(
                QCoreApplication::translate("v_main", "Explore"), this, &CHostActions::OnExplore);
        AddCopyMenu(&oMenu);
        oMenu.addSeparator();
        if (!oFirst.parent().isValid() && !fFavorites) {
            oMenu.addAction(QCoreApplication::translate("v_main", "Add to \"Favorites\""),
                            m_pWindow,
                            &v_main::on_b_add_to_favorites_clicked);
        }
        if (fFavorites && fSelection) {
            oMenu.addAction(QCoreApplication::translate("v_main", "Remove from \"Favorites\""),
                            m_pWindow,
                            &v_main::on_b_remove_clicked);
            // The button carries the edit dialog, whoever connects it.
            oMenu.addAction(
                QCoreApplication::translate("v_main", "Edit..."), ui->b_edit, &QPushButton::click);
        }
        AddKindEntries(&oMenu, m_oContextRow);
        if (m_oContextRow.kind() == FragmentHost && m_fnHostMenuHook)
            m_fnHostMenuHook(&oMenu, m_oContextRow.item().result());
        fKindOnly = m_oContextRow.kind() > FragmentHost;
    } else if (fSelection) {
        oMenu.addAction(QCoreApplication::translate("v_main", "Rescan selected"),
                        this,
                        &CHostActions::OnScanSelected);
    }
    if (!fKindOnly && m_pWindow->ModelRows(i_pView) > 0) {
        oMenu.addAction(
            QCoreApplication::translate("v_main", "Expand all"), m_pWindow, &v_main::OnExpandAll);
        oMenu.addAction(QCoreApplication::translate("v_main", "Collapse all"),
                        m_pWindow,
                        &v_main::OnCollapseAll);
        oMenu.addAction(QCoreApplication::translate("v_main", "Clear list"),
                        m_pWindow,
                        &v_main::OnClearScanData);
    }
    if (!oMenu.isEmpty())
        oMenu.exec(i_oGlobalPos);
}

void CHostActions::AddKindEntries(QMenu *i_pMenu, const CScanFragment &i_oFragment)
{
    const qint32 nKind = i_oFragment.kind();
    if (nKind > FragmentHost)
        i_pMenu->clear();
    switch (nKind) {
    case FragmentHttp:
    case FragmentHttps: {
        const QString sUrl = WebPageUrl(i_oFragment);
        i_pMenu->addAction(QCoreApplication::translate("v_main", "Connect"), this, [this, sUrl]() {
            m_oContextRow = CScanFragment();
            m_pRunner->OpenUrl(sUrl);
        });
        return;
    }
    case FragmentFtp:
        i_pMenu->addAction(
            QCoreApplication::translate("v_main", "Connect"), this, &CHostActions::OnFtp);
        return;
    case FragmentShare:
        i_pMenu->addAction(QCoreApplication::translate("v_main", "Explore"),
                           this,
                           &CHostActions::OnExploreSharedFolder);
        i_pMenu->addAction(QCoreApplication::translate("v_main", "Copy path"),
                           this,
                           &CHostActions::OnCopyPathSharedFolder);
        i_pMenu->addAction(QCoreApplication::translate("v_main", "Properties"),
                           this,
                           &CHostActions::OnPropertiesSharedFolder);
        return;
    case FragmentOrtavo:
        for (const TOrtavoEntry &rEntry : kOrtavoEntries) {
            QAction *pAction =
                i_pMenu->addAction(QCoreApplication::translate("v_main", rEntry.pText));
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

    if (m_pWindow->CurrentView()->selectionModel()
        && m_pWindow->CurrentView()->selectionModel()->hasSelection()) {
        i_pMenu->addAction(QCoreApplication::translate("v_main", "Rescan selected"),
                           this,
                           &CHostActions::OnScanSelected);
        i_pMenu->addAction(QCoreApplication::translate("v_main", "Save selected..."),
                           m_pWindow,
                           &v_main::on_b_save_clicked);
    }
    i_pMenu->addSeparator();
    i_pMenu->addAction(
        QCoreApplication::translate("v_main", "Wake-On-LAN"), this, &CHostActions::OnWakeOnLan);
    i_pMenu->addAction(
        QCoreApplication::translate("v_main", "Shut down..."), this, &CHostActions::OnShutDown);
    i_pMenu->addAction(QCoreApplication::translate("v_main", "Abort shut down"),
                       this,
                       &CHostActions::OnAbortShutDown);
    i_pMenu->addSeparator();
    const QList<qint32> lnPorts = i_oFragment.item().result().ortavo_ports();
    if (lnPorts.isEmpty())
        return;
    i_pMenu->addSeparator();
    QMenu *pOrtavo = i_pMenu->addMenu(QCoreApplication::translate("v_main", "Ortavo"));
    pOrtavo->setObjectName(QStringLiteral("menu_ortavo"));
    for (const TOrtavoEntry &rEntry : kOrtavoEntries) {
        QAction *pAction = pOrtavo->addAction(QCoreApplication::translate("v_main", rEntry.pText));
        pAction->setProperty(kPortProperty, lnPorts.first());
        const EOrtavoCommand eCommand = rEntry.eCommand;
        connect(pAction, &QAction::triggered, this, [this, pAction, eCommand]() {
            OrtavoFromAction(eCommand, pAction);
        });
    }
}

void CHostActions::OnIndexDblClicked(const QModelIndex &i_oIndex)
{
    if (!i_oIndex.isValid() || !i_oIndex.parent().isValid())
        return;
    const CScanFragment oFragment =
        i_oIndex.sibling(i_oIndex.row(), 0).data(Qt::UserRole).value<CScanFragment>();
    const QString sAddress = oFragment.item().result().IpText();
    switch (oFragment.kind()) {
    case FragmentHttp:
    case FragmentHttps:
        m_pRunner->OpenUrl(WebPageUrl(oFragment));
        break;
    case FragmentFtp:
        m_pRunner->OpenUrl(QStringLiteral("ftp://%1/").arg(sAddress));
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

bool CHostActions::ContextMenuKey()
{
    CMouseRightClickTableView *pView = m_pWindow->CurrentView();
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

void CHostActions::OnContents()
{
    m_pRunner->OpenUrl(QCoreApplication::translate(
        "v_main", "https://www.brenmark.example/vistrel/help", "hyperlinks"));
}

void CHostActions::OnBannerClicked()
{
    m_pRunner->OpenUrl(
        QCoreApplication::translate("v_main", "https://www.brenmark.example/", "hyperlinks"));
}

void CHostActions::ReportBug()
{
    m_pRunner->OpenUrl(QCoreApplication::translate(
        "v_main", "https://www.brenmark.example/vistrel/bugs", "hyperlinks"));
}

void CHostActions::RequestFeature()
{
    m_pRunner->OpenUrl(QCoreApplication::translate(
        "v_main", "https://www.brenmark.example/vistrel/ideas", "hyperlinks"));
}
