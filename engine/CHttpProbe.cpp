// SPDX-License-Identifier: GPL-3.0-or-later
#include "CHttpProbe.h"

#include "CHtmlTitle.h"
#include "CHttpResponse.h"
#include "CScanResult.h"
#include "EngineLog.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QNetworkProxy>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpSocket>
#include <QThread>

#include <memory>

namespace {

// What one read takes from the socket; Qt buffers no more than this between two reads.
constexpr int kReadChunkBytes = 16 * 1024;

int RemainingMs(const QDeadlineTimer &i_oDeadline)
{
    return static_cast<int>(qMax<qint64>(0, i_oDeadline.remainingTime()));
}

QByteArray Request(const QUrl &i_oUrl, bool i_fTls)
{
    QByteArray baHost = i_oUrl.host(QUrl::FullyEncoded).toLatin1();
    if (QHostAddress(i_oUrl.host()).protocol() == QAbstractSocket::IPv6Protocol)
        baHost = '[' + baHost + ']';
    const int nPort = i_oUrl.port(-1);
    if (nPort >= 0 && nPort != (i_fTls ? 443 : 80))
        baHost += ':' + QByteArray::number(nPort);
    QByteArray baPath = i_oUrl.path(QUrl::FullyEncoded).toLatin1();
    if (baPath.isEmpty())
        baPath = "/";
    // No compressed body: inflating one would take memory the byte budget does not see.
    return "GET " + baPath + " HTTP/1.1\r\nHost: " + baHost
           + "\r\nAccept: */*\r\nAccept-Encoding: identity\r\nConnection: close\r\n\r\n";
}

// Connects (with the TLS handshake for https), sends the request and feeds the answer to
// io_oResponse until it ends or the deadline passes. False when no answer could be read.
bool Exchange(const QUrl &i_oUrl,
              const QDeadlineTimer &i_oDeadline,
              const QDeadlineTimer &i_oConnectDeadline,
              CHttpResponse &io_oResponse)
{
    const bool fTls = i_oUrl.scheme() == QLatin1String("https");
    const quint16 nPort = static_cast<quint16>(i_oUrl.port(fTls ? 443 : 80));
    std::unique_ptr<QTcpSocket> pSocket;
    if (fTls) {
        auto pSsl = std::make_unique<QSslSocket>();
        QSslConfiguration oSsl = pSsl->sslConfiguration();
        oSsl.setPeerVerifyMode(QSslSocket::VerifyNone);
        pSsl->setSslConfiguration(oSsl);
        pSsl->ignoreSslErrors();
        pSocket = std::move(pSsl);
    } else {
        pSocket = std::make_unique<QTcpSocket>();
    }
    // A proxy from the environment would carry a LAN probe off the LAN.
    pSocket->setProxy(QNetworkProxy::NoProxy);
    pSocket->setReadBufferSize(kReadChunkBytes);
    if (fTls) {
        auto *pSsl = static_cast<QSslSocket *>(pSocket.get());
        pSsl->connectToHostEncrypted(i_oUrl.host(), nPort);
        if (!pSsl->waitForConnected(RemainingMs(i_oConnectDeadline))
            || !pSsl->waitForEncrypted(RemainingMs(i_oDeadline)))
            return false;
    } else {
        pSocket->connectToHost(i_oUrl.host(), nPort);
        if (!pSocket->waitForConnected(RemainingMs(i_oConnectDeadline)))
            return false;
    }
    pSocket->write(Request(i_oUrl, fTls));
    while (pSocket->bytesToWrite() > 0) {
        if (i_oDeadline.hasExpired() || !pSocket->waitForBytesWritten(RemainingMs(i_oDeadline)))
            return false;
    }
    char aBuf[kReadChunkBytes];
    while (io_oResponse.State() == CHttpResponse::EState::Reading) {
        if (pSocket->bytesAvailable() > 0) {
            const qint64 nRead = pSocket->read(aBuf, sizeof aBuf);
            if (nRead < 0)
                return false;
            io_oResponse.Feed(aBuf, static_cast<int>(nRead));
            continue;
        }
        if (pSocket->state() != QAbstractSocket::ConnectedState) {
            io_oResponse.FeedEnd();
            break;
        }
        if (i_oDeadline.hasExpired())
            return false;
        pSocket->waitForReadyRead(RemainingMs(i_oDeadline));
    }
    // Whatever the peer still sends is not read: close at once rather than wait for it.
    pSocket->abort();
    return true;
}

} // namespace

