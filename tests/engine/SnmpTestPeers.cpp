// SPDX-License-Identifier: GPL-3.0-or-later
#include "SnmpTestPeers.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>

#include <cstring>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kSysNameOid[] = ".1.3.6.1.2.1.1.5.0";
const QByteArray kSysNameOidBer = QByteArray::fromHex("2b06010201010500");

QByteArray Length(int i_nLength)
{
    if (i_nLength < 0x80)
        return QByteArray(1, static_cast<char>(i_nLength));
    if (i_nLength < 0x100)
        return QByteArray("\x81", 1) + QByteArray(1, static_cast<char>(i_nLength));
    QByteArray ba("\x82", 1);
    ba.append(static_cast<char>(i_nLength >> 8));
    ba.append(static_cast<char>(i_nLength & 0xFF));
    return ba;
}

QByteArray Tlv(quint8 i_nTag, const QByteArray &i_baValue)
{
    return QByteArray(1, static_cast<char>(i_nTag)) + Length(i_baValue.size()) + i_baValue;
}

// Reads the tag/length header at io_nOffset; returns false when the bytes do not hold one.
bool ReadHeader(const QByteArray &i_ba, int &io_nOffset, quint8 &o_nTag, int &o_nLength)
{
    if (io_nOffset + 2 > i_ba.size())
        return false;
    o_nTag = static_cast<quint8>(i_ba.at(io_nOffset));
    int nLength = static_cast<quint8>(i_ba.at(io_nOffset + 1));
    io_nOffset += 2;
    if (nLength & 0x80) {
        const int nBytes = nLength & 0x7F;
        if (nBytes < 1 || nBytes > 2 || io_nOffset + nBytes > i_ba.size())
            return false;
        nLength = 0;
        for (int i = 0; i < nBytes; ++i)
            nLength = (nLength << 8) | static_cast<quint8>(i_ba.at(io_nOffset + i));
        io_nOffset += nBytes;
    }
    o_nLength = nLength;
    return io_nOffset + nLength <= i_ba.size();
}

} // namespace

bool InPrivateNetworkNamespace()
{
    // Named namespaces (ip netns) are bind mounts under /run/netns; ours must be one of them.
    struct stat oOwn;
    if (stat("/proc/self/ns/net", &oOwn) != 0)
        return false;
    const QStringList lsNames =
        QDir(QStringLiteral("/run/netns")).entryList(QDir::Files | QDir::System);
    for (const QString &sName : lsNames) {
        struct stat oNamed;
        const QByteArray baPath = QFile::encodeName(QStringLiteral("/run/netns/") + sName);
        if (stat(baPath.constData(), &oNamed) == 0 && oNamed.st_ino == oOwn.st_ino
            && oNamed.st_dev == oOwn.st_dev)
            return true;
    }
    return false;
}

CSnmpdPeer::~CSnmpdPeer()
{
    Stop();
}

bool CSnmpdPeer::Start(const QByteArray &i_baSysName, QString &o_sError)
{
    if (!m_oDir.isValid()) {
        o_sError = QStringLiteral("no temporary directory");
        return false;
    }
    QFile oConf(m_oDir.filePath(QStringLiteral("snmpd.conf")));
    if (!oConf.open(QIODevice::WriteOnly)) {
        o_sError = QStringLiteral("cannot write snmpd.conf");
        return false;
    }
    oConf.write("agentAddress udp:127.0.0.1:161\nrocommunity public default\nsysName " + i_baSysName
                + "\n");
    oConf.close();

    QProcessEnvironment oEnv = QProcessEnvironment::systemEnvironment();
    oEnv.insert(QStringLiteral("SNMP_PERSISTENT_DIR"), m_oDir.path());
    m_oProcess.setProcessEnvironment(oEnv);
    // snmpd complains about every MIB module Debian does not ship; its log file keeps the rest.
    m_oProcess.setStandardOutputFile(m_oDir.filePath(QStringLiteral("snmpd.out")));
    m_oProcess.setStandardErrorFile(m_oDir.filePath(QStringLiteral("snmpd.err")));
    m_oProcess.start(QStringLiteral("snmpd"),
                     {QStringLiteral("-f"),
                      QStringLiteral("-C"),
                      QStringLiteral("-c"),
                      oConf.fileName(),
                      QStringLiteral("-I"),
                      QStringLiteral("-smux"),
                      QStringLiteral("-Lf"),
                      m_oDir.filePath(QStringLiteral("snmpd.log")),
                      QStringLiteral("-p"),
                      m_oDir.filePath(QStringLiteral("snmpd.pid"))});
    if (!m_oProcess.waitForStarted(5000)) {
        o_sError = QStringLiteral("snmpd did not start: ") + m_oProcess.errorString();
        return false;
    }
    QElapsedTimer oTimer;
    oTimer.start();
    while (oTimer.elapsed() < 10000) {
        if (m_oProcess.state() != QProcess::Running) {
            o_sError = QStringLiteral("snmpd ended at start-up");
            return false;
        }
        if (!SnmpGetSysName(QStringLiteral("127.0.0.1")).isNull())
            return true;
    }
    o_sError = QStringLiteral("snmpd gave no answer within 10 s");
    return false;
}

