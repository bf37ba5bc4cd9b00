// SPDX-License-Identifier: GPL-3.0-or-later
#include "CLivenessSweep.h"

#include "CCfg.h"
#include "EngineLog.h"

#include <QThread>

#include <algorithm>
#include <deque>

namespace {

using namespace std::chrono_literals;

// A reply read by the sweep's thread a moment after the wait ended still counts; the worker
// waits that moment longer before it takes silence for an answer.
constexpr auto kGrace = 20ms;
// After a stall (a busy machine, a full window) the sweep goes on at its rate instead of
// sending everything it is behind in one burst.
constexpr auto kMaxLag = 20ms;
constexpr auto kIdlePoll = 10ms;
// Waits for an address the sweep has not reached yet are cut into slices, so that a stop
// order is seen in time.
constexpr auto kWaitSlice = 50ms;
constexpr std::size_t kRepliesPerRound = 512;

} // namespace

CLivenessSweep::CLivenessSweep(const CIpList &i_oScope,
                               int i_nArpTimeoutMs,
                               int i_nEchoTimeoutMs,
                               TPace i_oPace,
                               std::unique_ptr<ISweepTransport> i_pTransport)
    : m_oScope(i_oScope)
    , m_nArpTimeoutMs(std::max(0, i_nArpTimeoutMs))
    , m_nEchoTimeoutMs(std::max(0, i_nEchoTimeoutMs))
    , m_nRatePerSecond(std::clamp(i_oPace.nPerSecond, 1, 1000000))
    , m_nBurst(std::clamp(i_oPace.nBurst, 0, 1000000))
    , m_nPeakPerSecond(std::clamp(i_oPace.nPeakPerSecond, m_nRatePerSecond, 1000000))
    , m_pTransport(std::move(i_pTransport))
{
    m_oScope.Detach();
}

CLivenessSweep::~CLivenessSweep()
{
    Stop();
}

static_assert(CCfg::kDefaultSweepRate == CLivenessSweep::kDefaultRatePerSecond,
              "the setting's default is the sweep's default pace");

std::shared_ptr<CLivenessSweep> CLivenessSweep::StartFor(const CIpList &i_oScope,
                                                         int i_nArpTimeoutMs,
                                                         int i_nEchoTimeoutMs,
                                                         int i_nRatePerSecond)
{
    if (qEnvironmentVariable("VISTREL_SWEEP") == QLatin1String("0") || i_oScope.Count() == 0)
        return nullptr;
    const TPace oPace = i_nRatePerSecond > 0 && i_nRatePerSecond != kDefaultRatePerSecond
                            ? TPace(i_nRatePerSecond)
                            : TPace(kDefaultRatePerSecond, kDefaultBurst, kDefaultPeakPerSecond);
    auto pSweep = std::make_shared<CLivenessSweep>(
        i_oScope, i_nArpTimeoutMs, i_nEchoTimeoutMs, oPace, ISweepTransport::Create());
    pSweep->Start();
    return pSweep;
}

void CLivenessSweep::Start()
{
    if (m_oThread.joinable())
        return;
    m_oThread = std::thread([this] { Loop(); });
}

void CLivenessSweep::Stop()
{
    m_fStop = true;
    if (m_oThread.joinable())
        m_oThread.join();
    const std::lock_guard<std::mutex> oLocker(m_oLock);
    m_fDone = true;
    WakeAll();
}

bool CLivenessSweep::IsDone() const
{
    const std::lock_guard<std::mutex> oLocker(m_oLock);
    return m_fDone;
}

void CLivenessSweep::WakeAll()
{
    for (const TEntry &rEntry : qAsConst(m_hEntries)) {
        if (rEntry.pWaiter)
            rEntry.pWaiter->notify_all();
    }
}

