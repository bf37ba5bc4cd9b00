// SPDX-License-Identifier: GPL-3.0-or-later
#include "CGuiProgram.h"

#include "CCfg.h"
#include "CDesktopNotifier.h"
#include "CDeviceHistory.h"
#include "CHostActions.h"
#include "CIpList.h"
#include "CKeyReleaseEmitFilter.h"
#include "CKeychainPasswordStore.h"
#include "CLocalizations.h"
#include "CNetAccountSecret.h"
#include "CScanInventory.h"
#include "CScanItem.h"
#include "CScanResult.h"
#include "EOrtavoCommand.h"
#include "GuiLog.h"
#include "MCfg.h"
#include "MIpMacDataStorage.h"
#include "MRemoteShutdown.h"
#include "MScanSrcDataHistory.h"
#include "MScanner.h"
#include "MWol.h"
#include "VOrtavoConnectOptions.h"
#include "VRemoteShutdown.h"
#include "VResultsBackend.h"
#include "v_main.h"
#include "v_options.h"

#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QTreeView>

void CGuiProgram::TThreadStopper::operator()(QThread *i_pThread) const
{
    i_pThread->quit();
    i_pThread->wait();
    delete i_pThread;
}

void CGuiProgram::SetIdentity()
{
    QCoreApplication::setOrganizationName(QStringLiteral("brenmark"));
    QCoreApplication::setApplicationName(QStringLiteral("vistrel"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("brenmark.example"));
}

void CGuiProgram::RegisterMetaTypes()
{
    qRegisterMetaType<CScanResult>("CScanResult");
    qRegisterMetaType<QList<CScanItem> *>("QList<CScanItem>*");
    qRegisterMetaType<CIpList>("CIpList");
    qRegisterMetaType<CCfg>("CCfg");
    qRegisterMetaType<CShutdownQuery::TParamsPtr>("CShutdownQuery::TParamsPtr");
    qRegisterMetaType<EOrtavoCommand>("EOrtavoCommand");
    qRegisterMetaType<CInventoryEvents>("CInventoryEvents");
}

CGuiProgram::CGuiProgram()
{
    // Before any widget exists, so that every one is built in the chosen language.
    CLocalizations::instance()->SetLocale();
    m_pCfg = std::make_unique<MCfg>();
    m_pScanner = std::make_unique<MScanner>();
    MIpMacDataStorage::Instance()->Load(MIpMacDataStorage::DefaultPath());

    m_pWolThread.reset(new QThread);
    m_pWolThread->setObjectName(QStringLiteral("WakeOnLanThread"));
    m_pWolThread->start(QThread::InheritPriority);
    m_pWol = new MWol;
    m_pWol->setObjectName(QStringLiteral("MWol"));
    m_pWol->moveToThread(m_pWolThread.get());
    QObject::connect(m_pWolThread.get(), &QThread::finished, m_pWol, &QObject::deleteLater);

    m_pShutdownThread.reset(new QThread);
    m_pShutdownThread->setObjectName(QStringLiteral("ShutdownThread"));
    m_pShutdownThread->start(QThread::InheritPriority);
    m_pShutdown = new MRemoteShutdown;
    m_pShutdown->setObjectName(QStringLiteral("MRemoteShutdown"));
    m_pShutdown->moveToThread(m_pShutdownThread.get());
    QObject::connect(
        m_pShutdownThread.get(), &QThread::finished, m_pShutdown, &QObject::deleteLater);

    m_pMainWindow = std::make_unique<v_main>();

    using TSlot = void (v_main::*)(bool &);
    const std::array<std::pair<int, TSlot>, kKeyFilterCount> aKeys = {{
        {Qt::Key_Return, &v_main::OnEnterPressed},
        {Qt::Key_Enter, &v_main::OnEnterPressed},
        {Qt::Key_Escape, &v_main::OnEscPressed},
        {Qt::Key_F1, qOverload<bool &>(&v_main::OnContents)},
        {Qt::Key_Insert, &v_main::OnInsPressed},
        {Qt::Key_Delete, &v_main::OnDelPressed},
        {Qt::Key_Menu, &v_main::OnContextPressed},
    }};
    for (size_t i = 0; i < aKeys.size(); ++i) {
        // Help answers in every window of the program; the other keys only in the main window.
        QWidget *pWindow = aKeys[i].first == Qt::Key_F1 ? nullptr : m_pMainWindow.get();
        m_apKeyFilters[i] = std::make_unique<CKeyReleaseEmitFilter>(aKeys[i].first, qApp, pWindow);
        qApp->installEventFilter(m_apKeyFilters[i].get());
        v_main *pMain = m_pMainWindow.get();
        const auto pSlot = aKeys[i].second;
        m_apKeyFilters[i]->SetHandler([pMain, pSlot]() {
            bool fProcessed = false;
            (pMain->*pSlot)(fProcessed);
            return fProcessed;
        });
    }

    m_pScanModel =
        std::make_unique<VResultsBackend>(qApp, VResultsBackend::kScanColumnCount, false);
    m_pFavoritesModel =
        std::make_unique<VResultsBackend>(qApp, VResultsBackend::kFavoritesColumnCount, true);
    m_pScanModel->AddHistoryColumns();
    m_pScanModel->AddVendorColumn();
    m_pMainWindow->SetModels(m_pScanModel.get(), m_pFavoritesModel.get());
    // The history and vendor columns are off until the user turns them on in the column menu; a
    // stored choice, applied later, wins.
    if (auto *pResults = m_pMainWindow->findChild<QTreeView *>(QStringLiteral("tvResults"))) {
        for (int i = 0; i < VResultsBackend::kHistoryColumnCount; ++i)
            pResults->header()->setSectionHidden(m_pScanModel->FirstHistoryColumn() + i, true);
        pResults->header()->setSectionHidden(m_pScanModel->VendorColumn(), true);
    }
    MakeModelConnections();
    MakeDialogs();
    MakeScanConnections();
    MakeInventory();
}

void CGuiProgram::MakeDialogs()
{
    v_main *pWindow = m_pMainWindow.get();
    MCfg *pCfg = m_pCfg.get();

    m_pOptions = std::make_unique<v_options>(pWindow);
    QObject::connect(pWindow, &v_main::ActionOptions, m_pOptions.get(), &QWidget::show);
    QObject::connect(
        pWindow, &v_main::LanguageChanged, m_pOptions.get(), &v_options::OnLanguageChanged);
    QObject::connect(m_pOptions.get(), &v_options::CfgChanged, pCfg, &MCfg::RequestCfgBroadcast);

    m_pHistory = std::make_unique<MScanSrcDataHistory>(qApp);
    pWindow->SetScanHistory(m_pHistory.get());
    QObject::connect(pWindow,
                     &v_main::ScanSrcDataWasUsed,
                     m_pHistory.get(),
                     &MScanSrcDataHistory::OnScanSrcDataWasUsed);

    m_pConnectOptions = std::make_unique<VOrtavoConnectOptions>(pWindow);
    VOrtavoConnectOptions *pConnect = m_pConnectOptions.get();
    QObject::connect(pCfg, &MCfg::EmitCfg, pConnect, &VOrtavoConnectOptions::AssignCfg);
    CHostActions *pActions = &pWindow->HostActions();
    QObject::connect(pActions,
                     &CHostActions::OrtavoConnectOptionsRequested,
                     pConnect,
                     &VOrtavoConnectOptions::DisplayUi);
    QObject::connect(pConnect,
                     &VOrtavoConnectOptions::OptionsSpecified,
                     pActions,
                     &CHostActions::OrtavoConnectCustomOptions);
    QObject::connect(
        pWindow, &v_main::LanguageChanged, pConnect, &VOrtavoConnectOptions::OnLanguageChanged);

    m_pPasswordStore = std::make_unique<CKeychainPasswordStore>(QStringLiteral("vistrel"));
    // The account's password is in the session before the first scan can start.
    m_pAccountSecret = std::make_unique<CNetAccountSecret>(m_pPasswordStore.get());
    m_pAccountSecret->Load(pCfg->Cfg());
    m_pOptions->UseAccountSecret(m_pAccountSecret.get());
    m_pShutdownOptions = std::make_unique<VRemoteShutdown>(m_pPasswordStore.get(), pWindow);
    VRemoteShutdown *pShutdown = m_pShutdownOptions.get();
    QObject::connect(pCfg, &MCfg::EmitCfg, pShutdown, &VRemoteShutdown::AssignCfg);
    QObject::connect(pCfg, &MCfg::EmitCfg, m_pOptions.get(), &v_options::OnCfg);
    QObject::connect(
        pWindow, &v_main::LanguageChanged, pShutdown, &VRemoteShutdown::OnLanguageChanged);
    QObject::connect(
        pActions, &CHostActions::ShutdownRequested, pShutdown, &VRemoteShutdown::DisplayUi);
    QObject::connect(
        pShutdown, &VRemoteShutdown::ShutdownSpecified, pActions, &CHostActions::DoRemoteShutdown);
    // The scanner probes with the settings it was last handed: a password that arrives from the
    // store after the start, or an account confirmed in the shutdown dialog, is handed on too.
    QObject::connect(
        m_pAccountSecret.get(), &CNetAccountSecret::EmitLoaded, pCfg, &MCfg::RequestCfgBroadcast);
    QObject::connect(
        pShutdown, &VRemoteShutdown::ShutdownSpecified, pCfg, &MCfg::RequestCfgBroadcast);
}

void CGuiProgram::MakeModelConnections()
{
    v_main *pWindow = m_pMainWindow.get();
    VResultsBackend *pScan = m_pScanModel.get();
    VResultsBackend *pFavorites = m_pFavoritesModel.get();
    QObject::connect(pFavorites, &VResultsBackend::SelectRow, pWindow, &v_main::OnSelectTableRow);
    for (VResultsBackend *pModel : {pScan, pFavorites}) {
        QObject::connect(
            pModel, &VResultsBackend::SaveSelection, pWindow, &v_main::OnSaveSelection);
        QObject::connect(
            pModel, &VResultsBackend::RestoreSelection, pWindow, &v_main::OnRestoreSelection);
        QObject::connect(
            pModel, &VResultsBackend::ClearSelection, pWindow, &v_main::OnClearSelection);
    }
    QObject::connect(pWindow, &v_main::ClearScanData, pScan, &VResultsBackend::OnClearData);
    QObject::connect(
        pWindow, &v_main::ClearFavoritesData, pFavorites, &VResultsBackend::OnClearData);
}

void CGuiProgram::MakeScanConnections()
{
    v_main *pWindow = m_pMainWindow.get();
    MScanner *pScanner = m_pScanner.get();
    QObject::connect(pScanner, &MScanner::EmitResult, pWindow, &v_main::OnScanResult);
    QObject::connect(pWindow, &v_main::EmitScan, pScanner, &MScanner::OnScan);
    QObject::connect(pWindow, &v_main::EmitPauseRequest, pScanner, &MScanner::OnPause);
    QObject::connect(pScanner, &MScanner::EmitScanEnd, pWindow, &v_main::OnScanEnd);
    // The scanner takes a new configuration before the window, so a scan started from the first
    // shown window already runs with the stored settings.
    QObject::connect(m_pCfg.get(), &MCfg::EmitCfg, pScanner, &MScanner::OnCfg);
    QObject::connect(m_pCfg.get(), &MCfg::EmitCfg, m_pHistory.get(), &MScanSrcDataHistory::OnCfg);
    QObject::connect(m_pCfg.get(), &MCfg::EmitCfg, pWindow, &v_main::OnCfg);
    // Queued: both workers live on threads of their own.
    CHostActions *pActions = &pWindow->HostActions();
    QObject::connect(pActions, &CHostActions::EmitWakeOnLan, m_pWol, &MWol::OnWakeOnLan);
    QObject::connect(
        pActions, &CHostActions::EmitShutdownAbort, m_pShutdown, &MRemoteShutdown::OnShutdownAbort);
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, pWindow, &v_main::OnProgramExit);
}

