// SPDX-License-Identifier: GPL-3.0-or-later
// The byte rules of the liveness probes: which ICMP packets answer our echo request, which ARP
// messages answer our request, and what the kernel's neighbour table says about an address.
#include "CArpPacket.h"
#include "CEchoPacket.h"
#include "CNeighbourTable.h"

#include <QtTest>

#include <cstring>
#include <vector>

#include <arpa/inet.h>
#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

Q_DECLARE_METATYPE(std::vector<std::uint8_t>)

namespace {

using TBytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kTarget = 0xC6120A05; // 198.18.10.5
constexpr std::uint32_t kOther = 0xC6120A06;
constexpr std::uint16_t kId = 0x1234;
constexpr std::uint16_t kSeq = 0x0042;

void Put16(TBytes &io_v, std::size_t i_n, std::uint16_t i_nValue)
{
    io_v[i_n] = static_cast<std::uint8_t>(i_nValue >> 8);
    io_v[i_n + 1] = static_cast<std::uint8_t>(i_nValue);
}

void Put32(TBytes &io_v, std::size_t i_n, std::uint32_t i_nValue)
{
    Put16(io_v, i_n, static_cast<std::uint16_t>(i_nValue >> 16));
    Put16(io_v, i_n + 2, static_cast<std::uint16_t>(i_nValue));
}

// An echo reply as a ping socket hands it over: ICMP header and data.
TBytes EchoReply(std::uint16_t i_nId = kId, std::uint16_t i_nSeq = kSeq, std::uint8_t i_nType = 0)
{
    TBytes v = CEchoPacket::Request(i_nId, i_nSeq);
    v[0] = i_nType;
    return v;
}

// The same behind an IPv4 header of i_nHeaderBytes, as a raw socket hands it over.
TBytes WithIpHeader(const TBytes &i_vIcmp,
                    std::uint32_t i_nSource = kTarget,
                    std::size_t i_nHeaderBytes = 20)
{
    TBytes v(i_nHeaderBytes, 0);
    v[0] = static_cast<std::uint8_t>(0x40 | (i_nHeaderBytes / 4));
    v[9] = 1;
    Put32(v, 12, i_nSource);
    v.insert(v.end(), i_vIcmp.begin(), i_vIcmp.end());
    return v;
}

TBytes ArpReply(std::uint32_t i_nSender, std::uint16_t i_nOp = 2)
{
    TBytes v(28, 0);
    Put16(v, 0, 1);
    Put16(v, 2, 0x0800);
    v[4] = 6;
    v[5] = 4;
    Put16(v, 6, i_nOp);
    const std::uint8_t aMac[6] = {0x02, 0x5E, 0x00, 0x0A, 0x0B, 0x0C};
    std::memcpy(&v[8], aMac, 6);
    Put32(v, 14, i_nSender);
    Put32(v, 24, 0xC6120A01);
    return v;
}

// One rtnetlink neighbour message as the kernel sends it to RTMGRP_NEIGH listeners.
TBytes
NeighbourMessage(std::uint16_t i_nType, std::uint16_t i_nState, std::uint32_t i_nDst, bool i_fMac)
{
    TBytes v(NLMSG_ALIGN(sizeof(nlmsghdr)) + NLMSG_ALIGN(sizeof(ndmsg)), 0);
    ndmsg oNeigh{};
    oNeigh.ndm_family = AF_INET;
    oNeigh.ndm_state = i_nState;
    std::memcpy(&v[NLMSG_ALIGN(sizeof(nlmsghdr))], &oNeigh, sizeof oNeigh);
    auto fnAttr = [&v](std::uint16_t i_nAttrType, const void *i_p, std::size_t i_nSize) {
        rtattr oAttr{};
        oAttr.rta_len = static_cast<unsigned short>(RTA_LENGTH(i_nSize));
        oAttr.rta_type = i_nAttrType;
        const std::size_t nAt = v.size();
        v.resize(nAt + RTA_SPACE(i_nSize), 0);
        std::memcpy(&v[nAt], &oAttr, sizeof oAttr);
        std::memcpy(&v[nAt + RTA_LENGTH(0)], i_p, i_nSize);
    };
    const std::uint32_t nDst = htonl(i_nDst);
    fnAttr(NDA_DST, &nDst, 4);
    if (i_fMac) {
        const std::uint8_t aMac[6] = {0x02, 0x5E, 0x00, 0x0A, 0x0B, 0x0C};
        fnAttr(NDA_LLADDR, aMac, 6);
    }
    nlmsghdr oHeader{};
    oHeader.nlmsg_len = static_cast<std::uint32_t>(v.size());
    oHeader.nlmsg_type = i_nType;
    std::memcpy(v.data(), &oHeader, sizeof oHeader);
    return v;
}

TBytes Joined(const TBytes &i_vA, const TBytes &i_vB)
{
    TBytes v = i_vA;
    v.insert(v.end(), i_vB.begin(), i_vB.end());
    return v;
}

const TMacAddress g_aLabMac = {0x02, 0x5E, 0x00, 0x0A, 0x0B, 0x0C};

} // namespace

