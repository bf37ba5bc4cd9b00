// SPDX-License-Identifier: GPL-3.0-or-later
#include "CHostScan.h"

#include "CHostNaming.h"
#include "CHttpProbe.h"
#include "CLivenessProbes.h"
#include "CLivenessSweep.h"
#include "CNetBiosNodeStatus.h"
#include "CNetBiosScanStep.h"
#include "CNetResourceProbe.h"
#include "COrtavoProbe.h"
#include "CThreadHandOff.h"
#include "INetResources.h"
#include "MScanFtp.h"

#include <QThread>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace {

bool StopRequested()
{
    return QThread::currentThread()->isInterruptionRequested();
}

constexpr uint kProbeStackBytes = 1024 * 1024;

// A host's service probes, each in two halves: the question runs on a thread of its own, at
// the same time as the others', and keeps its answer; the answers are written into the result
// afterwards on the worker, in the order the probes were added.
class CHostProbeSteps final
{
public:
    CHostProbeSteps() = default;
    CHostProbeSteps(const CHostProbeSteps &) = delete;
    CHostProbeSteps &operator=(const CHostProbeSteps &) = delete;
    ~CHostProbeSteps() { WaitAll(); }

    // A probe that asks at once.
    void Add(std::function<void()> i_fnAsk, std::function<void(CScanResult &)> i_fnApply)
    {
        Start(AddLater(std::move(i_fnApply)), std::move(i_fnAsk));
    }

    // A probe whose question is known later (Start()); one never started is not applied.
    int AddLater(std::function<void(CScanResult &)> i_fnApply)
    {
        m_vSteps.emplace_back();
        m_vSteps.back().fnApply = std::move(i_fnApply);
        return static_cast<int>(m_vSteps.size()) - 1;
    }

    void Start(int i_nStep, std::function<void()> i_fnAsk)
    {
        TStep &oStep = m_vSteps.at(static_cast<size_t>(i_nStep));
        oStep.fnAsk = std::move(i_fnAsk);
        auto pfAsked = oStep.pfAsked;
        const std::function<void()> fnAsk = oStep.fnAsk;
        oStep.pThread.reset(QThread::create([fnAsk, pfAsked] {
            fnAsk();
            // Qt's own lock orders the answer before wait() returns, out of TSan's sight.
            CThreadHandOff::Release(pfAsked.get());
            pfAsked->store(true, std::memory_order_release);
        }));
        oStep.pThread->setObjectName(QStringLiteral("host probe"));
        // Eight of these per worker (one more for each extra web port): the system's default 8 MiB
        // each would be gigabytes of address space for a full pool. A probe's deepest stack (a TLS
        // handshake, a 16 KiB read buffer) is a small part of this.
        oStep.pThread->setStackSize(kProbeStackBytes);
        oStep.pThread->start(QThread::InheritPriority);
    }

    // Waits for one step's question, asked or not yet started (then it never is).
    void Wait(int i_nStep) { WaitFor(m_vSteps.at(static_cast<size_t>(i_nStep))); }

    // Waits for every question asked, then writes the answers in order.
    void ApplyAll(CScanResult &io_oResult)
    {
        WaitAll();
        for (TStep &oStep : m_vSteps) {
            if (oStep.fnAsk)
                oStep.fnApply(io_oResult);
        }
    }

private:
    struct TStep
    {
        std::function<void()> fnAsk;
        std::function<void(CScanResult &)> fnApply;
        std::unique_ptr<QThread> pThread;
        std::shared_ptr<std::atomic<bool>> pfAsked = std::make_shared<std::atomic<bool>>(false);
    };

    void WaitAll()
    {
        for (TStep &oStep : m_vSteps)
            WaitFor(oStep);
    }

    static void WaitFor(TStep &io_oStep)
    {
        if (!io_oStep.pThread)
            return;
        io_oStep.pThread->wait();
        io_oStep.pThread.reset();
        CThreadHandOff::Acquire(io_oStep.pfAsked.get());
        // A thread the system would not give asks here instead.
        if (!io_oStep.pfAsked->load(std::memory_order_acquire)) {
            io_oStep.fnAsk();
            io_oStep.pfAsked->store(true, std::memory_order_relaxed);
        }
    }

    std::vector<TStep> m_vSteps;
};

} // namespace

