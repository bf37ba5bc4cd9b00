// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ENetBiosError.h"

#include <QString>

// Details of a failed node status query, for callers that want to tell someone. A plain value.
// The address is the target, host byte order.
class CNetBiosError final
{
public:
    // Messages are cut to this many characters.
    static constexpr int kMaxMessageSize = 1023;

    ENetBiosError kind() const { return m_eKind; }
    // The system's socket error code for Socket, Send, Receive; 0 for the other kinds.
    qint32 code() const { return m_nCode; }
    quint32 address() const { return m_nAddress; }
    QString message() const { return m_sMessage; }

    // Stores the three values and the message that belongs to them.
    void Set(ENetBiosError i_eKind, qint32 i_nCode, quint32 i_nAddress);

    static QString Message(ENetBiosError i_eKind, qint32 i_nCode, quint32 i_nAddress);

private:
    ENetBiosError m_eKind = ENetBiosError::None;
    qint32 m_nCode = 0;
    quint32 m_nAddress = 0;
    QString m_sMessage;
};
