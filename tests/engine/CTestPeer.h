// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpServer>

#include <functional>
#include <memory>
#include <vector>

class QHostAddress;
class QThread;
class QTcpSocket;

// Starts the threads, serves the peers on this thread until every one has finished or the
// limit has passed (a hung probe fails the test instead of hanging it), then waits for them.
bool RunAll(std::vector<std::unique_ptr<QThread>> &io_vThreads, int i_nLimitMs = 120000);
// Runs i_fnWork on a fresh thread, as a scan worker would, while this thread serves the peers.
bool OnWorker(const std::function<void()> &i_fnWork, int i_nLimitMs = 120000);
// The same, o_rnMs set to how long the work took on its thread.
bool TimedOnWorker(const std::function<void()> &i_fnWork, qint64 &o_rnMs, int i_nLimitMs = 120000);
// An XHTML page with the given title, as a peer's answer body.
QByteArray Xhtml(const QByteArray &i_baTitle);
// This process's resident memory in KiB (VmRSS), -1 when it cannot be read.
qint64 ResidentKiB();

// A scripted TCP server for probe tests, living on the test's main thread while the probe
// runs on a worker. On each connection it optionally waits for a request (up to an empty line,
// as HTTP does, or for any bytes), sends its answer, and then closes, holds the connection
// silently, trickles one byte every 100 ms forever, or streams a long body.
// With a certificate and key it speaks TLS (server side) first.
class CTestPeer final : public QTcpServer
{
    Q_OBJECT
    Q_DISABLE_COPY(CTestPeer)

public:
    enum class EWait
    {
        Nothing,
        HttpRequest,
        AnyBytes
    };
    enum class EAfter
    {
        Close,
        Hold,
        Trickle,
        Stream
    };

    CTestPeer(EWait i_eWait,
              const QByteArray &i_baAnswer,
              EAfter i_eAfter,
              QObject *i_pParent = nullptr);

    // Bytes to stream after the answer when EAfter::Stream, then close.
    void SetStreamBytes(qint64 i_nBytes) { m_nStreamBytes = i_nBytes; }
    // What the stream repeats; 'y' when unset.
    void SetStreamPattern(const QByteArray &i_baPattern) { m_baStreamPattern = i_baPattern; }
    // Answer only this long after the request (or the connection) came.
    void SetDelayMs(int i_nMs) { m_nDelayMs = i_nMs; }
    // Time between two trickled bytes when EAfter::Trickle.
    void SetTrickleIntervalMs(int i_nMs) { m_nTrickleMs = i_nMs; }
    void SetTls(const QSslCertificate &i_oCert, const QSslKey &i_oKey);

    int Connections() const { return m_nConnections; }
    QByteArray FirstRequest() const { return m_baFirstRequest; }

    static QByteArray HttpAnswer(int i_nStatus,
                                 const QByteArray &i_baBody,
                                 const QByteArray &i_baContentType = "text/html");

protected:
    void incomingConnection(qintptr i_nDescriptor) override;

private:
    void Start(QTcpSocket *io_pSocket);
    void OnData(QTcpSocket *io_pSocket);
    void Answer(QTcpSocket *io_pSocket);
    void StreamMore(QTcpSocket *io_pSocket);

    EWait m_eWait;
    QByteArray m_baAnswer;
    EAfter m_eAfter;
    qint64 m_nStreamBytes = 0;
    QByteArray m_baStreamPattern = "y";
    QByteArray m_baStreamBlock;
    int m_nDelayMs = 0;
    int m_nTrickleMs = 100;
    QSslCertificate m_oCert;
    QSslKey m_oKey;
    int m_nConnections = 0;
    QByteArray m_baFirstRequest;
    QHash<QTcpSocket *, QByteArray> m_mSeen;
};

// A TCP port that drops every connection attempt, as a firewalled host does: a listening
// socket with an accept queue of length 0, held full by one connection of its own, so that the
// system answers no further SYN. For the test's own network namespace.
class CDroppingPort final
{
public:
    CDroppingPort() = default;
    ~CDroppingPort();
    CDroppingPort(const CDroppingPort &) = delete;
    CDroppingPort &operator=(const CDroppingPort &) = delete;

    bool Open(const QHostAddress &i_oAddress, quint16 i_nPort);

private:
    int m_nListener = -1;
    int m_nFiller = -1;
};