void CGuiProgram::MakeInventory()
{
    v_main *pWindow = m_pMainWindow.get();
    // Empty: the recorder names the site after this machine.
    m_pInventory = std::make_unique<CScanInventory>();
    CScanInventory *pInventory = m_pInventory.get();
    QObject::connect(m_pCfg.get(), &MCfg::EmitCfg, pInventory, &CScanInventory::OnCfg);
    QObject::connect(pWindow, &v_main::EmitScan, pInventory, &CScanInventory::OnScanRequested);
    QObject::connect(
        m_pScanner.get(), &MScanner::EmitResult, pInventory, &CScanInventory::OnScanResult);
    m_pDeviceHistory = std::make_unique<CDeviceHistory>(pInventory, pWindow);
    CDeviceHistory *pHistory = m_pDeviceHistory.get();
    pWindow->HostActions().SetHostMenuHook([pHistory](QMenu *io_pMenu, const CScanResult &i_oHost) {
        pHistory->AddEntries(io_pMenu, i_oHost);
    });
    VResultsBackend *pScanModel = m_pScanModel.get();
    QObject::connect(pInventory,
                     &CScanInventory::Recorded,
                     pScanModel,
                     [pInventory, pScanModel](CInventoryEvents i_lEvents) {
                         pScanModel->SetHostHistory(pInventory->HostHistory(i_lEvents));
                     });
    m_pNotifier = std::make_unique<CDesktopNotifier>();
    QObject::connect(
        pInventory, &CScanInventory::Recorded, m_pNotifier.get(), &CDesktopNotifier::OnEvents);
    QObject::connect(pInventory,
                     &CScanInventory::RecordFailed,
                     m_pNotifier.get(),
                     &CDesktopNotifier::OnRecordFailed);
}