class TestProbePackets : public QObject
{
    Q_OBJECT

private slots:
    void echoRequestLayout();
    void echoReply_data();
    void echoReply();
    void arpRequestLayout();
    void arpReply_data();
    void arpReply();
    void procArp_data();
    void procArp();
    void netlink_data();
    void netlink();
};

void TestProbePackets::echoRequestLayout()
{
    const TBytes v = CEchoPacket::Request(kId, kSeq);
    QCOMPARE(v.size(), std::size_t{16});
    QCOMPARE(int(v[0]), 8);
    QCOMPARE(int(v[1]), 0);
    QCOMPARE((v[4] << 8) | v[5], int(kId));
    QCOMPARE((v[6] << 8) | v[7], int(kSeq));
    for (std::size_t i = 8; i < v.size(); ++i)
        QCOMPARE(int(v[i]), 0xFF);
    // A packet that carries its own checksum sums to zero.
    QCOMPARE(int(CEchoPacket::Checksum(v.data(), v.size())), 0);
}

void TestProbePackets::echoReply_data()
{
    QTest::addColumn<TBytes>("packet");
    QTest::addColumn<quint32>("from");
    QTest::addColumn<bool>("ipHeader");
    QTest::addColumn<bool>("checkId");
    QTest::addColumn<bool>("expected");

    QTest::newRow("ping socket: our reply") << EchoReply() << kTarget << false << false << true;
    QTest::newRow("ping socket: kernel rewrote the id")
        << EchoReply(0x9999) << kTarget << false << false << true;
    QTest::newRow("ping socket: other sequence")
        << EchoReply(kId, kSeq + 1) << kTarget << false << false << false;
    QTest::newRow("ping socket: from another host")
        << EchoReply() << kOther << false << false << false;
    QTest::newRow("ping socket: our own request looped back")
        << EchoReply(kId, kSeq, 8) << kTarget << false << false << false;
    QTest::newRow("ping socket: destination unreachable")
        << EchoReply(kId, kSeq, 3) << kTarget << false << false << false;
    QTest::newRow("ping socket: data not ours") << [] {
        TBytes v = EchoReply();
        v[12] = 0;
        return v;
    }() << kTarget << false << false << false;
    QTest::newRow("ping socket: cut inside the data") << [] {
        TBytes v = EchoReply();
        v.resize(12);
        return v;
    }() << kTarget << false << false << false;
    QTest::newRow("ping socket: empty") << TBytes{} << kTarget << false << false << false;
    QTest::newRow("raw socket: our reply")
        << WithIpHeader(EchoReply()) << kTarget << true << true << true;
    QTest::newRow("raw socket: reply with IP options")
        << WithIpHeader(EchoReply(), kTarget, 24) << kTarget << true << true << true;
    QTest::newRow("raw socket: another thread's id")
        << WithIpHeader(EchoReply(kId + 1)) << kTarget << true << true << false;
    QTest::newRow("raw socket: IP source differs from sender")
        << WithIpHeader(EchoReply(), kOther) << kTarget << true << true << false;
    QTest::newRow("raw socket: header length past the end") << [] {
        TBytes v = WithIpHeader(EchoReply());
        v[0] = 0x4F;
        v.resize(40);
        return v;
    }() << kTarget << true << true << false;
    QTest::newRow("raw socket: header length below minimum") << [] {
        TBytes v = WithIpHeader(EchoReply());
        v[0] = 0x41;
        return v;
    }() << kTarget << true << true << false;
    QTest::newRow("raw socket: not IPv4") << [] {
        TBytes v = WithIpHeader(EchoReply());
        v[0] = 0x65;
        return v;
    }() << kTarget << true << true << false;
    QTest::newRow("raw socket: header only")
        << TBytes(20, 0x45) << kTarget << true << true << false;
}

