// SPDX-License-Identifier: GPL-3.0-or-later
#include "CHttpProbe.h"

#include "CHtmlTitle.h"
#include "CScanResult.h"
#include "EngineLog.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QSslError>
#include <QSslSocket>
#include <QThread>
#include <QTimer>

#include <memory>

namespace {

// Keeps the first bytes of a reply and throws the rest away as it arrives.
void Drain(QNetworkReply &io_oReply, QByteArray &io_baPrefix, bool i_fKeep)
{
    char aBuf[16 * 1024];
    for (;;) {
        const qint64 nRead = io_oReply.read(aBuf, sizeof aBuf);
        if (nRead <= 0)
            return;
        if (!i_fKeep)
            continue;
        const qint64 nRoom = CHttpProbe::MaxBodyBytes - io_baPrefix.size();
        if (nRoom > 0)
            io_baPrefix.append(aBuf, static_cast<int>(qMin(nRoom, nRead)));
    }
}

} // namespace

CHttpProbe::TAnswer CHttpProbe::Fetch(const QUrl &i_oUrl, bool i_fTakeTitle, int i_nTimeoutMs)
{
    TAnswer oAnswer;
    QByteArray baPrefix;
    QByteArray baContentType;
    {
        QEventLoop oLoop;
        QNetworkAccessManager oNam;
        // A proxy from the environment would carry a LAN probe off the LAN.
        oNam.setProxy(QNetworkProxy::NoProxy);
        oNam.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);

        QNetworkRequest oRequest(i_oUrl);
        oRequest.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                              QNetworkRequest::AlwaysNetwork);
        oRequest.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
        oRequest.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
        if (i_oUrl.scheme() == QLatin1String("https")) {
            QSslConfiguration oSsl = oRequest.sslConfiguration();
            oSsl.setPeerVerifyMode(QSslSocket::VerifyNone);
            oRequest.setSslConfiguration(oSsl);
        }

        std::unique_ptr<QNetworkReply> pReply(oNam.get(oRequest));
        // Bounds what Qt buffers for us between two reads of ours.
        pReply->setReadBufferSize(MaxBodyBytes);
        QNetworkReply *const pRaw = pReply.get();
        QObject::connect(pRaw, &QNetworkReply::sslErrors, pRaw, [pRaw](const QList<QSslError> &) {
            pRaw->ignoreSslErrors();
        });
        QObject::connect(
            pRaw, &QNetworkReply::readyRead, pRaw, [&]() { Drain(*pRaw, baPrefix, i_fTakeTitle); });
        QObject::connect(pRaw, &QNetworkReply::finished, &oLoop, &QEventLoop::quit);
        QTimer oTimer;
        oTimer.setSingleShot(true);
        QObject::connect(&oTimer, &QTimer::timeout, &oLoop, &QEventLoop::quit);
        oTimer.start(i_nTimeoutMs);
        if (!pRaw->isFinished())
            oLoop.exec(QEventLoop::ExcludeUserInputEvents);

        oAnswer.fOk = pRaw->isFinished() && pRaw->error() == QNetworkReply::NoError;
        if (oAnswer.fOk && i_fTakeTitle) {
            if (pRaw->isOpen())
                Drain(*pRaw, baPrefix, true);
            baContentType = pRaw->header(QNetworkRequest::ContentTypeHeader).toByteArray();
        }
        if (!pRaw->isFinished()) {
            qCDebug(lcEngine) << "web probe gave up on" << i_oUrl.toDisplayString();
            pRaw->disconnect();
            pRaw->abort();
        }
        // The reply goes before its manager; the manager then stops its HTTP thread.
    }
    // Qt hands some of its network objects to deleteLater(); a worker runs no event loop of
    // its own between probes, so collect them now rather than when the thread ends.
    const QCoreApplication *pApp = QCoreApplication::instance();
    if (pApp && QThread::currentThread() != pApp->thread())
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (oAnswer.fOk && i_fTakeTitle)
        oAnswer.sTitle = CHtmlTitle::FromBody(baPrefix, baContentType);
    return oAnswer;
}

void CHttpProbe::ProbeHttp(CScanResult &io_oResult)
{
    const TAnswer oAnswer = Fetch(QUrl(QStringLiteral("http://%1").arg(io_oResult.IpText())), true);
    io_oResult.set_has_http(oAnswer.fOk);
    if (oAnswer.fOk)
        io_oResult.set_http_title(oAnswer.sTitle);
}

void CHttpProbe::ProbeHttps(CScanResult &io_oResult)
{
    const TAnswer oAnswer =
        Fetch(QUrl(QStringLiteral("https://%1").arg(io_oResult.IpText())), false);
    io_oResult.set_has_https(oAnswer.fOk);
}
