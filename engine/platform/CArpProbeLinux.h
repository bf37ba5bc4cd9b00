// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CLocalInterfaces.h"
#include "IArpProbe.h"

#include <optional>
#include <vector>

// ARP on Linux. With CAP_NET_RAW it sends its own request on the interface whose subnet holds
// the target (a packet socket) and waits for that host's reply: exact time-outs, no kernel
// state touched. Without it, it falls back to the kernel's neighbour resolution: it listens for
// neighbour events, reads the existing table entry (a STALE entry raises no event), provokes
// resolution with an empty UDP datagram and waits for the event. Both ways are bounded by the
// time-out. The target must lie in the subnet of an up, ARP-capable interface and must not be
// one of our own addresses; anything else is not asked at all.
class CArpProbeLinux final : public IArpProbe
{
public:
    enum class EMethod
    {
        Auto,           // packet socket when permitted, else the kernel's resolution
        PacketSocket,   // packet socket only
        NeighbourTable, // kernel resolution only
    };

    // Where to send a request for one target.
    struct TRoute
    {
        unsigned nIfIndex = 0;
        std::uint32_t nOwnIp = 0;
        TMacAddress aOwnMac{};
    };

    explicit CArpProbeLinux(EMethod i_eMethod = EMethod::Auto);

    bool Request(std::uint32_t i_nIp, int i_nTimeoutMs, TMacAddress &o_rMac) override;

    // The interface to ask on, or nothing when i_nIp is ours, a subnet's network or broadcast
    // address, or outside every subnet of an up Ethernet-like interface.
    static std::optional<TRoute> FindRoute(std::uint32_t i_nIp);
    // The same decision over a list read once, for callers that ask for many addresses.
    static std::optional<TRoute> FindRouteIn(const std::vector<TLocalInterface> &i_rvInterfaces,
                                             std::uint32_t i_nIp);
    // A broadcast request for i_nIp out of the route's interface, on a packet socket of type
    // SOCK_DGRAM for ARP; the liveness sweep sends its own through it too.
    static bool SendRequest(int i_nFd, const TRoute &i_rRoute, std::uint32_t i_nIp);

private:
    // o_rfUnavailable: the socket could not be made (usually no CAP_NET_RAW).
    static bool AskByPacketSocket(const TRoute &i_rRoute,
                                  std::uint32_t i_nIp,
                                  int i_nTimeoutMs,
                                  TMacAddress &o_rMac,
                                  bool &o_rfUnavailable);
    static bool AskKernel(std::uint32_t i_nIp, int i_nTimeoutMs, TMacAddress &o_rMac);

    EMethod m_eMethod;
};