void CLivenessSweep::Loop()
{
    qCDebug(lcEngine) << "liveness sweep of" << m_oScope.Count() << "addresses at"
                      << m_nRatePerSecond << "requests per second, bursts of" << m_nBurst << "at"
                      << m_nPeakPerSecond;
    if (!m_pTransport->Open()) {
        qCInfo(lcEngine) << "liveness sweep unavailable; workers ask each host themselves";
        const std::lock_guard<std::mutex> oLocker(m_oLock);
        m_fDone = true;
        WakeAll();
        return;
    }
    const auto tInterval = std::chrono::duration_cast<TClock::duration>(
        std::chrono::nanoseconds(1000000000LL / m_nRatePerSecond));
    const auto tPeakInterval = std::chrono::duration_cast<TClock::duration>(
        std::chrono::nanoseconds(1000000000LL / m_nPeakPerSecond));
    // The steady clock may lag this far behind, which is the bucket's depth; it starts full.
    const TClock::duration tBurstLead = std::max<TClock::duration>(tInterval * m_nBurst, kMaxLag);
    const TClock::time_point tStart = TClock::now();
    TClock::time_point tNextSend = tStart - tBurstLead;
    TClock::time_point tNextPeak = tStart;
    TClock::time_point tLastEnd = tStart;
    // Second ARP requests, in the order their time comes.
    std::deque<std::pair<TClock::time_point, quint32>> dResends;
    std::vector<ISweepTransport::TReply> vReplies;
    bool fMore = true;
    while (!m_fStop) {
        TClock::time_point tNow = TClock::now();
        if (tNextSend + tBurstLead < tNow)
            tNextSend = tNow - tBurstLead;
        if (tNextPeak + kMaxLag < tNow)
            tNextPeak = tNow - kMaxLag;
        bool fWindowFull = false;
        while (tNow >= tNextSend && tNow >= tNextPeak && !m_fStop) {
            if (!dResends.empty() && dResends.front().first <= tNow) {
                const quint32 nIp = dResends.front().second;
                dResends.pop_front();
                bool fAnswered = true;
                {
                    const std::lock_guard<std::mutex> oLocker(m_oLock);
                    const auto it = m_hEntries.constFind(nIp);
                    fAnswered = it == m_hEntries.constEnd() || it->fAnswered;
                }
                if (fAnswered)
                    continue;
                m_pTransport->SendArp(nIp);
            } else {
                if (!fMore)
                    break;
                {
                    const std::lock_guard<std::mutex> oLocker(m_oLock);
                    fWindowFull = m_nHeld >= kWindow;
                }
                if (fWindowFull)
                    break;
                const std::optional<quint32> oIp = m_oScope.TakeNext();
                if (!oIp) {
                    fMore = false;
                    break;
                }
                const ISweepTransport::ERoute eRoute = m_pTransport->Route(*oIp);
                const TClock::time_point tEnd = Ask(*oIp, eRoute);
                tLastEnd = std::max(tLastEnd, tEnd);
                if (eRoute == ISweepTransport::ERoute::Arp)
                    dResends.emplace_back(tNow + std::chrono::milliseconds(m_nArpTimeoutMs / 2),
                                          *oIp);
            }
            tNextSend += tInterval;
            tNextPeak += tPeakInterval;
        }
        if (!fMore && dResends.empty() && tNow > tLastEnd + kGrace)
            break;

        TClock::time_point tWake = tNow + kIdlePoll;
        const TClock::time_point tMaySend = std::max(tNextSend, tNextPeak);
        if (fMore && !fWindowFull)
            tWake = std::min(tWake, tMaySend);
        if (!dResends.empty())
            tWake = std::min(tWake, std::max(tMaySend, dResends.front().first));
        if (!fMore && dResends.empty())
            tWake = std::min(tWake, tLastEnd + kGrace + 1ms);
        const auto nWaitMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(tWake - TClock::now() + 999us)
                .count();
        vReplies.clear();
        m_pTransport->Receive(
            static_cast<int>(std::clamp<long long>(nWaitMs, 1, 1000)), kRepliesPerRound, vReplies);
        Record(vReplies);
    }
    const std::lock_guard<std::mutex> oLocker(m_oLock);
    m_fDone = true;
    WakeAll();
}

CLivenessSweep::TClock::time_point CLivenessSweep::Ask(quint32 i_nIp,
                                                       ISweepTransport::ERoute i_eRoute)
{
    bool fSent = false;
    std::uint16_t nSeq = 0;
    int nTimeoutMs = 0;
    const TClock::time_point tSent = TClock::now();
    if (i_eRoute == ISweepTransport::ERoute::Arp) {
        fSent = m_pTransport->SendArp(i_nIp);
        nTimeoutMs = m_nArpTimeoutMs;
    } else if (i_eRoute == ISweepTransport::ERoute::Echo) {
        nSeq = m_nNextSeq++;
        fSent = m_pTransport->SendEcho(i_nIp, nSeq);
        nTimeoutMs = m_nEchoTimeoutMs;
    }
    const TClock::time_point tEnd = TClock::now() + std::chrono::milliseconds(nTimeoutMs);
    const std::lock_guard<std::mutex> oLocker(m_oLock);
    TEntry &rEntry = m_hEntries[i_nIp];
    rEntry.eState = EState::Asked;
    rEntry.eRoute = i_eRoute;
    rEntry.fSendFailed = !fSent;
    rEntry.nSeq = nSeq;
    rEntry.tSent = tSent;
    rEntry.tDeadline = tEnd;
    ++m_nHeld;
    if (rEntry.pWaiter)
        rEntry.pWaiter->notify_all();
    return tEnd;
}

