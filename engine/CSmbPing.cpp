// SPDX-License-Identifier: GPL-3.0-or-later
#include "CSmbPing.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QNetworkProxy>
#include <QTcpSocket>

namespace {

constexpr int SessionHeaderBytes = 4;
constexpr int ProtocolIdBytes = 4;

} // namespace

QByteArray CSmbPing::NegotiateRequest()
{
    QByteArray baSmb;
    QDataStream oOut(&baSmb, QIODevice::WriteOnly);
    oOut.setByteOrder(QDataStream::LittleEndian);
    // SMB2 header, 64 bytes.
    oOut << quint8(0xFE) << quint8('S') << quint8('M') << quint8('B');
    oOut << quint16(64) << quint16(0) << quint32(0); // structure size, credit charge, status
    oOut << quint16(0) << quint16(1);                // NEGOTIATE, credits asked
    oOut << quint32(0) << quint32(0);                // flags, next command
    oOut << quint64(0);                              // message id
    oOut << quint32(0) << quint32(0);                // reserved, tree id
    oOut << quint64(0);                              // session id
    for (int i = 0; i < 16; ++i)
        oOut << quint8(0); // signature
    // NEGOTIATE request.
    const quint16 anDialects[] = {0x0202, 0x0210, 0x0300, 0x0302};
    oOut << quint16(36) << quint16(sizeof anDialects / sizeof anDialects[0]);
    oOut << quint16(1) << quint16(0) << quint32(0); // signing enabled, reserved, capabilities
    for (int i = 0; i < 16; ++i)
        oOut << quint8(0x56 + i); // client GUID
    oOut << quint64(0);           // client start time
    for (const quint16 nDialect : anDialects)
        oOut << nDialect;

    QByteArray baFrame(SessionHeaderBytes, '\0');
    baFrame[1] = static_cast<char>((baSmb.size() >> 16) & 0xFF);
    baFrame[2] = static_cast<char>((baSmb.size() >> 8) & 0xFF);
    baFrame[3] = static_cast<char>(baSmb.size() & 0xFF);
    return baFrame + baSmb;
}

bool CSmbPing::LooksLikeSmb(const QByteArray &i_baAnswer)
{
    if (i_baAnswer.size() < SessionHeaderBytes + ProtocolIdBytes || i_baAnswer.at(0) != '\0')
        return false;
    const QByteArray baId = i_baAnswer.mid(SessionHeaderBytes, ProtocolIdBytes);
    return baId == QByteArray("\xFESMB", 4) || baId == QByteArray("\xFFSMB", 4);
}

bool CSmbPing::Answers(const QHostAddress &i_oHost,
                       quint16 i_nPort,
                       int i_nTimeoutMs,
                       int i_nConnectMs)
{
    QDeadlineTimer oDeadline(i_nTimeoutMs);
    QTcpSocket oSocket;
    oSocket.setProxy(QNetworkProxy::NoProxy);
    oSocket.setReadBufferSize(256);
    oSocket.connectToHost(i_oHost, i_nPort);
    const int nWaitMs = static_cast<int>(oDeadline.remainingTime());
    if (!oSocket.waitForConnected(i_nConnectMs > 0 && i_nConnectMs < nWaitMs ? i_nConnectMs
                                                                             : nWaitMs))
        return false;
    oSocket.write(NegotiateRequest());
    QByteArray baAnswer;
    while (baAnswer.size() < SessionHeaderBytes + ProtocolIdBytes) {
        const qint64 nLeftMs = oDeadline.remainingTime();
        if (nLeftMs <= 0 || !oSocket.waitForReadyRead(static_cast<int>(nLeftMs)))
            break;
        baAnswer += oSocket.read(SessionHeaderBytes + ProtocolIdBytes - baAnswer.size());
    }
    oSocket.abort();
    return LooksLikeSmb(baAnswer);
}
