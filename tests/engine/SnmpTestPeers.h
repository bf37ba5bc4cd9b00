// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QMutex>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>

// Peers for the SNMP tests, meant to run inside a network namespace of the test's own (they
// bind port 161 on loopback addresses).

// True when this process runs in a network namespace other than the machine's first one.
bool InPrivateNetworkNamespace();

// A real snmpd on 127.0.0.1:161 answering community "public" with a fixed sysName.
class CSnmpdPeer final
{
public:
    CSnmpdPeer() = default;
    ~CSnmpdPeer();
    // Starts the agent and waits (at most 10 s) until snmpget gets an answer from it.
    bool Start(const QByteArray &i_baSysName, QString &o_sError);
    void Stop();

private:
    QTemporaryDir m_oDir;
    QProcess m_oProcess;
};

// Runs snmpget for system.sysName.0 of i_sAddress, as the cross-check: returns the value text,
// or a null string when it got none.
QString SnmpGetSysName(const QString &i_sAddress);

// A hand-made SNMP agent on 127.0.0.2:161 that answers GET requests the way it is told:
// with a chosen string, another value type, a malformed datagram or nothing at all.
class CFakeSnmpAgent final : public QThread
{
public:
    enum class EReply
    {
        String,
        Integer,
        NullValue,
        TwoBindings,
        Garbage,
        Silence
    };

    CFakeSnmpAgent();
    ~CFakeSnmpAgent() override;

    bool Listen(QString &o_sError);
    void SetReply(EReply i_eReply, const QByteArray &i_baValue = QByteArray());
    // Sends the answers from i_nIp:161 (host byte order, a loopback address) instead of the
    // address asked, as a neighbour forging them would. Call before the first request.
    bool AnswerFrom(quint32 i_nIp, QString &o_sError);
    int RequestCount() const { return m_nRequests.load(); }
    // Answers only this long after the request came, as a busy agent does.
    void SetDelayMs(int i_nMs) { m_nDelayMs = i_nMs; }

protected:
    void run() override;

private:
    QByteArray Answer(const QByteArray &i_baRequest);

    mutable QMutex m_oMutex;
    EReply m_eReply = EReply::Silence;
    QByteArray m_baValue;
    std::atomic<int> m_nRequests{0};
    std::atomic<int> m_nDelayMs{0};
    std::atomic<int> m_nSocket{-1};
    std::atomic<int> m_nForgerSocket{-1};
};