void CLivenessSweep::Record(const std::vector<ISweepTransport::TReply> &i_rvReplies)
{
    if (i_rvReplies.empty())
        return;
    const TClock::time_point tNow = TClock::now();
    const std::lock_guard<std::mutex> oLocker(m_oLock);
    for (const ISweepTransport::TReply &rReply : i_rvReplies) {
        const auto it = m_hEntries.find(rReply.nIp);
        if (it == m_hEntries.end() || it->eState != EState::Asked || it->fAnswered
            || it->eRoute != rReply.eKind || tNow > it->tDeadline + kGrace)
            continue;
        if (rReply.eKind == ISweepTransport::ERoute::Echo && rReply.nSeq != it->nSeq)
            continue;
        it->fAnswered = true;
        it->aMac = rReply.aMac;
        it->tRoundTrip = tNow - it->tSent;
        if (it->pWaiter)
            it->pWaiter->notify_all();
    }
}

CLivenessSweep::EAnswer CLivenessSweep::Arp(quint32 i_nIp, TMacAddress &o_rMac)
{
    return Consult(i_nIp, ISweepTransport::ERoute::Arp, &o_rMac, nullptr);
}

CLivenessSweep::EAnswer CLivenessSweep::Echo(quint32 i_nIp, long long *o_pnRttUs)
{
    return Consult(i_nIp, ISweepTransport::ERoute::Echo, nullptr, o_pnRttUs);
}

CLivenessSweep::EAnswer CLivenessSweep::Consult(quint32 i_nIp,
                                                ISweepTransport::ERoute i_eAsked,
                                                TMacAddress *o_pMac,
                                                long long *o_pnRttUs)
{
    std::unique_lock<std::mutex> oLocker(m_oLock);
    std::condition_variable oWake;
    const auto Leave = [&](EAnswer i_eAnswer) {
        const auto it = m_hEntries.find(i_nIp);
        if (it != m_hEntries.end()) {
            it->pWaiter = nullptr;
            if (it->eState == EState::Waiting)
                m_hEntries.erase(it);
        }
        return i_eAnswer;
    };
    for (;;) {
        auto it = m_hEntries.find(i_nIp);
        if (it == m_hEntries.end() || it->eState == EState::Waiting) {
            if (m_fDone)
                return Leave(EAnswer::NotCovered);
            if (it == m_hEntries.end())
                it = m_hEntries.insert(i_nIp, TEntry{});
            it->pWaiter = &oWake;
            oWake.wait_for(oLocker, kWaitSlice);
        } else {
            const TEntry &rEntry = *it;
            if (rEntry.eRoute == ISweepTransport::ERoute::None)
                return Leave(EAnswer::NotCovered);
            // The worker's own ARP probe asks nothing off-link.
            if (i_eAsked == ISweepTransport::ERoute::Arp
                && rEntry.eRoute == ISweepTransport::ERoute::Echo)
                return Leave(EAnswer::Silent);
            if (rEntry.fAnswered) {
                if (o_pMac)
                    *o_pMac = rEntry.aMac;
                if (o_pnRttUs)
                    *o_pnRttUs =
                        std::chrono::duration_cast<std::chrono::microseconds>(rEntry.tRoundTrip)
                            .count();
                return Leave(EAnswer::Alive);
            }
            const TClock::time_point tEnd = rEntry.tDeadline + kGrace;
            const TClock::time_point tNow = TClock::now();
            if (rEntry.fSendFailed || tNow >= tEnd)
                return Leave(EAnswer::Silent);
            // Stopped before the wait was over: the answer may still have been on its way.
            if (m_fDone)
                return Leave(EAnswer::NotCovered);
            it->pWaiter = &oWake;
            const auto nMs =
                std::chrono::duration_cast<std::chrono::milliseconds>(tEnd - tNow + 999us).count();
            oWake.wait_for(oLocker, std::chrono::milliseconds(std::max<long long>(1, nMs)));
        }
        if (QThread::currentThread()->isInterruptionRequested())
            return Leave(EAnswer::NotCovered);
    }
}

void CLivenessSweep::Release(quint32 i_nIp)
{
    const std::lock_guard<std::mutex> oLocker(m_oLock);
    const auto it = m_hEntries.find(i_nIp);
    if (it == m_hEntries.end() || it->eState != EState::Asked)
        return;
    m_hEntries.erase(it);
    --m_nHeld;
}