void TestProbePackets::echoReply()
{
    QFETCH(TBytes, packet);
    QFETCH(quint32, from);
    QFETCH(bool, ipHeader);
    QFETCH(bool, checkId);
    QFETCH(bool, expected);
    CEchoPacket::TExpect oExpect;
    oExpect.nIp = kTarget;
    oExpect.nId = kId;
    oExpect.nSeq = kSeq;
    oExpect.fIpHeader = ipHeader;
    oExpect.fCheckId = checkId;
    QCOMPARE(CEchoPacket::IsReply(packet.data(), packet.size(), from, oExpect), expected);
}

void TestProbePackets::arpRequestLayout()
{
    const TMacAddress aOwn = {0x02, 0x5E, 0x00, 0x00, 0x00, 0x02};
    const CArpPacket::TMessage a = CArpPacket::Request(aOwn, 0xC6120002, kTarget);
    const TBytes v(a.begin(), a.end());
    const TBytes vExpected = {0x00, 0x01, 0x08, 0x00, 6,    4,
                              0x00, 0x01,                         // Ethernet, IPv4, request
                              0x02, 0x5E, 0x00, 0x00, 0x00, 0x02, // our MAC
                              198,  18,   0,    2,                // our address
                              0,    0,    0,    0,    0,    0,    // the MAC asked for
                              198,  18,   10,   5};               // the target
    QCOMPARE(v.size(), std::size_t{28});
    QCOMPARE(v, vExpected);
}

void TestProbePackets::arpReply_data()
{
    QTest::addColumn<TBytes>("message");
    QTest::addColumn<bool>("expected");

    QTest::newRow("reply from the target") << ArpReply(kTarget) << true;
    QTest::newRow("reply padded to a minimum frame")
        << Joined(ArpReply(kTarget), TBytes(18, 0)) << true;
    QTest::newRow("reply from another host") << ArpReply(kOther) << false;
    QTest::newRow("request from the target") << ArpReply(kTarget, 1) << false;
    QTest::newRow("not Ethernet") << [] {
        TBytes v = ArpReply(kTarget);
        v[1] = 6;
        return v;
    }() << false;
    QTest::newRow("not IPv4") << [] {
        TBytes v = ArpReply(kTarget);
        v[2] = 0x86;
        v[3] = 0xDD;
        return v;
    }() << false;
    QTest::newRow("odd address lengths") << [] {
        TBytes v = ArpReply(kTarget);
        v[4] = 8;
        return v;
    }() << false;
    QTest::newRow("cut short") << [] {
        TBytes v = ArpReply(kTarget);
        v.resize(27);
        return v;
    }() << false;
    QTest::newRow("empty") << TBytes{} << false;
}

void TestProbePackets::arpReply()
{
    QFETCH(TBytes, message);
    QFETCH(bool, expected);
    TMacAddress aMac{};
    QCOMPARE(CArpPacket::IsReplyFrom(message.data(), message.size(), kTarget, aMac), expected);
    QCOMPARE(aMac, expected ? g_aLabMac : TMacAddress{});
}

void TestProbePackets::procArp_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("state");

    const QString sTitle = QStringLiteral(
        "IP address       HW type     Flags       HW address            Mask     Device\n");
    QTest::newRow("complete entry")
        << sTitle
               + QStringLiteral(
                   "198.18.10.5      0x1         0x2         02:5e:00:0a:0b:0c     *        eth0\n")
        << int(CNeighbourTable::EState::Resolved);
    QTest::newRow("complete entry among others")
        << sTitle
               + QStringLiteral(
                   "198.18.10.6      0x1         0x2         02:00:00:00:00:01     *        eth0\n"
                   "198.18.10.5      0x1         0x6         02:5e:00:0a:0b:0c     *        eth0\n")
        << int(CNeighbourTable::EState::Resolved);
    QTest::newRow("incomplete entry")
        << sTitle
               + QStringLiteral(
                   "198.18.10.5      0x1         0x0         00:00:00:00:00:00     *        eth0\n")
        << int(CNeighbourTable::EState::None);
    QTest::newRow("complete flag with zero address")
        << sTitle
               + QStringLiteral(
                   "198.18.10.5      0x1         0x2         00:00:00:00:00:00     *        eth0\n")
        << int(CNeighbourTable::EState::None);
    QTest::newRow("only a neighbour with a longer address")
        << sTitle
               + QStringLiteral(
                   "198.18.10.50     0x1         0x2         02:5e:00:0a:0b:0c     *        eth0\n")
        << int(CNeighbourTable::EState::None);
    QTest::newRow("garbled address")
        << sTitle
               + QStringLiteral(
                   "198.18.10.5      0x1         0x2         02:5e:zz:0a:0b:0c     *        eth0\n")
        << int(CNeighbourTable::EState::None);
    QTest::newRow("truncated line")
        << sTitle + QStringLiteral("198.18.10.5 0x1\n") << int(CNeighbourTable::EState::None);
    QTest::newRow("empty table") << sTitle << int(CNeighbourTable::EState::None);
    QTest::newRow("nothing read") << QString() << int(CNeighbourTable::EState::None);
}

