// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CIpList.h"
#include "ISweepTransport.h"

#include <QHash>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

// Asks every address of one scan whether it is there, ahead of the workers and at a paced rate:
// an ARP request to each on-link address (a second one half-way through the wait, as the
// worker's own probe does), an ICMP echo request to every other one. Replies are kept by
// address. A worker's ARP and first echo step consult it instead of asking the host
// themselves: the answer is known at once when it came, or when the address's wait (the same
// time-out the worker's own request would have had) is over; until the sweep has reached the
// address the worker waits for it. The worker asks on its own when the sweep cannot cover an
// address (no right to open the sockets, no interface) or has been stopped.
//
// Owned by the scanner through a shared pointer, one per scan; its thread is started by
// Start() and ended by Stop() or the destructor. The consulting functions are called from
// worker threads, one worker per address. At most kWindow addresses are held between being
// asked and being released by their worker, so that a paused or slow scan of a large scope
// keeps its memory and its lead bounded.
class CLivenessSweep final
{
public:
    enum class EAnswer
    {
        NotCovered, // ask the host yourself
        Alive,
        Silent,
    };

    // Requests per second, second ARP requests included: about 2.7 Mbit/s of minimal Ethernet
    // frames, a small part of any wired LAN; an empty /16 takes about half a minute.
    static constexpr int kDefaultRatePerSecond = 4000;
    // A scope up to a /20, second requests included, goes out at once at about 10.7 Mbit/s
    // (the pace of a peer tool asked for 10 Mbit/s); a larger one then settles to the rate above.
    static constexpr int kDefaultBurst = 8192;
    static constexpr int kDefaultPeakPerSecond = 16000;
    static constexpr int kWindow = 8192;

    // A token bucket: nBurst requests may go ahead of the steady pace of nPerSecond, but never
    // faster than nPeakPerSecond. A plain number is a flat rate.
    struct TPace
    {
        TPace(int i_nPerSecond, int i_nBurst = 0, int i_nPeakPerSecond = 0)
            : nPerSecond(i_nPerSecond)
            , nBurst(i_nBurst)
            , nPeakPerSecond(i_nPeakPerSecond)
        {
        }
        int nPerSecond;
        int nBurst;
        int nPeakPerSecond;
    };

    CLivenessSweep(const CIpList &i_oScope,
                   int i_nArpTimeoutMs,
                   int i_nEchoTimeoutMs,
                   TPace i_oPace,
                   std::unique_ptr<ISweepTransport> i_pTransport);
    ~CLivenessSweep();
    CLivenessSweep(const CLivenessSweep &) = delete;
    CLivenessSweep &operator=(const CLivenessSweep &) = delete;

    void Start();
    // Ends the thread and wakes every waiting worker; answers already known stay readable.
    void Stop();

    // Alive with o_rMac filled when the host answered the ARP request. Silent also for an
    // address that is asked by echo: the worker's own ARP probe would not have asked it.
    EAnswer Arp(quint32 i_nIp, TMacAddress &o_rMac);
    // The first echo attempt. For an on-link address the ARP answer decides: without it the
    // system could not have delivered an echo request either.
    // On Alive, o_pnRttUs (when given) gets the round trip from request to reply.
    EAnswer Echo(quint32 i_nIp, long long *o_pnRttUs = nullptr);
    // The worker is done with the address; its place in the window is free again.
    void Release(quint32 i_nIp);

    // True once the thread has ended, by itself after the last wait or by Stop().
    bool IsDone() const;

    // A sweep for a new scan, started: at the default pace (its burst included) when the rate
    // is the default, else at that flat rate. Nothing when VISTREL_SWEEP is "0" (used to
    // compare with and without it).
    static std::shared_ptr<CLivenessSweep> StartFor(const CIpList &i_oScope,
                                                    int i_nArpTimeoutMs,
                                                    int i_nEchoTimeoutMs,
                                                    int i_nRatePerSecond = kDefaultRatePerSecond);
    // The pace it sends at.
    TPace Pace() const { return TPace(m_nRatePerSecond, m_nBurst, m_nPeakPerSecond); }

private:
    using TClock = std::chrono::steady_clock;
    enum class EState
    {
        Waiting, // a worker waits for an address the sweep has not reached yet
        Asked,
    };
    struct TEntry
    {
        EState eState = EState::Waiting;
        ISweepTransport::ERoute eRoute = ISweepTransport::ERoute::None;
        bool fAnswered = false;
        bool fSendFailed = false;
        std::uint16_t nSeq = 0;
        TMacAddress aMac{};
        TClock::time_point tSent;
        TClock::time_point tDeadline;
        TClock::duration tRoundTrip{};
        std::condition_variable *pWaiter = nullptr;
    };

    void Loop();
    // Sends the first request to i_nIp the way i_eRoute says; returns when its wait ends.
    TClock::time_point Ask(quint32 i_nIp, ISweepTransport::ERoute i_eRoute);
    void Record(const std::vector<ISweepTransport::TReply> &i_rvReplies);
    EAnswer Consult(quint32 i_nIp,
                    ISweepTransport::ERoute i_eAsked,
                    TMacAddress *o_pMac,
                    long long *o_pnRttUs);
    void WakeAll();

    CIpList m_oScope;
    const int m_nArpTimeoutMs;
    const int m_nEchoTimeoutMs;
    const int m_nRatePerSecond;
    const int m_nBurst;
    const int m_nPeakPerSecond;
    std::unique_ptr<ISweepTransport> m_pTransport;
    // Standard threads and locks, whose ordering the thread sanitizer can see.
    std::thread m_oThread;
    std::atomic<bool> m_fStop{false};
    std::uint16_t m_nNextSeq = 0;

    mutable std::mutex m_oLock;
    QHash<quint32, TEntry> m_hEntries;
    int m_nHeld = 0; // asked and not yet released
    bool m_fDone = false;
};