void CGuiProgram::Start()
{
    m_pMainWindow->SetInitialColumnWidths();
    m_pMainWindow->LoadFavoritesFile();
    m_pCfg->RequestCfgBroadcast();
    m_pScanModel->ProvideAllData();
    m_pFavoritesModel->ProvideAllData();
}

void CGuiProgram::Stop()
{
    if (m_fStopped)
        return;
    m_fStopped = true;
    m_pScanner->StopAll();
    // Ended here rather than with the process, so that nothing runs while objects go away.
    m_pShutdownThread.reset();
    m_pWolThread.reset();
    m_pWol = nullptr;
    m_pShutdown = nullptr;
}

CGuiProgram::~CGuiProgram()
{
    Stop();
    m_pNotifier.reset();
    m_pDeviceHistory.reset();
    m_pInventory.reset();
    m_pShutdownOptions.reset();
    m_pPasswordStore.reset();
    m_pConnectOptions.reset();
    m_pHistory.reset();
    m_pOptions.reset();
    m_pFavoritesModel.reset();
    m_pScanModel.reset();
    for (auto it = m_apKeyFilters.rbegin(); it != m_apKeyFilters.rend(); ++it)
        it->reset();
    m_pMainWindow.reset();
    m_pScanner.reset();
    qCDebug(lcGui) << "windowed program objects destroyed";
}
