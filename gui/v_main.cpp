// SPDX-License-Identifier: GPL-3.0-or-later
#include "v_main.h"

#include "CColumnStates.h"
#include "CCopyMenu.h"
#include "CFavoritesContentHandler.h"
#include "CFavoritesController.h"
#include "CFavoritesFile.h"
#include "CHostActions.h"
#include "CLocalSubnets.h"
#include "CLocalizations.h"
#include "CMenuHeaderView.h"
#include "CMouseRightClickTableView.h"
#include "CRangeBoxText.h"
#include "CResultImages.h"
#include "CScanSession.h"
#include "CScanTiming.h"
#include "CViewStateKeeper.h"
#include "GuiLog.h"
#include "IpRangeReaders.h"
#include "MIpMacDataStorage.h"
#include "MScanSrcDataHistory.h"
#include "VResultsBackend.h"
#include "ui_v_main.h"
#include "v_host_properties.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace {

const char *const kLastActiveTabKey = "State/LastActiveTab";
const char *const kLastRangeUsedKey = "State/LastRangeUsed";
const char *const kRectKey = "State/MainWnd/Rect";
const char *const kMaximizedKey = "State/MainWnd/Maximized";

QString Key(const char *i_pKey)
{
    return QLatin1String(i_pKey);
}

} // namespace

v_main::v_main(QWidget *i_pParent)
    : QMainWindow(i_pParent)
    , ui(std::make_unique<Ui::v_main>())
{
    CResultImages::Install();
    ui->setupUi(this);
    m_oNormalPalette = ui->cbIpRange->lineEdit()->palette();

    connect(ui->tabMachineList, &QTabWidget::currentChanged, this, &v_main::OnTabChanged);
    ui->tabMachineList->SetDropHandler(
        [this](QDropEvent *i_pEvent, int i_nPage) { return OnDropEvent(i_pEvent, i_nPage); });
    m_pFavorites =
        new CFavoritesController(this, ui->tabMachineList, ui->tvResults, ui->tvFavorites);
    m_pSession = new CScanSession(this);
    connect(m_pSession, &CScanSession::ScanRequested, this, &v_main::EmitScan);
    connect(m_pSession, &CScanSession::PauseRequested, this, &v_main::EmitPauseRequest);
    connect(m_pSession, &CScanSession::Ended, this, &v_main::OnSessionEnded);
    connect(m_pSession, &CScanSession::StateChanged, this, [this]() {
        UpdateControls();
        UpdateTexts();
    });
    connect(m_pSession, &CScanSession::DataReady, this, &v_main::DataReady);
    connect(m_pSession, &CScanSession::DataReady, this, &v_main::OnSessionResult);
    connect(m_pSession, &CScanSession::Tick, this, &v_main::OnSessionResult);
    connect(ui->pbPause, &QPushButton::clicked, this, &v_main::OnPauseResume);
    connect(ui->cbIpRange, &QComboBox::editTextChanged, this, &v_main::CheckScanButton);
    for (CMouseRightClickTableView *pView : {ui->tvResults, ui->tvFavorites}) {
        connect(pView->MenuHeader(),
                &CMenuHeaderView::RightButtonPressed,
                this,
                &v_main::OnHdrContextMenu);
        connect(pView, &CMouseRightClickTableView::ClearSelection, this, &v_main::OnClearSelection);
    }

    m_pLanguageGroup = new QActionGroup(this);
    connect(m_pLanguageGroup, &QActionGroup::triggered, this, &v_main::OnLangActionTriggered);

    // Scan and stop from the keyboard, as the button does when it may.
    m_pScanAction = new QAction(this);
    m_pScanAction->setObjectName(QStringLiteral("act_scan"));
    m_pScanAction->setShortcuts({QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_R)});
    connect(m_pScanAction, &QAction::triggered, this, [this]() {
        if (ui->b_scan->isEnabled())
            on_b_scan_clicked();
    });
    ui->menuFile->insertAction(ui->act_scan_from_file, m_pScanAction);
    SetUpSearch();
    ui->act_load->setShortcut(QKeySequence::Open);
    ui->act_save->setShortcut(QKeySequence::Save);
    ui->act_exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(ui->act_scan_from_file, &QAction::triggered, this, &v_main::OnSelectIpFile);
    connect(ui->act_load, &QAction::triggered, this, &v_main::on_b_load_favorites_clicked);
    connect(ui->act_save, &QAction::triggered, this, &v_main::OnSaveAll);
    connect(ui->act_options, &QAction::triggered, this, &v_main::OnActionOptions);
    connect(ui->act_expand_all, &QAction::triggered, this, &v_main::OnExpandAll);
    connect(ui->act_collapse_all, &QAction::triggered, this, &v_main::OnCollapseAll);
    connect(ui->act_clear_list, &QAction::triggered, this, &v_main::OnClearScanData);
    connect(ui->act_contents, &QAction::triggered, this, qOverload<>(&v_main::OnContents));
    connect(ui->act_my_ip, &QAction::triggered, this, &v_main::OnSubnetMy);
    connect(ui->act_class_c, &QAction::triggered, this, &v_main::OnSubnetC);

    m_lScanLockedActions = {ui->act_my_ip, ui->act_class_c};
    m_lSelectionActions = {ui->act_wol,
                           ui->act_shutdown,
                           ui->act_abort_shutdown,
                           ui->act_explore,
                           ui->act_http,
                           ui->act_ftp,
                           ui->act_https,
                           ui->act_telnet,
                           ui->act_ortavo_full_control,
                           ui->act_ortavo_view_only,
                           ui->act_ortavo_telnet,
                           ui->act_ortavo_file_transfer,
                           ui->act_ortavo_shutdown,
                           ui->act_ortavo_chat,
                           ui->act_ortavo_voice_chat,
                           ui->act_ortavo_message,
                           ui->act_tb_shutdown,
                           ui->act_tb_wol};
    m_lRowActions = {ui->act_expand_all, ui->act_collapse_all, ui->act_clear_list};

    ui->tabMachineList->SetPageAcceptsDrops(1, true);
    ui->tvResults->SetDragDropMode(QAbstractItemView::DragOnly);
    ui->tvFavorites->SetDragDropMode(QAbstractItemView::DropOnly);
    for (CMouseRightClickTableView *pView : {ui->tvResults, ui->tvFavorites}) {
        pView->header()->setSectionsClickable(true);
        pView->setSortingEnabled(true);
    }
    ui->cbIpRange->setFocus();
    m_pHostActions = new CHostActions(this, ui.get());
    SetUpBanner();
    UpdateTexts();
    UpdateHint();
}