CHttpProbe::TAnswer
CHttpProbe::Fetch(const QUrl &i_oUrl, bool i_fTakeTitle, int i_nTimeoutMs, int i_nConnectMs)
{
    TAnswer oAnswer;
    const QDeadlineTimer oDeadline(i_nTimeoutMs);
    const QDeadlineTimer oConnectDeadline(
        i_nConnectMs > 0 && i_nConnectMs < i_nTimeoutMs ? i_nConnectMs : i_nTimeoutMs);
    CHttpResponse oResponse(MaxReadBytes);
    if (!Exchange(i_oUrl, oDeadline, oConnectDeadline, oResponse)) {
        qCDebug(lcEngine) << "web probe got no answer from" << i_oUrl.toDisplayString();
    } else if (oResponse.State() == CHttpResponse::EState::Failed) {
        qCDebug(lcEngine) << "web probe refused the answer of" << i_oUrl.toDisplayString() << ":"
                          << oResponse.Failure();
    }
    // Qt may hand pieces of a socket to deleteLater(); a worker runs no event loop of its own
    // between probes, so collect them now rather than when the thread ends.
    const QCoreApplication *pApp = QCoreApplication::instance();
    if (pApp && QThread::currentThread() != pApp->thread())
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    oAnswer.fOk = oResponse.Succeeded();
    if (oAnswer.fOk && i_fTakeTitle)
        oAnswer.sTitle = CHtmlTitle::FromBody(oResponse.Body(), oResponse.ContentType());
    return oAnswer;
}

CHttpProbe::TAnswer CHttpProbe::AskHttp(quint32 i_nIp, const TProbeTimeouts &i_oTimeouts)
{
    return Fetch(QUrl(QStringLiteral("http://%1").arg(IpToText(i_nIp))),
                 true,
                 TimeoutMs,
                 i_oTimeouts.nConnectMs);
}

CHttpProbe::TAnswer CHttpProbe::AskHttps(quint32 i_nIp, const TProbeTimeouts &i_oTimeouts)
{
    return Fetch(QUrl(QStringLiteral("https://%1").arg(IpToText(i_nIp))),
                 false,
                 TimeoutMs,
                 i_oTimeouts.nConnectMs);
}

CHttpProbe::TAnswer
CHttpProbe::AskPort(quint32 i_nIp, int i_nPort, bool i_fHttps, const TProbeTimeouts &i_oTimeouts)
{
    QUrl oUrl;
    oUrl.setScheme(i_fHttps ? QStringLiteral("https") : QStringLiteral("http"));
    oUrl.setHost(IpToText(i_nIp));
    oUrl.setPort(i_nPort);
    return Fetch(oUrl, true, TimeoutMs, i_oTimeouts.nConnectMs);
}

void CHttpProbe::ApplyHttp(const TAnswer &i_oAnswer, CScanResult &io_oResult)
{
    io_oResult.set_has_http(i_oAnswer.fOk);
    if (i_oAnswer.fOk)
        io_oResult.set_http_title(i_oAnswer.sTitle);
}

void CHttpProbe::ApplyHttps(const TAnswer &i_oAnswer, CScanResult &io_oResult)
{
    io_oResult.set_has_https(i_oAnswer.fOk);
}

void CHttpProbe::ProbeHttp(CScanResult &io_oResult, const TProbeTimeouts &i_oTimeouts)
{
    ApplyHttp(AskHttp(io_oResult.ip(), i_oTimeouts), io_oResult);
}

void CHttpProbe::ProbeHttps(CScanResult &io_oResult, const TProbeTimeouts &i_oTimeouts)
{
    ApplyHttps(AskHttps(io_oResult.ip(), i_oTimeouts), io_oResult);
}
