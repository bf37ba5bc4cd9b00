// SPDX-License-Identifier: GPL-3.0-or-later
#include "CTestPeer.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHostAddress>
#include <QSslSocket>
#include <QThread>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

CTestPeer::CTestPeer(EWait i_eWait,
                     const QByteArray &i_baAnswer,
                     EAfter i_eAfter,
                     QObject *i_pParent)
    : QTcpServer(i_pParent)
    , m_eWait(i_eWait)
    , m_baAnswer(i_baAnswer)
    , m_eAfter(i_eAfter)
{
}

void CTestPeer::SetTls(const QSslCertificate &i_oCert, const QSslKey &i_oKey)
{
    m_oCert = i_oCert;
    m_oKey = i_oKey;
}

QByteArray
CTestPeer::HttpAnswer(int i_nStatus, const QByteArray &i_baBody, const QByteArray &i_baContentType)
{
    return "HTTP/1.1 " + QByteArray::number(i_nStatus) + " X\r\nContent-Type: " + i_baContentType
           + "\r\nContent-Length: " + QByteArray::number(i_baBody.size())
           + "\r\nConnection: close\r\n\r\n" + i_baBody;
}

void CTestPeer::incomingConnection(qintptr i_nDescriptor)
{
    ++m_nConnections;
    if (m_oCert.isNull()) {
        auto *pSocket = new QTcpSocket(this);
        pSocket->setSocketDescriptor(i_nDescriptor);
        Start(pSocket);
        return;
    }
    auto *pSocket = new QSslSocket(this);
    pSocket->setSocketDescriptor(i_nDescriptor);
    pSocket->setLocalCertificate(m_oCert);
    pSocket->setPrivateKey(m_oKey);
    connect(pSocket, &QSslSocket::encrypted, this, [this, pSocket]() { Start(pSocket); });
    connect(pSocket, &QAbstractSocket::disconnected, this, [this, pSocket]() {
        m_mSeen.remove(pSocket);
        pSocket->deleteLater();
    });
    pSocket->startServerEncryption();
}

void CTestPeer::Start(QTcpSocket *io_pSocket)
{
    if (m_oCert.isNull()) {
        connect(io_pSocket, &QAbstractSocket::disconnected, this, [this, io_pSocket]() {
            m_mSeen.remove(io_pSocket);
            io_pSocket->deleteLater();
        });
    }
    if (m_eWait == EWait::Nothing) {
        Answer(io_pSocket);
        return;
    }
    m_mSeen.insert(io_pSocket, QByteArray());
    connect(io_pSocket, &QIODevice::readyRead, this, [this, io_pSocket]() { OnData(io_pSocket); });
    if (io_pSocket->bytesAvailable() > 0)
        OnData(io_pSocket);
}

void CTestPeer::OnData(QTcpSocket *io_pSocket)
{
    if (!m_mSeen.contains(io_pSocket)) {
        io_pSocket->readAll();
        return;
    }
    QByteArray &baSeen = m_mSeen[io_pSocket];
    baSeen += io_pSocket->readAll();
    const bool fComplete =
        m_eWait == EWait::AnyBytes ? !baSeen.isEmpty() : baSeen.contains("\r\n\r\n");
    if (!fComplete)
        return;
    if (m_baFirstRequest.isEmpty())
        m_baFirstRequest = baSeen;
    m_mSeen.remove(io_pSocket);
    Answer(io_pSocket);
}

void CTestPeer::Answer(QTcpSocket *io_pSocket)
{
    if (m_nDelayMs > 0 && !io_pSocket->property("delayed").toBool()) {
        io_pSocket->setProperty("delayed", true);
        QTimer::singleShot(m_nDelayMs, io_pSocket, [this, io_pSocket]() { Answer(io_pSocket); });
        return;
    }
    io_pSocket->write(m_baAnswer);
    switch (m_eAfter) {
    case EAfter::Close:
        io_pSocket->disconnectFromHost();
        break;
    case EAfter::Hold:
        break;
    case EAfter::Trickle: {
        auto *pTimer = new QTimer(io_pSocket);
        connect(pTimer, &QTimer::timeout, io_pSocket, [io_pSocket]() { io_pSocket->write("x"); });
        pTimer->start(m_nTrickleMs);
        break;
    }
    case EAfter::Stream:
        io_pSocket->setProperty("left", m_nStreamBytes);
        connect(io_pSocket, &QIODevice::bytesWritten, this, [this, io_pSocket]() {
            StreamMore(io_pSocket);
        });
        StreamMore(io_pSocket);
        break;
    }
}

