// SPDX-License-Identifier: GPL-3.0-or-later
#include "ISweepTransport.h"

namespace {

// Windows offers no raw ARP without a capture driver, and the IP Helper echo call blocks per
// address; the workers' own SendARP and IcmpSendEcho remain the way to ask there.
class CSweepTransportWin final : public ISweepTransport
{
public:
    bool Open() override { return false; }
    ERoute Route(std::uint32_t) const override { return ERoute::None; }
    bool SendArp(std::uint32_t) override { return false; }
    bool SendEcho(std::uint32_t, std::uint16_t) override { return false; }
    void Receive(int, std::size_t, std::vector<TReply> &) override {}
};

} // namespace

std::unique_ptr<ISweepTransport> ISweepTransport::Create()
{
    return std::make_unique<CSweepTransportWin>();
}
