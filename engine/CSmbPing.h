// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

class QHostAddress;

// Does the host speak SMB? Sends an SMB2 NEGOTIATE over direct TCP and waits, with a time
// limit of our own, for the first bytes of an SMB answer. The SMB client library cannot bound
// its connect (about 10 s) and must be serialised; asking it only about hosts that passed this
// test keeps a silent or dead host from holding every other worker behind that lock.
// Blocking, no event loop needed.
class CSmbPing final
{
public:
    static constexpr quint16 Port = 445;
    static constexpr int TimeoutMs = 3000;

    // i_nConnectMs, when positive and shorter, bounds the connect within i_nTimeoutMs.
    static bool Answers(const QHostAddress &i_oHost,
                        quint16 i_nPort = Port,
                        int i_nTimeoutMs = TimeoutMs,
                        int i_nConnectMs = 0);

    // The request as sent: a session-service header and an SMB2 NEGOTIATE offering 2.0.2 to
    // 3.0.2. Exposed for tests.
    static QByteArray NegotiateRequest();
    // True when i_baAnswer starts like an SMB1 or SMB2 message in a session-service frame.
    static bool LooksLikeSmb(const QByteArray &i_baAnswer);
};