void CSnmpdPeer::Stop()
{
    if (m_oProcess.state() == QProcess::NotRunning)
        return;
    m_oProcess.terminate();
    if (!m_oProcess.waitForFinished(5000)) {
        m_oProcess.kill();
        m_oProcess.waitForFinished(5000);
    }
}

QString SnmpGetSysName(const QString &i_sAddress)
{
    QProcess oGet;
    oGet.setProcessChannelMode(QProcess::SeparateChannels);
    // -m "" and an empty MIB path: Debian ships no MIB modules, so numeric OIDs only.
    oGet.start(QStringLiteral("snmpget"),
               {QStringLiteral("-v1"),
                QStringLiteral("-c"),
                QStringLiteral("public"),
                QStringLiteral("-m"),
                QString(),
                QStringLiteral("-M"),
                QString(),
                // Long enough for the test network's slow agent (1.5 s).
                QStringLiteral("-t"),
                QStringLiteral("3"),
                QStringLiteral("-r"),
                QStringLiteral("0"),
                QStringLiteral("-Oqv"),
                i_sAddress,
                QLatin1String(kSysNameOid)});
    if (!oGet.waitForFinished(5000)) {
        oGet.kill();
        oGet.waitForFinished(1000);
        return QString();
    }
    if (oGet.exitStatus() != QProcess::NormalExit || oGet.exitCode() != 0)
        return QString();
    QByteArray baOut = oGet.readAllStandardOutput().trimmed();
    if (baOut.size() >= 2 && baOut.startsWith('"') && baOut.endsWith('"'))
        baOut = baOut.mid(1, baOut.size() - 2);
    return QString::fromLocal8Bit(baOut);
}

CFakeSnmpAgent::CFakeSnmpAgent()
{
    setObjectName(QStringLiteral("fake snmp agent"));
}

CFakeSnmpAgent::~CFakeSnmpAgent()
{
    requestInterruption();
    wait();
    for (std::atomic<int> *pSocket : {&m_nSocket, &m_nForgerSocket}) {
        const int nSocket = pSocket->exchange(-1);
        if (nSocket >= 0)
            close(nSocket);
    }
}

bool CFakeSnmpAgent::AnswerFrom(quint32 i_nIp, QString &o_sError)
{
    const int nSocket = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in oAddress;
    std::memset(&oAddress, 0, sizeof(oAddress));
    oAddress.sin_family = AF_INET;
    oAddress.sin_port = htons(161);
    oAddress.sin_addr.s_addr = htonl(i_nIp);
    if (nSocket < 0
        || bind(nSocket, reinterpret_cast<const sockaddr *>(&oAddress), sizeof(oAddress)) != 0) {
        o_sError =
            QStringLiteral("forger's socket: ") + QString::fromLocal8Bit(std::strerror(errno));
        if (nSocket >= 0)
            close(nSocket);
        return false;
    }
    m_nForgerSocket.store(nSocket);
    return true;
}

