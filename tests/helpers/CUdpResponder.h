// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QUdpSocket>

#include <functional>
#include <utility>

// A scripted UDP peer: binds one address and port, keeps every request and hands each to the
// test's script, which answers (or not) through the socket it is given. Lives on the thread that
// made it and answers while that thread's event loop turns (QTest waits, QSignalSpy::wait).
class CUdpResponder final : public QObject
{
public:
    using TScript = std::function<void(const QByteArray &i_baRequest,
                                       QUdpSocket &io_oSocket,
                                       const QHostAddress &i_oFrom,
                                       quint16 i_nFromPort)>;

    CUdpResponder(const QHostAddress &i_oAddress, quint16 i_nPort, TScript i_fnScript)
        : m_fnScript(std::move(i_fnScript))
    {
        m_fBound = m_oSocket.bind(i_oAddress, i_nPort);
        connect(&m_oSocket, &QUdpSocket::readyRead, this, [this] { OnReadyRead(); });
    }

    bool Bound() const { return m_fBound; }
    const QList<QByteArray> &Requests() const { return m_lRequests; }
    QUdpSocket &Socket() { return m_oSocket; }

    // A request's transaction id, its first two bytes in the order the tests' answers write it;
    // 0 for a request too short to hold one.
    static quint16 RequestId(const QByteArray &i_baRequest)
    {
        if (i_baRequest.size() < 2)
            return 0;
        return static_cast<quint16>(static_cast<quint8>(i_baRequest[0])
                                    | static_cast<quint8>(i_baRequest[1]) << 8);
    }

private:
    void OnReadyRead()
    {
        while (m_oSocket.hasPendingDatagrams()) {
            QHostAddress oFrom;
            quint16 nPort = 0;
            QByteArray baRequest(static_cast<int>(m_oSocket.pendingDatagramSize()), '\0');
            m_oSocket.readDatagram(baRequest.data(), baRequest.size(), &oFrom, &nPort);
            m_lRequests << baRequest;
            if (m_fnScript)
                m_fnScript(baRequest, m_oSocket, oFrom, nPort);
        }
    }

    TScript m_fnScript;
    QUdpSocket m_oSocket;
    bool m_fBound = false;
    QList<QByteArray> m_lRequests;
};
