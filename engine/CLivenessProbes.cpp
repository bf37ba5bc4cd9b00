// SPDX-License-Identifier: GPL-3.0-or-later
#include "CLivenessProbes.h"

#include "CLivenessSweep.h"
#include "CNetText.h"
#include "COwnAddresses.h"
#include "CScanResult.h"
#include "IArpProbe.h"
#include "IIcmpEcho.h"
#include "IReverseDns.h"

#include <QThread>

#include <algorithm>
#include <chrono>

CLivenessProbes::CLivenessProbes()
    : CLivenessProbes(IArpProbe::Create(), IIcmpEcho::Create(), IReverseDns::Create())
{
}

CLivenessProbes::CLivenessProbes(std::unique_ptr<IArpProbe> i_pArp,
                                 std::unique_ptr<IIcmpEcho> i_pEcho,
                                 std::unique_ptr<IReverseDns> i_pDns)
    : m_pArp(std::move(i_pArp))
    , m_pEcho(std::move(i_pEcho))
    , m_pDns(std::move(i_pDns))
{
}

CLivenessProbes::~CLivenessProbes() = default;

void CLivenessProbes::UseSweep(std::shared_ptr<CLivenessSweep> i_pSweep)
{
    m_pSweep = std::move(i_pSweep);
}

void CLivenessProbes::Run(CScanResult &io_oResult, bool i_fHighAccuracy, bool i_fReverseDns)
{
    // ARP never answers for our own address; the interface knows its MAC. One without a MAC
    // (loopback) is probed as any other host: its echo reply tells the same.
    const std::optional<QByteArray> obaOwnMac = COwnAddresses::MacOf(io_oResult.ip());
    if (obaOwnMac && !obaOwnMac->isEmpty()) {
        io_oResult.set_status(EHostStatus::Alive);
        io_oResult.set_alive_by(EAliveBy::OwnAddress);
        io_oResult.set_mac(*obaOwnMac);
        m_ePath = TProbeTimeouts::EPath::OnLink;
        if (m_pSweep)
            m_pSweep->Release(io_oResult.ip());
        if (i_fReverseDns)
            ReverseDns(io_oResult);
        return;
    }
    Arp(io_oResult);
    for (int i = 0; i < EchoAttempts(i_fHighAccuracy) && !io_oResult.IsAlive(); ++i) {
        if (QThread::currentThread()->isInterruptionRequested()) {
            if (m_pSweep)
                m_pSweep->Release(io_oResult.ip());
            return;
        }
        // Later attempts are the host's own: they exist for replies slower than one wait.
        long long nRttUs = -1;
        const CLivenessSweep::EAnswer eSwept = i == 0 && m_pSweep
                                                   ? m_pSweep->Echo(io_oResult.ip(), &nRttUs)
                                                   : CLivenessSweep::EAnswer::NotCovered;
        if (eSwept == CLivenessSweep::EAnswer::Alive) {
            io_oResult.set_status(EHostStatus::Alive);
            io_oResult.set_alive_by(EAliveBy::Echo);
            m_ePath = TProbeTimeouts::EPath::Routed;
            m_nEchoRttUs = nRttUs;
        } else if (eSwept == CLivenessSweep::EAnswer::NotCovered)
            Echo(io_oResult, i_fHighAccuracy);
    }
    if (m_pSweep)
        m_pSweep->Release(io_oResult.ip());
    if (i_fReverseDns && io_oResult.IsAlive())
        ReverseDns(io_oResult);
}

bool CLivenessProbes::Arp(CScanResult &io_oResult)
{
    TMacAddress aMac{};
    const CLivenessSweep::EAnswer eSwept =
        m_pSweep ? m_pSweep->Arp(io_oResult.ip(), aMac) : CLivenessSweep::EAnswer::NotCovered;
    if (eSwept == CLivenessSweep::EAnswer::Silent)
        return false;
    if (eSwept == CLivenessSweep::EAnswer::NotCovered
        && !m_pArp->Request(io_oResult.ip(), kArpTimeoutMs, aMac))
        return false;
    io_oResult.set_status(EHostStatus::Alive);
    io_oResult.set_alive_by(EAliveBy::Arp);
    m_ePath = TProbeTimeouts::EPath::OnLink;
    const bool fZero = std::all_of(aMac.begin(), aMac.end(), [](std::uint8_t n) { return n == 0; });
    io_oResult.set_mac(fZero ? QByteArray()
                             : QByteArray(reinterpret_cast<const char *>(aMac.data()),
                                          static_cast<int>(aMac.size())));
    return true;
}

bool CLivenessProbes::Echo(CScanResult &io_oResult, bool i_fHighAccuracy)
{
    const auto tSent = std::chrono::steady_clock::now();
    if (!m_pEcho->Ping(io_oResult.ip(), EchoTimeoutMs(i_fHighAccuracy)))
        return false;
    io_oResult.set_status(EHostStatus::Alive);
    io_oResult.set_alive_by(EAliveBy::Echo);
    m_ePath = TProbeTimeouts::EPath::Routed;
    m_nEchoRttUs = std::chrono::duration_cast<std::chrono::microseconds>(
                       std::chrono::steady_clock::now() - tSent)
                       .count();
    return true;
}

bool CLivenessProbes::ReverseDns(CScanResult &io_oResult)
{
    const std::optional<std::string> oName = m_pDns->Lookup(io_oResult.ip());
    if (!oName)
        return false;
    io_oResult.set_name(CNetText::CleanTrimmed(
        QString::fromLocal8Bit(oName->data(), static_cast<int>(oName->size()))));
    return true;
}

bool CLivenessProbes::HasNoName(const QString &i_sName, quint32 i_nIp)
{
    const QString sName = i_sName.trimmed();
    return sName.isEmpty() || sName == IpToText(i_nIp);
}
