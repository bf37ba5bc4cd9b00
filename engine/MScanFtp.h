// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QEventLoop>
#include <QObject>

class CCfg;
class CScanResult;
class QHostAddress;

// The FTP probe: a host serves FTP when a connection to its port 21 brings the server's 220
// greeting within the time (500 ms, 3000 ms with high accuracy). That greeting is what ends an
// FTP client's connect command; we read it ourselves on a QTcpSocket.
//
// Created on the calling worker's stack; runs a local event loop there and destroys its socket
// before Probe() returns. Any other first reply, a refusal, a close, silence or an endless
// line counts as no FTP.
class MScanFtp final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(MScanFtp)

public:
    static constexpr int TimeoutMs = 500;
    static constexpr int HighAccuracyTimeoutMs = 3000;
    static constexpr quint16 Port = 21;

    explicit MScanFtp(QObject *i_pParent = nullptr);

    // True when the greeting arrived in time.
    bool Probe(const QHostAddress &i_oHost, quint16 i_nPort, int i_nTimeoutMs);

    // Sets has_ftp from a probe of port 21.
    static void ProbeHost(CScanResult &io_oResult, const CCfg &i_oCfg);
    // What ProbeHost() asks: whether port 21 of i_nIp greets within the mode's time-out.
    static bool Answers(quint32 i_nIp, bool i_fHighAccuracy);

public slots:
    // Ends the wait; i_fError false means the connect finished with the greeting. i_nId is unused.
    void OnCommandFinished(int i_nId, bool i_fError);

private:
    // Feeds received bytes; returns true when a complete final reply has been seen, with its
    // code in o_nCode.
    bool TakeReply(const QByteArray &i_baData, int &o_nCode);

    QEventLoop m_oLoop;
    bool m_fError = true;
    bool m_fDone = false;
    QByteArray m_baLine;
    int m_nMultiCode = 0;
    int m_nBytesSeen = 0;
};