void CTestPeer::StreamMore(QTcpSocket *io_pSocket)
{
    if (io_pSocket->bytesToWrite() > 256 * 1024)
        return;
    const qint64 nLeft = io_pSocket->property("left").toLongLong();
    if (nLeft <= 0) {
        io_pSocket->disconnectFromHost();
        return;
    }
    if (m_baStreamBlock.isEmpty()) {
        while (m_baStreamBlock.size() < 64 * 1024)
            m_baStreamBlock += m_baStreamPattern;
    }
    const qint64 nChunk = qMin<qint64>(nLeft, m_baStreamBlock.size());
    io_pSocket->write(m_baStreamBlock.constData(), nChunk);
    io_pSocket->setProperty("left", nLeft - nChunk);
}

bool RunAll(std::vector<std::unique_ptr<QThread>> &io_vThreads, int i_nLimitMs)
{
    QEventLoop oLoop;
    int nRunning = static_cast<int>(io_vThreads.size());
    for (auto &pThread : io_vThreads) {
        QObject::connect(
            pThread.get(),
            &QThread::finished,
            &oLoop,
            [&]() {
                if (--nRunning == 0)
                    oLoop.quit();
            },
            Qt::QueuedConnection);
    }
    QTimer::singleShot(i_nLimitMs, &oLoop, &QEventLoop::quit);
    for (auto &pThread : io_vThreads)
        pThread->start();
    oLoop.exec();
    for (auto &pThread : io_vThreads)
        pThread->wait();
    return nRunning == 0;
}

bool OnWorker(const std::function<void()> &i_fnWork, int i_nLimitMs)
{
    std::vector<std::unique_ptr<QThread>> vThreads;
    vThreads.emplace_back(QThread::create(i_fnWork));
    return RunAll(vThreads, i_nLimitMs);
}

bool TimedOnWorker(const std::function<void()> &i_fnWork, qint64 &o_rnMs, int i_nLimitMs)
{
    return OnWorker(
        [&]() {
            QElapsedTimer oTimer;
            oTimer.start();
            i_fnWork();
            o_rnMs = oTimer.elapsed();
        },
        i_nLimitMs);
}

QByteArray Xhtml(const QByteArray &i_baTitle)
{
    return "<?xml version=\"1.0\"?>\n<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>"
           + i_baTitle + "</title></head><body><p>x</p></body></html>";
}

qint64 ResidentKiB()
{
    QFile oStatus(QStringLiteral("/proc/self/status"));
    if (!oStatus.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &baLine : oStatus.readAll().split('\n')) {
        if (baLine.startsWith("VmRSS:"))
            return baLine.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

CDroppingPort::~CDroppingPort()
{
    if (m_nFiller >= 0)
        close(m_nFiller);
    if (m_nListener >= 0)
        close(m_nListener);
}

bool CDroppingPort::Open(const QHostAddress &i_oAddress, quint16 i_nPort)
{
    sockaddr_in oAddress{};
    oAddress.sin_family = AF_INET;
    oAddress.sin_port = htons(i_nPort);
    oAddress.sin_addr.s_addr = htonl(i_oAddress.toIPv4Address());
    const auto *pAddress = reinterpret_cast<const sockaddr *>(&oAddress);
    m_nListener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int nOn = 1;
    if (m_nListener < 0 || setsockopt(m_nListener, SOL_SOCKET, SO_REUSEADDR, &nOn, sizeof nOn) != 0
        || bind(m_nListener, pAddress, sizeof oAddress) != 0 || listen(m_nListener, 0) != 0)
        return false;
    // The one connection the queue holds; it is never accepted.
    m_nFiller = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    return m_nFiller >= 0 && ::connect(m_nFiller, pAddress, sizeof oAddress) == 0;
}