v_main::~v_main()
{
    SetViewsLocked(false);
}

// ---- models and views ------------------------------------------------------------------------

void v_main::SetModels(VResultsBackend *i_pScanModel, VResultsBackend *i_pFavoritesModel)
{
    const QList<QPair<CMouseRightClickTableView *, VResultsBackend *>> lPairs = {
        {ui->tvResults, i_pScanModel}, {ui->tvFavorites, i_pFavoritesModel}};
    for (const auto &oPair : lPairs) {
        CMouseRightClickTableView *pView = oPair.first;
        VResultsBackend *pModel = oPair.second;
        pView->setModel(pModel);
        connect(pView->selectionModel(),
                &QItemSelectionModel::currentChanged,
                this,
                &v_main::OnSelectionChanged);
        connect(pView->selectionModel(),
                &QItemSelectionModel::selectionChanged,
                this,
                &v_main::OnSelectionChanged);
        connect(pModel, &QAbstractItemModel::layoutChanged, this, &v_main::OnModelLayoutChanged);
        // Streamed results insert rows rather than re-laying out the model.
        connect(pModel, &QAbstractItemModel::rowsInserted, this, &v_main::OnModelLayoutChanged);
        connect(pModel, &QAbstractItemModel::rowsRemoved, this, &v_main::OnModelLayoutChanged);
        connect(pModel, &QAbstractItemModel::modelReset, this, &v_main::OnModelLayoutChanged);
    }
    connect(i_pScanModel, &VResultsBackend::SortedByColumn, this, &v_main::OnSortedByColumn);
    connect(i_pFavoritesModel,
            &VResultsBackend::SortedByColumn,
            this,
            &v_main::OnFavoritesSortedByColumn);
    connect(ui->tvFavorites, &CMouseRightClickTableView::PasteData, this, &v_main::OnPasteData);
    m_pFavorites->SetFavoritesModel(i_pFavoritesModel);
}

void v_main::SetScanHistory(MScanSrcDataHistory *i_pHistory)
{
    m_pScanHistory = i_pHistory;
}

void v_main::AddFavorites(const QList<CScanItem> &i_lItems)
{
    m_pFavorites->Add(i_lItems);
}