void TestProbePackets::procArp()
{
    QFETCH(QString, text);
    QFETCH(int, state);
    TMacAddress aMac{};
    const auto eState = CNeighbourTable::FindInProcText(text.toStdString(), kTarget, aMac);
    QCOMPARE(int(eState), state);
    QCOMPARE(aMac, eState == CNeighbourTable::EState::Resolved ? g_aLabMac : TMacAddress{});
}

void TestProbePackets::netlink_data()
{
    QTest::addColumn<TBytes>("messages");
    QTest::addColumn<int>("state");

    const int nResolved = int(CNeighbourTable::EState::Resolved);
    const int nFailed = int(CNeighbourTable::EState::Failed);
    const int nNone = int(CNeighbourTable::EState::None);
    QTest::newRow("reachable with address")
        << NeighbourMessage(RTM_NEWNEIGH, NUD_REACHABLE, kTarget, true) << nResolved;
    QTest::newRow("stale with address")
        << NeighbourMessage(RTM_NEWNEIGH, NUD_STALE, kTarget, true) << nResolved;
    QTest::newRow("permanent with address")
        << NeighbourMessage(RTM_NEWNEIGH, NUD_PERMANENT, kTarget, true) << nResolved;
    QTest::newRow("incomplete: keep waiting")
        << NeighbourMessage(RTM_NEWNEIGH, NUD_INCOMPLETE, kTarget, false) << nNone;
    QTest::newRow("failed") << NeighbourMessage(RTM_NEWNEIGH, NUD_FAILED, kTarget, false)
                            << nFailed;
    QTest::newRow("reachable but no address")
        << NeighbourMessage(RTM_NEWNEIGH, NUD_REACHABLE, kTarget, false) << nNone;
    QTest::newRow("another address")
        << NeighbourMessage(RTM_NEWNEIGH, NUD_REACHABLE, kOther, true) << nNone;
    QTest::newRow("entry deleted")
        << NeighbourMessage(RTM_DELNEIGH, NUD_REACHABLE, kTarget, true) << nNone;
    QTest::newRow("failed, then resolved in one read")
        << Joined(NeighbourMessage(RTM_NEWNEIGH, NUD_FAILED, kTarget, false),
                  NeighbourMessage(RTM_NEWNEIGH, NUD_REACHABLE, kTarget, true))
        << nResolved;
    QTest::newRow("other host's news, then ours")
        << Joined(NeighbourMessage(RTM_NEWNEIGH, NUD_FAILED, kOther, false),
                  NeighbourMessage(RTM_NEWNEIGH, NUD_REACHABLE, kTarget, true))
        << nResolved;
    QTest::newRow("message length past the buffer") << [] {
        TBytes v = NeighbourMessage(RTM_NEWNEIGH, NUD_REACHABLE, kTarget, true);
        v.resize(v.size() - 4);
        return v;
    }() << nNone;
    QTest::newRow("message length below its header") << [] {
        TBytes v = NeighbourMessage(RTM_NEWNEIGH, NUD_REACHABLE, kTarget, true);
        v[0] = 4;
        v[1] = v[2] = v[3] = 0;
        return v;
    }() << nNone;
    QTest::newRow("attribute length past the message") << [] {
        TBytes v = NeighbourMessage(RTM_NEWNEIGH, NUD_REACHABLE, kTarget, true);
        v[NLMSG_ALIGN(sizeof(nlmsghdr)) + NLMSG_ALIGN(sizeof(ndmsg))] = 0xF0;
        return v;
    }() << nNone;
    QTest::newRow("empty") << TBytes{} << nNone;
}

void TestProbePackets::netlink()
{
    QFETCH(TBytes, messages);
    QFETCH(int, state);
    TMacAddress aMac{};
    const auto eState =
        CNeighbourTable::FindInNetlink(messages.data(), messages.size(), kTarget, aMac);
    QCOMPARE(int(eState), state);
    QCOMPARE(aMac, eState == CNeighbourTable::EState::Resolved ? g_aLabMac : TMacAddress{});
}

QTEST_GUILESS_MAIN(TestProbePackets)
#include "tst_ProbePackets.moc"
