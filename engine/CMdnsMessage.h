// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

// The multicast DNS messages of one-shot lookups (RFC 6762, 5.1): the question for a name's IPv4
// address and the reading of its answer, and the question a host is asked directly for the name
// of its own address (a PTR record) and the reading of that answer. Answers come from the network,
// so reading never trusts a length, an offset or a compression pointer it has not checked.
class CMdnsMessage final
{
public:
    // A standard query with id i_nId for the A record of i_baName (dotted, a final dot
    // allowed). Empty when the name cannot be encoded: an empty or over-long label, or a name
    // longer than 255 bytes.
    static QByteArray Query(quint16 i_nId, const QByteArray &i_baName);

    // The IPv4 addresses (host byte order, without duplicates or 0) that a response to query
    // i_nId gives for i_baName, compared without regard to case or a final dot. Anything that
    // is not such a response, or is malformed, gives what was read before the fault.
    static QList<quint32>
    Addresses(const QByteArray &i_baPacket, quint16 i_nId, const QByteArray &i_baName);

    // The reverse lookup name of an IPv4 address (host byte order): 4.3.2.1.in-addr.arpa.
    static QByteArray ReverseName(quint32 i_nIp);

    // A standard query with id i_nId for the PTR record of i_nIp's reverse lookup name.
    static QByteArray ReverseQuery(quint16 i_nId, quint32 i_nIp);

    // The name (dotted, without its final dot) that the first PTR record for i_nIp in a
    // response to query i_nId points to; empty when there is none or the packet is malformed.
    // The bytes are as sent: the caller cleans them before they are shown.
    static QByteArray PointedName(const QByteArray &i_baPacket, quint16 i_nId, quint32 i_nIp);

    // Whether a datagram from i_nFrom:i_nFromPort (host byte order) may be read as an answer
    // at all: responders answer from port 5353, and only from the link the question went out
    // on (RFC 6762, 11), that is from inside one of i_lNetworks (address and mask pairs, host
    // byte order). Which responder on the link answers is left open: a sleep proxy answers for
    // the hosts it stands in for.
    static bool IsFromLink(quint32 i_nFrom,
                           quint16 i_nFromPort,
                           const QList<QPair<quint32, quint32>> &i_lNetworks);

    // Dotted name without its final dot.
    static QByteArray WithoutFinalDot(const QByteArray &i_baName);
};