void v_main::SetInitialColumnWidths()
{
    CColumnStates::SetDefaultWidths(ui->tvResults, false);
    CColumnStates::SetDefaultWidths(ui->tvFavorites, true);
}

bool v_main::OnResultsTab() const
{
    return ui->tabMachineList->currentIndex() == 0;
}

CMouseRightClickTableView *v_main::CurrentView() const
{
    return OnResultsTab() ? ui->tvResults : ui->tvFavorites;
}

CMouseRightClickTableView *v_main::ViewOf(const QAbstractItemModel *i_pModel) const
{
    if (i_pModel && ui->tvResults->model() == i_pModel)
        return ui->tvResults;
    if (i_pModel && ui->tvFavorites->model() == i_pModel)
        return ui->tvFavorites;
    return nullptr;
}

VResultsBackend *v_main::ModelOf(const CMouseRightClickTableView *i_pView) const
{
    return qobject_cast<VResultsBackend *>(i_pView->model());
}

int v_main::ModelRows(const CMouseRightClickTableView *i_pView) const
{
    return i_pView->model() ? i_pView->model()->rowCount() : 0;
}

CViewStateKeeper &v_main::KeeperOf(const CMouseRightClickTableView *i_pView)
{
    return i_pView == ui->tvResults ? m_oScanViewState : m_oFavoritesViewState;
}

QString v_main::ColumnGroup(const CMouseRightClickTableView *i_pView) const
{
    return i_pView == ui->tvResults ? CColumnStates::ScanGroup() : CColumnStates::FavoritesGroup();
}

// ---- configuration and window state ----------------------------------------------------------

void v_main::OnCfg(CCfg i_oCfg)
{
    const bool fFirst = !m_fCfgReceived;
    m_oCfg = i_oCfg;
    m_fCfgReceived = true;
    if (fFirst) {
        ApplyStoredColumns();
        const QVariant vRect = m_oCfg.Value(Key(kRectKey));
        const QRect oRect = vRect.toRect();
        // A rectangle from a screen that is gone would put the window out of reach.
        const QScreen *pScreen = QGuiApplication::screenAt(oRect.center());
        if (vRect.isValid() && oRect.isValid() && pScreen) {
            setGeometry(oRect);
            setWindowState(m_oCfg.Value(Key(kMaximizedKey), false).toBool() ? Qt::WindowMaximized
                                                                            : Qt::WindowNoState);
        }
        const int nTab = m_oCfg.Value(Key(kLastActiveTabKey), 0).toInt();
        ui->tabMachineList->setCurrentIndex(nTab == 1 ? 1 : 0);
        RefillRangeHistory();
        const QVariant vLastRange = m_oCfg.Value(Key(kLastRangeUsedKey));
        ui->cbIpRange->setEditText(vLastRange.isValid() ? vLastRange.toString() : MySubnetsText());
        show();
        // Once the program has handed the models their rows, so that columns fit what they hold.
        QTimer::singleShot(0, this, [this]() {
            m_fRowsProvided = true;
            FitNameColumns();
        });
    } else {
        ApplyProbeColumns();
    }
    m_fNetbiosColumns = m_oCfg.scan_netbios();
    m_fUserColumn = m_oCfg.scan_username();
    for (CMouseRightClickTableView *pView : {ui->tvResults, ui->tvFavorites}) {
        if (VResultsBackend *pModel = ModelOf(pView))
            pModel->SetCfg(m_oCfg);
    }
    m_pFavorites->HostProperties().OnCfg(m_oCfg);
    m_pHostActions->OnCfg(m_oCfg);
    const QSignalBlocker oBlockAlive(ui->act_show_alive);
    const QSignalBlocker oBlockDead(ui->act_show_dead);
    const QSignalBlocker oBlockUnknown(ui->act_show_unknown);
    ui->act_show_alive->setChecked(m_oCfg.show_alive());
    ui->act_show_dead->setChecked(m_oCfg.show_dead());
    ui->act_show_unknown->setChecked(m_oCfg.show_unknown());
}

void v_main::SaveWindowState()
{
    m_oCfg.SetValue(Key(kRectKey), normalGeometry());
    m_oCfg.SetValue(Key(kMaximizedKey), isMaximized());
}

void v_main::showEvent(QShowEvent *i_pEvent)
{
    OnTabChanged();
    UpdateControls();
    CheckScanButton();
    UpdateTexts();
    m_fIconsSet = true;
    QMainWindow::showEvent(i_pEvent);
}