CHostScan::CHostScan(const CCfg &i_oCfg)
    : m_oCfg(i_oCfg)
{
}

void CHostScan::FindName(CScanResult &io_oResult,
                         const TProbeTimeouts &i_oTimeouts,
                         CSnmpName::CQuery &io_oSnmp,
                         const std::function<QString()> &i_fnHostsOwnName) const
{
    // Reverse DNS has run with the liveness probes; the zeroconf name table and then SNMP
    // sysName are asked only when it gave no name, and an SNMP name replaces a zeroconf one;
    // the host's own answer counts only when both gave nothing.
    CHostNaming::NameFromDiscovery(io_oResult, i_oTimeouts, &io_oSnmp, i_fnHostsOwnName);
}

void CHostScan::UseSweep(std::shared_ptr<CLivenessSweep> i_pSweep)
{
    m_pSweep = std::move(i_pSweep);
}

bool CHostScan::LivenessOnly()
{
    static const bool s_fOnly = qEnvironmentVariable("VISTREL_LIVENESS_ONLY") == QLatin1String("1");
    return s_fOnly;
}

void CHostScan::Run(CScanResult &io_oResult) const
{
    // What liveness learnt of the path sets the waits of every later probe.
    TProbeTimeouts oTimeouts =
        TProbeTimeouts::For(m_oCfg.high_accuracy(), TProbeTimeouts::EPath::Unknown, -1);
    // The SNMP name query is on its way while reverse DNS runs; its answer counts only when
    // reverse DNS gives no name, as if it had been asked afterwards.
    std::optional<CSnmpName::CQuery> ooSnmp;
    ooSnmp.emplace();
    if (!StopRequested()) {
        CLivenessProbes oLiveness;
        oLiveness.UseSweep(m_pSweep);
        oLiveness.Run(io_oResult, m_oCfg.high_accuracy(), false);
        oTimeouts = oLiveness.Timeouts(m_oCfg.high_accuracy());
        if (io_oResult.IsAlive()) {
            if (!LivenessOnly())
                ooSnmp->Start(io_oResult.ip());
            oLiveness.ReverseDns(io_oResult);
        }
    }
    if (LivenessOnly() || StopRequested() || !io_oResult.IsAlive())
        return;

    // The service probes that need only the address ask while the name is sought; those that
    // need the name start when it is known. Each writes its own fields only, and none reads
    // another's, so applying them afterwards in the fixed order gives the record asking one
    // after the other would: the host costs its longest wait, not the sum of them.
    CHostProbeSteps oSteps;
    const quint32 nIp = io_oResult.ip();
    // The host's own name for its address is asked now, beside SNMP, though it is taken only
    // when every other source gave nothing: its wait then overlaps theirs.
    std::function<QString()> fnHostsOwnName;
    if (CHostNaming::NameIsMissing(io_oResult)) {
        auto psOwnName = std::make_shared<QString>();
        const int nStep = oSteps.AddLater([](CScanResult &) {});
        oSteps.Start(nStep, [=] { *psOwnName = CHostNaming::MdnsName(nIp); });
        fnHostsOwnName = [&oSteps, nStep, psOwnName] {
            oSteps.Wait(nStep);
            return *psOwnName;
        };
    }
    if (m_oCfg.scan_http()) {
        auto pAnswer = std::make_shared<CHttpProbe::TAnswer>();
        oSteps.Add([=] { *pAnswer = CHttpProbe::AskHttp(nIp, oTimeouts); },
                   [=](CScanResult &io_o) { CHttpProbe::ApplyHttp(*pAnswer, io_o); });
    }
    if (m_oCfg.scan_https()) {
        auto pAnswer = std::make_shared<CHttpProbe::TAnswer>();
        oSteps.Add([=] { *pAnswer = CHttpProbe::AskHttps(nIp, oTimeouts); },
                   [=](CScanResult &io_o) { CHttpProbe::ApplyHttps(*pAnswer, io_o); });
    }
    // Web servers on the other ports the settings list, each asked as port 80 is.
    const QList<CCfg::TWebPort> lWebPorts = m_oCfg.web_ports();
    for (int i = 0; i < lWebPorts.size(); ++i) {
        const CCfg::TWebPort oPort = lWebPorts.at(i);
        auto pAnswer = std::make_shared<CHttpProbe::TAnswer>();
        oSteps.Add(
            [=] { *pAnswer = CHttpProbe::AskPort(nIp, oPort.nPort, oPort.fHttps, oTimeouts); },
            [=](CScanResult &io_o) {
                QList<CScanResult::TWebServer> lServers =
                    i == 0 ? QList<CScanResult::TWebServer>() : io_o.web_servers();
                if (pAnswer->fOk)
                    lServers << CScanResult::TWebServer{oPort.nPort, oPort.fHttps, pAnswer->sTitle};
                io_o.set_web_servers(lServers);
            });
    }
    // Shares and the logged-on user need a name; where the platform addresses the host by its
    // address they ask now all the same, and the name naming leaves decides whether the
    // answer is kept.
    INetResources &oNet = INetResources::Instance();
    const bool fAskEarly = !oNet.NeedsServerName();
    const QString sEarlyName =
        io_oResult.name().trimmed().isEmpty() ? io_oResult.IpText() : io_oResult.name();
    const INetResources::TCredentials oCredentials = m_oCfg.net_account();
    auto polsShares = std::make_shared<std::optional<QStringList>>();
    const auto fnAskShares = [=, &oNet](const QString &i_sName) {
        return [=, &oNet] {
            *polsShares =
                CNetResourceProbe::AskShares({i_sName, nIp, oCredentials, oTimeouts}, oNet);
        };
    };
    int nSharesStep = -1;
    if (m_oCfg.scan_shares()) {
        nSharesStep = oSteps.AddLater([=](CScanResult &io_o) {
            if (!io_o.name().trimmed().isEmpty() && *polsShares)
                io_o.set_shares(**polsShares);
        });
        if (fAskEarly)
            oSteps.Start(nSharesStep, fnAskShares(sEarlyName));
    }
    if (m_oCfg.scan_ftp()) {
        auto pfFtp = std::make_shared<bool>(false);
        const bool fHighAccuracy = m_oCfg.high_accuracy();
        oSteps.Add([=] { *pfFtp = MScanFtp::Answers(nIp, fHighAccuracy); },
                   [=](CScanResult &io_o) { io_o.set_has_ftp(*pfFtp); });
    }
    if (m_oCfg.scan_netbios()) {
        auto pfFound = std::make_shared<bool>(false);
        auto pStatus = std::make_shared<CNetBiosNodeStatus>();
        const CNetBiosScanStep oNetBios(m_oCfg);
        oSteps.Add([=] { *pfFound = oNetBios.Ask(nIp, *pStatus); },
                   [=](CScanResult &io_o) {
                       if (*pfFound)
                           CNetBiosScanStep::Apply(*pStatus, io_o);
                   });
    }
    auto posUser = std::make_shared<std::optional<QString>>();
    const auto fnAskUser = [=, &oNet](const QString &i_sName) {
        return [=, &oNet] {
            *posUser = CNetResourceProbe::AskUser({i_sName, nIp, oCredentials, oTimeouts}, oNet);
        };
    };
    int nUserStep = -1;
    if (m_oCfg.scan_username()) {
        nUserStep = oSteps.AddLater([=](CScanResult &io_o) {
            if (!io_o.name().trimmed().isEmpty() && *posUser)
                io_o.set_user(**posUser);
        });
        if (fAskEarly)
            oSteps.Start(nUserStep, fnAskUser(sEarlyName));
    }
    const QList<int> lnOrtavoPorts = m_oCfg.ortavo_ports();
    if (!lnOrtavoPorts.isEmpty()) {
        auto plnOpen = std::make_shared<QList<qint32>>();
        oSteps.Add([=] { *plnOpen = COrtavoProbe::OpenPorts(nIp, lnOrtavoPorts, oTimeouts); },
                   [=](CScanResult &io_o) { io_o.set_ortavo_ports(*plnOpen); });
    }

    FindName(io_oResult, oTimeouts, *ooSnmp, fnHostsOwnName);
    // Its socket is closed now rather than held while the service probes end.
    ooSnmp.reset();
    if (!fAskEarly && !StopRequested()) {
        const QString sName = io_oResult.name();
        if (nSharesStep >= 0)
            oSteps.Start(nSharesStep, fnAskShares(sName));
        if (nUserStep >= 0)
            oSteps.Start(nUserStep, fnAskUser(sName));
    }
    oSteps.ApplyAll(io_oResult);
}