bool CFakeSnmpAgent::Listen(QString &o_sError)
{
    const int nSocket = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (nSocket < 0) {
        o_sError = QStringLiteral("socket: ") + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    sockaddr_in oAddress;
    std::memset(&oAddress, 0, sizeof(oAddress));
    oAddress.sin_family = AF_INET;
    oAddress.sin_port = htons(161);
    oAddress.sin_addr.s_addr = htonl(0x7F000002);
    if (bind(nSocket, reinterpret_cast<const sockaddr *>(&oAddress), sizeof(oAddress)) != 0) {
        o_sError =
            QStringLiteral("bind 127.0.0.2:161: ") + QString::fromLocal8Bit(std::strerror(errno));
        close(nSocket);
        return false;
    }
    m_nSocket.store(nSocket);
    start();
    return true;
}

void CFakeSnmpAgent::SetReply(EReply i_eReply, const QByteArray &i_baValue)
{
    QMutexLocker oLock(&m_oMutex);
    m_eReply = i_eReply;
    m_baValue = i_baValue;
}

void CFakeSnmpAgent::run()
{
    const int nSocket = m_nSocket.load();
    QByteArray baBuffer(65536, '\0');
    while (!isInterruptionRequested()) {
        pollfd oPoll{nSocket, POLLIN, 0};
        if (poll(&oPoll, 1, 50) <= 0)
            continue;
        sockaddr_in oFrom;
        socklen_t nFromLength = sizeof(oFrom);
        const ssize_t nRead = recvfrom(nSocket,
                                       baBuffer.data(),
                                       static_cast<size_t>(baBuffer.size()),
                                       0,
                                       reinterpret_cast<sockaddr *>(&oFrom),
                                       &nFromLength);
        if (nRead <= 0)
            continue;
        ++m_nRequests;
        if (m_nDelayMs.load() > 0)
            msleep(static_cast<unsigned long>(m_nDelayMs.load()));
        const QByteArray baAnswer = Answer(baBuffer.left(static_cast<int>(nRead)));
        const int nForger = m_nForgerSocket.load();
        if (!baAnswer.isEmpty())
            sendto(nForger >= 0 ? nForger : nSocket,
                   baAnswer.constData(),
                   static_cast<size_t>(baAnswer.size()),
                   0,
                   reinterpret_cast<const sockaddr *>(&oFrom),
                   nFromLength);
    }
}

QByteArray CFakeSnmpAgent::Answer(const QByteArray &i_baRequest)
{
    EReply eReply;
    QByteArray baValue;
    {
        QMutexLocker oLock(&m_oMutex);
        eReply = m_eReply;
        baValue = m_baValue;
    }
    if (eReply == EReply::Silence)
        return QByteArray();
    if (eReply == EReply::Garbage)
        return QByteArray::fromHex("3082ffff020100");

    // message: SEQUENCE { version, community, GetRequest { request-id, ... } }
    int nOffset = 0;
    quint8 nTag = 0;
    int nLength = 0;
    if (!ReadHeader(i_baRequest, nOffset, nTag, nLength) || nTag != 0x30)
        return QByteArray();
    for (int i = 0; i < 2; ++i) {
        if (!ReadHeader(i_baRequest, nOffset, nTag, nLength))
            return QByteArray();
        nOffset += nLength;
    }
    if (!ReadHeader(i_baRequest, nOffset, nTag, nLength) || nTag != 0xA0)
        return QByteArray();
    const int nIdStart = nOffset;
    if (!ReadHeader(i_baRequest, nOffset, nTag, nLength) || nTag != 0x02)
        return QByteArray();
    const QByteArray baRequestId = i_baRequest.mid(nIdStart, nOffset + nLength - nIdStart);

    QByteArray baBindingValue;
    switch (eReply) {
    case EReply::String:
    case EReply::TwoBindings:
        baBindingValue = Tlv(0x04, baValue);
        break;
    case EReply::Integer:
        baBindingValue = Tlv(0x02, QByteArray(1, 42));
        break;
    default:
        baBindingValue = Tlv(0x05, QByteArray());
        break;
    }
    const QByteArray baBinding = Tlv(0x30, Tlv(0x06, kSysNameOidBer) + baBindingValue);
    QByteArray baBindings = baBinding;
    if (eReply == EReply::TwoBindings)
        baBindings += Tlv(0x30, Tlv(0x06, kSysNameOidBer) + Tlv(0x04, QByteArray("second")));
    const QByteArray baPdu = Tlv(0xA2,
                                 baRequestId + Tlv(0x02, QByteArray(1, 0))
                                     + Tlv(0x02, QByteArray(1, 0)) + Tlv(0x30, baBindings));
    return Tlv(0x30, Tlv(0x02, QByteArray(1, 0)) + Tlv(0x04, QByteArray("public")) + baPdu);
}
