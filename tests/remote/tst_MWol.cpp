// SPDX-License-Identifier: GPL-3.0-or-later
// Runs in a namespace that has only loopback. A broadcast route on lo makes the real destination,
// 255.255.255.255:40000, deliverable to a receiver in the same namespace and nowhere else.
#include "../helpers/OwnedThread.h"
#include "MWol.h"
#include "NamespaceGuard.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QProcess>
#include <QThread>
#include <QUdpSocket>
#include <QtTest>

#include <memory>

namespace {

QByteArray Bytes(std::initializer_list<int> i_lnBytes)
{
    QByteArray oBytes;
    for (int n : i_lnBytes)
        oBytes.append(char(n));
    return oBytes;
}

QByteArray Repeat(const QByteArray &i_oMac)
{
    QByteArray oPacket(6, char(0xFF));
    for (int i = 0; i < 16; ++i)
        oPacket.append(i_oMac);
    return oPacket;
}

} // namespace

class TestMWol : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void magicPacket_data();
    void magicPacket();
    void sendsOneDatagramPerRequest_data();
    void sendsOneDatagramPerRequest();

private:
    QString m_sSkip;
    std::unique_ptr<QUdpSocket> m_pReceiver;
    TOwnedThread m_pThread;
    MWol *m_pWol = nullptr;
};

void TestMWol::initTestCase()
{
    if (!InOwnLoopbackNamespace(&m_sSkip))
        return;
    if (!RouteBroadcastOnLoopback())
        m_sSkip = QStringLiteral("cannot add the broadcast route on lo (needs root)");
}

void TestMWol::init()
{
    m_pReceiver = std::make_unique<QUdpSocket>();
    m_pThread.reset(new QThread);
    m_pThread->setObjectName(QStringLiteral("wol"));
    m_pWol = new MWol;
    m_pWol->moveToThread(m_pThread.get());
    connect(m_pThread.get(), &QThread::finished, m_pWol, &QObject::deleteLater);
    m_pThread->start();
}

void TestMWol::cleanup()
{
    m_pThread.reset();
    m_pWol = nullptr;
    m_pReceiver.reset();
}

void TestMWol::magicPacket_data()
{
    QTest::addColumn<QByteArray>("mac");
    QTest::addColumn<QByteArray>("packet");
    const QByteArray oMac = Bytes({0x00, 0x11, 0x22, 0x33, 0x44, 0x55});
    QTest::newRow("six bytes repeated sixteen times after six 0xFF") << oMac << Repeat(oMac);
    const QByteArray oZero(6, '\0');
    QTest::newRow("unknown MAC still gives a packet for zeros") << oZero << Repeat(oZero);
    QTest::newRow("longer array uses its first six bytes")
        << Bytes({1, 2, 3, 4, 5, 6, 7, 8}) << Repeat(Bytes({1, 2, 3, 4, 5, 6}));
    QTest::newRow("shorter array gives no packet") << Bytes({1, 2, 3}) << QByteArray();
    QTest::newRow("empty array gives no packet") << QByteArray() << QByteArray();
}

void TestMWol::magicPacket()
{
    QFETCH(QByteArray, mac);
    QFETCH(QByteArray, packet);
    const QByteArray oPacket = MWol::MagicPacket(mac);
    QCOMPARE(oPacket.toHex(), packet.toHex());
    if (!packet.isEmpty())
        QCOMPARE(oPacket.size(), 102);
}

void TestMWol::sendsOneDatagramPerRequest_data()
{
    QTest::addColumn<QList<QByteArray>>("macs");
    QTest::addColumn<int>("expected");
    const QByteArray oA = Bytes({0x00, 0x11, 0x22, 0x33, 0x44, 0x55});
    const QByteArray oB = Bytes({0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0x01});
    const QByteArray oZero(6, '\0');
    QTest::newRow("three rows give three datagrams") << QList<QByteArray>{oA, oB, oZero} << 3;
    QTest::newRow("same machine twice gives two datagrams") << QList<QByteArray>{oA, oA} << 2;
    QTest::newRow("short MAC is skipped, the rest still go")
        << QList<QByteArray>{Bytes({1, 2}), oB} << 1;
    QTest::newRow("no rows send nothing") << QList<QByteArray>{} << 0;
}

void TestMWol::sendsOneDatagramPerRequest()
{
    if (!m_sSkip.isEmpty())
        QSKIP(qPrintable(m_sSkip));
    QFETCH(QList<QByteArray>, macs);
    QFETCH(int, expected);
    QVERIFY(m_pReceiver->bind(QHostAddress(QHostAddress::AnyIPv4), MWol::kPort));

    QList<QByteArray> loExpected;
    for (const QByteArray &oMac : macs) {
        if (!MWol::MagicPacket(oMac).isEmpty())
            loExpected << MWol::MagicPacket(oMac);
        QMetaObject::invokeMethod(
            m_pWol, [this, oMac] { m_pWol->OnWakeOnLan(oMac); }, Qt::QueuedConnection);
    }
    // A marker sent last from the same thread: once it arrives, every packet before it has too.
    QMetaObject::invokeMethod(
        m_pWol,
        [] {
            QUdpSocket oMarker;
            oMarker.writeDatagram(QByteArray("end"), QHostAddress::LocalHost, MWol::kPort);
        },
        Qt::QueuedConnection);

    QList<QNetworkDatagram> loReceived;
    bool fEnd = false;
    QSignalSpy oSpy(m_pReceiver.get(), &QUdpSocket::readyRead);
    for (int nRound = 0; !fEnd && nRound < 50; ++nRound) {
        while (m_pReceiver->hasPendingDatagrams()) {
            const QNetworkDatagram oDatagram = m_pReceiver->receiveDatagram();
            if (oDatagram.data() == "end")
                fEnd = true;
            else
                loReceived << oDatagram;
        }
        if (!fEnd)
            oSpy.wait(200);
    }
    QVERIFY2(fEnd, "the end marker never arrived");
    QCOMPARE(loReceived.size(), expected);
    for (int i = 0; i < loReceived.size(); ++i) {
        QCOMPARE(loReceived.at(i).data().size(), 102);
        QCOMPARE(loReceived.at(i).data().toHex(), loExpected.at(i).toHex());
        QCOMPARE(loReceived.at(i).destinationAddress().toString(),
                 QStringLiteral("255.255.255.255"));
        QCOMPARE(loReceived.at(i).destinationPort(), int(MWol::kPort));
    }
}

QTEST_GUILESS_MAIN(TestMWol)
#include "tst_MWol.moc"
