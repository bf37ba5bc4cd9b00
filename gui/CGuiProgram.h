// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QThread>

#include <array>
#include <memory>

class CDesktopNotifier;
class CDeviceHistory;
class CKeyReleaseEmitFilter;
class CNetAccountSecret;
class CScanInventory;
class IPasswordStore;
class MCfg;
class MRemoteShutdown;
class MScanSrcDataHistory;
class MScanner;
class MWol;
class QApplication;
class QObject;
class VOrtavoConnectOptions;
class VRemoteShutdown;
class VResultsBackend;
class v_main;
class v_options;

// The windowed program's objects and their wiring. The constructor builds every long-lived object
// in a fixed order and makes every connection between them; no object finds another in any other
// way. Members are declared in creation order, so destruction runs in reverse.
//
// Main thread only; the application object must exist first and outlive this object. Start()
// asks for the first configuration broadcast, which makes the main window show itself.
class CGuiProgram final
{
public:
    static constexpr int kKeyFilterCount = 7;

    // Settings identity and meta types: before any settings access or connection.
    static void SetIdentity();
    static void RegisterMetaTypes();

    CGuiProgram();
    ~CGuiProgram();
    CGuiProgram(const CGuiProgram &) = delete;
    CGuiProgram &operator=(const CGuiProgram &) = delete;

    void Start();
    // Ends the scan workers and the two service threads; the destructor does it too.
    void Stop();

    MCfg &Cfg() const { return *m_pCfg; }
    MScanner &Scanner() const { return *m_pScanner; }
    v_main &MainWindow() const { return *m_pMainWindow; }
    VResultsBackend &ScanModel() const { return *m_pScanModel; }
    VResultsBackend &FavoritesModel() const { return *m_pFavoritesModel; }
    CKeyReleaseEmitFilter &KeyFilter(int i_nIndex) const
    {
        return *m_apKeyFilters.at(size_t(i_nIndex));
    }
    QThread &WakeOnLanThread() const { return *m_pWolThread; }
    QThread &ShutdownThread() const { return *m_pShutdownThread; }
    MWol *WakeOnLanSender() const { return m_pWol; }
    MRemoteShutdown *ShutdownCoordinator() const { return m_pShutdown; }
    v_options &OptionsDialog() const { return *m_pOptions; }
    MScanSrcDataHistory &History() const { return *m_pHistory; }
    VOrtavoConnectOptions &ConnectOptionsDialog() const { return *m_pConnectOptions; }
    VRemoteShutdown &ShutdownOptionsDialog() const { return *m_pShutdownOptions; }
    CScanInventory &Inventory() const { return *m_pInventory; }
    CDeviceHistory &DeviceHistory() const { return *m_pDeviceHistory; }

private:
    struct TThreadStopper
    {
        void operator()(QThread *i_pThread) const;
    };
    using TThreadPtr = std::unique_ptr<QThread, TThreadStopper>;

    void MakeModelConnections();
    void MakeDialogs();
    void MakeScanConnections();
    void MakeInventory();

    std::unique_ptr<MCfg> m_pCfg;
    std::unique_ptr<MScanner> m_pScanner;
    TThreadPtr m_pWolThread;
    MWol *m_pWol = nullptr; // lives on m_pWolThread, deleted when it finishes
    TThreadPtr m_pShutdownThread;
    MRemoteShutdown *m_pShutdown = nullptr;
    std::unique_ptr<v_main> m_pMainWindow;
    std::array<std::unique_ptr<CKeyReleaseEmitFilter>, kKeyFilterCount> m_apKeyFilters;
    std::unique_ptr<VResultsBackend> m_pScanModel;
    std::unique_ptr<VResultsBackend> m_pFavoritesModel;
    // The dialogs are children of the main window, destroyed here before it.
    std::unique_ptr<v_options> m_pOptions;
    std::unique_ptr<MScanSrcDataHistory> m_pHistory;
    std::unique_ptr<VOrtavoConnectOptions> m_pConnectOptions;
    // The shutdown dialog keeps its password here, never in the settings.
    std::unique_ptr<IPasswordStore> m_pPasswordStore;
    std::unique_ptr<CNetAccountSecret> m_pAccountSecret;
    std::unique_ptr<VRemoteShutdown> m_pShutdownOptions;
    std::unique_ptr<CScanInventory> m_pInventory;
    // Its dialog is a child of the main window, destroyed here before it.
    std::unique_ptr<CDeviceHistory> m_pDeviceHistory;
    std::unique_ptr<CDesktopNotifier> m_pNotifier;
    bool m_fStopped = false;
};