void v_main::closeEvent(QCloseEvent *i_pEvent)
{
    SaveColumns();
    m_oCfg.SetValue(Key(kLastActiveTabKey), ui->tabMachineList->currentIndex());
    m_oCfg.SetValue(Key(kLastRangeUsedKey), ui->cbIpRange->currentText());
    SaveWindowState();
    m_oCfg.set_show_alive(ui->act_show_alive->isChecked());
    m_oCfg.set_show_dead(ui->act_show_dead->isChecked());
    m_oCfg.set_show_unknown(ui->act_show_unknown->isChecked());
    m_oCfg.Sync();
    i_pEvent->accept();
}

void v_main::OnLangActionTriggered(QAction *i_pAction)
{
    CLocalizations::instance()->SetLocale(i_pAction->property("lang").toString());
    const bool fMaximized = isMaximized();
    const QRect oRect = normalGeometry();
    SaveWindowState();
    ui->retranslateUi(this);
    if (!fMaximized) {
        setGeometry(oRect);
        setWindowState(Qt::WindowNoState);
    }
    LoadBanner();
    RetranslateSearch();
    m_pHostActions->OnLanguageChanged();
    m_pFavorites->HostProperties().OnLanguageChanged();
    m_pFavorites->HostProperties().setWindowTitle(m_pFavorites->HostPropertiesTitle());
    for (CMouseRightClickTableView *pView : {ui->tvResults, ui->tvFavorites})
        CColumnStates::FitStatusTitle(pView);
    emit LanguageChanged();
    UpdateTexts();
    UpdateHint();
}

// ---- scan control ----------------------------------------------------------------------------

void v_main::on_b_scan_clicked()
{
    if (m_pSession->IsScanning()) {
        m_pSession->Stop();
        return;
    }
    if (OnResultsTab()) {
        const QString sText = ui->cbIpRange->currentText();
        CIpList oList;
        bool fFromFile = false;
        if (!ReadRangeText(sText, &oList) && LoadFileReference(sText)) {
            fFromFile = true;
            oList = CIpList(m_oRangesFromFile);
        }
        if (oList.Count() == 0 || !ConfirmLargeScan(oList.Count()))
            return;
        emit ClearScanData();
        // A loaded file has been recorded as used already: one scan is one use in the history.
        if (!fFromFile)
            emit ScanSrcDataWasUsed(sText);
        RefillRangeHistory();
        StartScan(oList);
        return;
    }

    const CIpList oList = m_pFavorites->Addresses();
    if (oList.Count() == 0 || !ConfirmLargeScan(oList.Count()))
        return;
    StartScan(oList);
}

