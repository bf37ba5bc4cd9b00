// SPDX-License-Identifier: GPL-3.0-or-later
#include "MScanFtp.h"

#include "CCfg.h"
#include "CScanResult.h"
#include "EngineLog.h"

#include <QHostAddress>
#include <QNetworkProxy>
#include <QTcpSocket>
#include <QTimer>

namespace {

// A greeting, even a multi-line one with a banner, fits in this; a peer that sends more
// without finishing its reply is not an FTP server worth waiting for.
constexpr int MaxGreetingBytes = 8 * 1024;

// "ddd" followed by ' ' (last line of a reply) or '-' (a multi-line reply goes on).
bool ReplyCode(const QByteArray &i_baLine, int &o_nCode, bool &o_fLast)
{
    if (i_baLine.size() < 4)
        return false;
    for (int i = 0; i < 3; ++i) {
        if (i_baLine.at(i) < '0' || i_baLine.at(i) > '9')
            return false;
    }
    if (i_baLine.at(3) != ' ' && i_baLine.at(3) != '-')
        return false;
    o_nCode = i_baLine.left(3).toInt();
    o_fLast = i_baLine.at(3) == ' ';
    return true;
}

} // namespace

MScanFtp::MScanFtp(QObject *i_pParent)
    : QObject(i_pParent)
{
}

void MScanFtp::OnCommandFinished(int i_nId, bool i_fError)
{
    Q_UNUSED(i_nId)
    if (m_fDone)
        return;
    m_fDone = true;
    m_fError = i_fError;
    m_oLoop.quit();
}

bool MScanFtp::TakeReply(const QByteArray &i_baData, int &o_nCode)
{
    for (const char c : i_baData) {
        if (c != '\n') {
            // A line that is not a reply line cannot start a reply; a too long line ends it.
            if (m_baLine.size() < MaxGreetingBytes)
                m_baLine.append(c);
            continue;
        }
        QByteArray baLine = m_baLine;
        m_baLine.clear();
        if (baLine.endsWith('\r'))
            baLine.chop(1);
        int nCode = 0;
        bool fLast = false;
        const bool fCoded = ReplyCode(baLine, nCode, fLast);
        if (m_nMultiCode == 0) {
            if (!fCoded) {
                o_nCode = 0;
                return true;
            }
            if (!fLast) {
                m_nMultiCode = nCode;
                continue;
            }
        } else if (!(fCoded && fLast && nCode == m_nMultiCode)) {
            // Inside a multi-line reply only "<same code> " ends it; other lines are text.
            continue;
        }
        m_nMultiCode = 0;
        // 1xx is "ready in a moment": the greeting proper is still to come.
        if (nCode >= 100 && nCode < 200)
            continue;
        o_nCode = nCode;
        return true;
    }
    return false;
}

bool MScanFtp::Probe(const QHostAddress &i_oHost, quint16 i_nPort, int i_nTimeoutMs)
{
    m_fError = true;
    m_fDone = false;
    m_baLine.clear();
    m_nMultiCode = 0;
    m_nBytesSeen = 0;
    {
        QTcpSocket oSocket;
        oSocket.setProxy(QNetworkProxy::NoProxy);
        oSocket.setReadBufferSize(MaxGreetingBytes);
        connect(&oSocket, &QTcpSocket::readyRead, this, [this, &oSocket]() {
            const QByteArray baData = oSocket.readAll();
            m_nBytesSeen += baData.size();
            int nCode = 0;
            if (TakeReply(baData, nCode))
                OnCommandFinished(0, nCode != 220);
            else if (m_nBytesSeen > MaxGreetingBytes)
                OnCommandFinished(0, true);
        });
        connect(
            &oSocket, &QTcpSocket::errorOccurred, this, [this]() { OnCommandFinished(0, true); });
        connect(
            &oSocket, &QTcpSocket::disconnected, this, [this]() { OnCommandFinished(0, true); });
        QTimer oTimer;
        oTimer.setSingleShot(true);
        connect(&oTimer, &QTimer::timeout, &m_oLoop, &QEventLoop::quit);
        oTimer.start(i_nTimeoutMs);
        oSocket.connectToHost(i_oHost, i_nPort);
        if (!m_fDone)
            m_oLoop.exec(QEventLoop::ExcludeUserInputEvents);
        oSocket.disconnect(this);
        oSocket.abort();
    }
    if (!m_fDone)
        qCDebug(lcEngine) << "no FTP greeting in time from" << i_oHost.toString();
    return m_fDone && !m_fError;
}

bool MScanFtp::Answers(quint32 i_nIp, bool i_fHighAccuracy)
{
    MScanFtp oFtp;
    return oFtp.Probe(
        QHostAddress(i_nIp), Port, i_fHighAccuracy ? HighAccuracyTimeoutMs : TimeoutMs);
}

void MScanFtp::ProbeHost(CScanResult &io_oResult, const CCfg &i_oCfg)
{
    io_oResult.set_has_ftp(Answers(io_oResult.ip(), i_oCfg.high_accuracy()));
}