bool v_main::ConfirmLargeScan(quint64 i_nAddresses)
{
    if (i_nAddresses <= kLargeScanAddresses)
        return true;
    const int nRate = m_oCfg.sweep_rate();
    const QString sText =
        tr("Scan %1 addresses? At %2 requests per second this takes about %3, longer when many "
           "hosts answer.")
            .arg(QLocale().toString(i_nAddresses),
                 QLocale().toString(nRate),
                 CScanTiming::Duration(CScanTiming::EstimateMs(i_nAddresses, nRate)));
    return QMessageBox::question(
               this, tr("Large scan"), sText, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
           == QMessageBox::Yes;
}

void v_main::StartScan(const CIpList &i_oList)
{
    m_pSession->Start(
        i_oList, ModelOf(CurrentView()), OnResultsTab() ? ModelOf(ui->tvFavorites) : nullptr);
}

void v_main::OnScanResult(CScanResult i_oResult)
{
    m_pSession->OnScanResult(i_oResult);
}

void v_main::OnScanEnd()
{
    m_pSession->OnScanEnd();
}

void v_main::OnPauseResume()
{
    m_pSession->TogglePause();
}

void v_main::OnSessionEnded()
{
    // Results for entries the filter hides change the list without a signal of the model.
    m_pFavorites->ScheduleSave();
    if (OnResultsTab())
        ui->cbIpRange->setFocus();
}

void v_main::OnSessionResult()
{
    ui->prgbarScanProgress->setValue(
        int(std::min<qint64>(m_pSession->ProcessedCount(), ui->prgbarScanProgress->maximum())));
    UpdateTexts();
}

void v_main::UpdateTexts()
{
    for (QAction *pAction : qAsConst(m_lScanLockedActions))
        pAction->setEnabled(!m_pSession->IsScanning());
    ui->b_scan->setText(m_pSession->IsScanning() ? tr("Stop") : tr("Scan", "button"));
    if (m_pScanAction)
        m_pScanAction->setText(m_pSession->IsScanning() ? tr("S&top scan") : tr("&Scan"));
    ui->pbPause->setText(m_pSession->IsPaused() ? tr("Resume") : tr("Pause"));
    if (m_pSession->IsPaused()) {
        ui->prgbarScanProgress->setFormat(tr("Scan paused..."));
        return;
    }
    // After the end the bar is empty: the line tells how the scan ended instead of "0%".
    QString sFormat = tr("%p%, %0 alive, %1 dead, %2 unknown");
    if (m_pSession->IsScanning()) {
        const qint64 nDone = m_pSession->ProcessedCount();
        const qint64 nRunningMs = m_pSession->RunningMs();
        QStringList lsTime{tr("%1 elapsed").arg(CScanTiming::Duration(nRunningMs))};
        const QString sRate = CScanTiming::PerSecond(nDone, nRunningMs, QLocale());
        if (!sRate.isEmpty())
            lsTime << tr("%1 hosts/s").arg(sRate);
        const qint64 nLeftMs = CScanTiming::LeftMs(nDone, m_pSession->TotalCount(), nRunningMs);
        if (nLeftMs >= 0)
            lsTime << tr("about %1 left").arg(CScanTiming::Duration(nLeftMs));
        // The markers of the counts are filled in below; the times carry none.
        sFormat += QStringLiteral(", ") + lsTime.join(QStringLiteral(", "));
    } else {
        const quint32 nTotal = m_pSession->TotalCount();
        switch (m_pSession->LastEnd()) {
        case CScanSession::EEnd::None:
            ui->prgbarScanProgress->setFormat(QString());
            return;
        case CScanSession::EEnd::Finished:
            sFormat = tr("Finished in %3 s: %0 alive, %1 dead, %2 unknown")
                          .replace(QLatin1String("%3"),
                                   QLocale().toString(m_pSession->ElapsedMs() / 1000.0, 'f', 1));
            break;
        case CScanSession::EEnd::Stopped:
            sFormat =
                tr("Stopped at %3%: %0 alive, %1 dead, %2 unknown")
                    .replace(QLatin1String("%3"),
                             QString::number(
                                 nTotal > 0 ? m_pSession->ProcessedCount() * 100 / nTotal : 0));
            break;
        }
    }
    sFormat.replace(QLatin1String("%0"), QString::number(m_pSession->AliveCount()))
        .replace(QLatin1String("%1"), QString::number(m_pSession->DeadCount()))
        .replace(QLatin1String("%2"), QString::number(m_pSession->UnknownCount()));
    ui->prgbarScanProgress->setFormat(sFormat);
}

void v_main::SetViewsLocked(bool i_fLocked)
{
    if (m_fViewsLocked == i_fLocked)
        return;
    m_fViewsLocked = i_fLocked;
    for (CMouseRightClickTableView *pView : {ui->tvResults, ui->tvFavorites}) {
        if (i_fLocked)
            pView->Lock();
        else
            pView->Unlock();
    }
}

void v_main::UpdateControls()
{
    const bool fIdle = !m_pSession->IsScanning();
    ui->tabMachineList->SetDragAndDropEnabled(fIdle);
    ui->act_scan_from_file->setEnabled(fIdle);
    ui->act_options->setEnabled(fIdle);
    ui->act_load->setEnabled(fIdle);
    ui->pbPause->setEnabled(m_pSession->IsScanning());
    ui->prgbarScanProgress->setEnabled(m_pSession->IsScanning() && !m_pSession->IsPaused());
    if (fIdle) {
        ui->prgbarScanProgress->setValue(0);
        ui->cbIpRange->setEnabled(OnResultsTab());
        SetViewsLocked(false);
        ui->tvFavorites->SetDragDropMode(QAbstractItemView::DropOnly);
    } else {
        ui->cbIpRange->setEnabled(false);
        SetViewsLocked(true);
        ui->tvFavorites->SetDragDropMode(QAbstractItemView::NoDragDrop);
        const quint32 nMax =
            std::min<quint32>(m_pSession->TotalCount(), std::numeric_limits<int>::max());
        if (ui->prgbarScanProgress->maximum() != int(nMax)
            || ui->prgbarScanProgress->minimum() != 0)
            ui->prgbarScanProgress->setRange(0, int(nMax));
    }
    ui->act_save->setEnabled(fIdle && ModelRows(CurrentView()) > 0);

    const QItemSelectionModel *pSelection = CurrentView()->selectionModel();
    const bool fSelection = pSelection && pSelection->hasSelection();
    for (QAction *pAction : qAsConst(m_lSelectionActions))
        pAction->setEnabled(fSelection);
    for (QPushButton *pButton : {ui->b_add_to_favorites, ui->b_save, ui->b_remove, ui->b_edit})
        pButton->setEnabled(fSelection);
    CheckScanButton();
}

void v_main::CheckScanButton()
{
    const bool fUsable = OnResultsTab() ? CRangeBoxText::IsUsable(ui->cbIpRange->currentText())
                                        : ModelRows(ui->tvFavorites) > 0;
    QLineEdit *pEdit = ui->cbIpRange->lineEdit();
    if (fUsable) {
        pEdit->setPalette(m_oNormalPalette);
    } else {
        QPalette oPalette = m_oNormalPalette;
        oPalette.setColor(QPalette::Text, Qt::red);
        pEdit->setPalette(oPalette);
    }
    // The button reads "Stop" while a scan runs and must stay usable whatever the text says.
    ui->b_scan->setEnabled(fUsable || m_pSession->IsScanning());
}

void v_main::UpdateHint()
{
    ui->lblIpRangeHelp->setText(OnResultsTab()
                                    ? tr("Example: 192.168.0.1-192.168.0.100, 192.168.0.200")
                                    : tr("\"Favorites\" list will be scanned"));
}

void v_main::UpdateRowActions()
{
    const bool fRows = ModelRows(CurrentView()) > 0;
    for (QAction *pAction : qAsConst(m_lRowActions))
        pAction->setEnabled(fRows);
}

void v_main::OnTabChanged()
{
    if (m_fCfgReceived && CurrentView()->isVisible() && !m_lpFittedViews.contains(CurrentView()))
        FitNameColumn(CurrentView());
    UpdateControls();
    UpdateRowActions();
    UpdateHint();
    if (OnResultsTab())
        ui->cbIpRange->setFocus();
}

void v_main::OnSelectionChanged()
{
    UpdateControls();
}

void v_main::OnModelLayoutChanged()
{
    UpdateRowActions();
    UpdateControls();
}

// ---- files: save, favorites ------------------------------------------------------------------

QString v_main::FavoritesFilePath()
{
    return CFavoritesController::FilePath();
}

void v_main::LoadFavoritesFile()
{
    m_pFavorites->LoadFile();
}

void v_main::OnProgramExit()
{
    m_pFavorites->SaveNow();
}

QString v_main::SaveRowsToFile(const QString &i_sPath, bool i_fSelectionOnly)
{
    return CFavoritesController::SaveRowsToFile(CurrentView(), i_sPath, i_fSelectionOnly);
}

void v_main::OnSaveAll()
{
    m_pFavorites->SaveRows(CurrentView(), false);
}

void v_main::on_b_save_clicked()
{
    m_pFavorites->SaveRows(CurrentView(), true);
}

void v_main::on_b_add_to_favorites_clicked()
{
    if (!OnResultsTab())
        return;
    const QList<CScanItem> lAdded = m_pFavorites->AddSelectedScanRows();
    if (!lAdded.isEmpty())
        ShowStatus(tr("Added to \"Favorites\": %1").arg(AddressList(lAdded)));
}

void v_main::on_b_remove_clicked()
{
    m_pFavorites->RemoveSelected();
    UpdateControls();
}

void v_main::on_b_load_favorites_clicked()
{
    m_pFavorites->ChooseAndImport();
}

bool v_main::ImportFavorites(const QString &i_sPath)
{
    return m_pFavorites->Import(i_sPath);
}

bool v_main::OnDropEvent(QDropEvent *i_pEvent, int i_nDropPage)
{
    bool fDropped = false;
    if (i_nDropPage == 1)
        m_pFavorites->Drop(i_pEvent, fDropped);
    UpdateControls();
    return fDropped;
}

void v_main::OnPasteData(const QByteArray &i_baData)
{
    m_pFavorites->Paste(i_baData);
}

// ---- Favorites editing and copying -----------------------------------------------------------

void v_main::on_b_add_to_favorites_new_clicked()
{
    m_pFavorites->NewEntry();
}

void v_main::on_b_edit_clicked()
{
    m_pFavorites->EditCurrent();
}
