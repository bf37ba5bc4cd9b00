// SPDX-License-Identifier: GPL-3.0-or-later
#include "CScanResult.h"
#include "MIpMacDataStorage.h"

#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <memory>
#include <vector>

namespace {

quint32 Ip(int a, int b, int c, int d)
{
    return (quint32(a) << 24) | (quint32(b) << 16) | (quint32(c) << 8) | quint32(d);
}

QByteArray Mac(const char *i_pHex)
{
    return QByteArray::fromHex(i_pHex);
}

QByteArray ReadAll(const QString &i_sPath)
{
    QFile oFile(i_sPath);
    if (!oFile.open(QIODevice::ReadOnly))
        return QByteArray();
    return oFile.readAll();
}

bool WriteAll(const QString &i_sPath, const QByteArray &i_baData)
{
    QFile oFile(i_sPath);
    return oFile.open(QIODevice::WriteOnly | QIODevice::Truncate)
           && oFile.write(i_baData) == i_baData.size();
}

// A valid file of two entries: 10.0.0.1 -> (00:11:22:33:44:55, "pc1"), 200.1.1.1 -> (six bytes,
// null).
QByteArray KnownFile()
{
    return QByteArray::fromHex("00000002" // entries
                               "0a000001" // 10.0.0.1, the larger signed key, first
                               "00000002" // two variants
                               "0000000c"
                               "00"
                               "00000006"
                               "001122334455"
                               "0000000a"
                               "00"
                               "00000006"
                               "007000630031"
                               "c8010101" // 200.1.1.1 is negative
                               "00000002"
                               "0000000c"
                               "00"
                               "00000006"
                               "aabbccddeeff"
                               "0000000a"
                               "00"
                               "ffffffff");
}

} // namespace

class TestMIpMacDataStorage : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void fileBytesOfKnownMap();
    void readsKnownFile();
    void keysAreWrittenInDescendingSignedOrder();
    void matchesQtsOwnMapSerialisation();
    void firstRunWritesEmptyFile();
    void roundTripThroughDestructor();
    void damagedFileIsKeptAsideAndMemoryEmpty_data();
    void damagedFileIsKeptAsideAndMemoryEmpty();
    void everyTruncationIsDamage();
    void secondDamagedFileDoesNotReplaceFirst();
    void unchangedMemoryDoesNotRewrite();
    void unreadableFileIsNeverOverwritten();
    void largeFileLoads();
    void memoryBeyondTheLimitIsNotWritten();
    void setMacReplacesMalformedEntry();
    void emptyMacIsRememberedButInvalid();
    void applyToResult_data();
    void applyToResult();
    void instanceIsOneObjectForConcurrentCallers();

private:
    std::unique_ptr<QTemporaryDir> m_pDir;
    QString m_sPath;
};

void TestMIpMacDataStorage::init()
{
    m_pDir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_pDir->isValid());
    m_sPath = m_pDir->filePath(MIpMacDataStorage::FileName());
}

void TestMIpMacDataStorage::fileBytesOfKnownMap()
{
    {
        MIpMacDataStorage oMemory;
        oMemory.Load(m_sPath);
        oMemory.SetMac(Ip(200, 1, 1, 1), Mac("aabbccddeeff"));
        oMemory.SetMac(Ip(10, 0, 0, 1), Mac("001122334455"));
        oMemory.SetName(Ip(10, 0, 0, 1), QStringLiteral("pc1"));
    }
    QCOMPARE(ReadAll(m_sPath).toHex(), KnownFile().toHex());
}

void TestMIpMacDataStorage::readsKnownFile()
{
    QVERIFY(WriteAll(m_sPath, KnownFile()));
    MIpMacDataStorage oMemory;
    oMemory.Load(m_sPath);
    QCOMPARE(oMemory.Memory().size(), 2);
    QCOMPARE(oMemory.GetMac(Ip(10, 0, 0, 1)), Mac("001122334455"));
    QCOMPARE(oMemory.GetName(Ip(10, 0, 0, 1)), QStringLiteral("pc1"));
    QCOMPARE(oMemory.GetMac(Ip(200, 1, 1, 1)), Mac("aabbccddeeff"));
    QVERIFY(oMemory.GetName(Ip(200, 1, 1, 1)).isNull());
    QVERIFY(oMemory.GetMac(Ip(10, 0, 0, 2)).isNull());
    QVERIFY(oMemory.DamagedFileKeptAs().isEmpty());
}

void TestMIpMacDataStorage::keysAreWrittenInDescendingSignedOrder()
{
    MIpMacDataStorage::TMemory mMemory;
    for (const quint32 nIp :
         {Ip(10, 0, 0, 1), Ip(200, 1, 1, 1), Ip(10, 0, 0, 2), Ip(127, 255, 255, 255)})
        mMemory.insert(qint32(nIp), {QVariant(QByteArray(6, '\0')), QVariant(QString())});
    const QByteArray baData = MIpMacDataStorage::SerializeMemory(mMemory);
    QDataStream oStream(baData);
    quint32 nCount = 0;
    oStream >> nCount;
    QCOMPARE(nCount, 4u);
    QList<quint32> lnOrder;
    for (quint32 i = 0; i < nCount; ++i) {
        qint32 nKey = 0;
        QList<QVariant> lEntry;
        oStream >> nKey >> lEntry;
        lnOrder << quint32(nKey);
    }
    const QList<quint32> lnExpected{
        Ip(127, 255, 255, 255), Ip(10, 0, 0, 2), Ip(10, 0, 0, 1), Ip(200, 1, 1, 1)};
    QCOMPARE(lnOrder, lnExpected);
}

void TestMIpMacDataStorage::matchesQtsOwnMapSerialisation()
{
    MIpMacDataStorage::TMemory mMemory;
    mMemory.insert(qint32(Ip(192, 168, 7, 9)),
                   {QVariant(Mac("0a0b0c0d0e0f")), QVariant(QStringLiteral("Ünïcode ☃"))});
    mMemory.insert(qint32(Ip(1, 2, 3, 4)), {QVariant(QByteArray()), QVariant(QString())});
    mMemory.insert(qint32(Ip(5, 6, 7, 8)), {QVariant(Mac("010203"))}); // one element: no entry
    mMemory.insert(qint32(Ip(9, 9, 9, 9)), {});
    QByteArray baQt;
    {
        QDataStream oStream(&baQt, QIODevice::WriteOnly);
        oStream << mMemory;
    }
    QBuffer oBuffer(&baQt);
    oBuffer.open(QIODevice::ReadOnly);
    MIpMacDataStorage::TMemory mRead;
    QVERIFY(MIpMacDataStorage::ReadMemory(oBuffer, &mRead));
    QCOMPARE(mRead, mMemory);
    QCOMPARE(MIpMacDataStorage::SerializeMemory(mRead).toHex(), baQt.toHex());
}

void TestMIpMacDataStorage::firstRunWritesEmptyFile()
{
    {
        MIpMacDataStorage oMemory;
        oMemory.Load(m_sPath);
        QCOMPARE(oMemory.Path(), m_sPath);
        QVERIFY(oMemory.Memory().isEmpty());
    }
    QCOMPARE(ReadAll(m_sPath), QByteArray(4, '\0'));
}

void TestMIpMacDataStorage::roundTripThroughDestructor()
{
    {
        MIpMacDataStorage oMemory;
        oMemory.Load(m_sPath);
        oMemory.SetMac(Ip(198, 18, 0, 5), Mac("001122334455"));
        oMemory.SetName(Ip(198, 18, 0, 5), QStringLiteral("host"));
    }
    MIpMacDataStorage oMemory;
    oMemory.Load(m_sPath);
    QCOMPARE(oMemory.GetMac(Ip(198, 18, 0, 5)), Mac("001122334455"));
    QCOMPARE(oMemory.GetName(Ip(198, 18, 0, 5)), QStringLiteral("host"));
    QVERIFY(!oMemory.IsModified());
}

void TestMIpMacDataStorage::damagedFileIsKeptAsideAndMemoryEmpty_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("entry count far beyond the file") << QByteArray::fromHex("ffffffff0a000001");
    QTest::newRow("list count far beyond the file")
        << QByteArray::fromHex("000000010a000001ffffffff");
    QTest::newRow("byte array length far beyond the file")
        << QByteArray::fromHex("000000010a000001000000010000000c00fffffff0aabb");
    QTest::newRow("string length far beyond the file")
        << QByteArray::fromHex("000000010a000001000000010000000a007ffffffe0041");
    QTest::newRow("odd string length")
        << QByteArray::fromHex("000000010a000001000000010000000a00000000030041ff");
    QTest::newRow("nested variant list")
        << QByteArray::fromHex("000000010a0000010000000100000009007fffffff");
    QTest::newRow("unknown variant type")
        << QByteArray::fromHex("000000010a000001000000010000004000");
    QTest::newRow("one byte") << QByteArray::fromHex("00");
    QTest::newRow("second entry cut") << KnownFile().left(KnownFile().size() - 2);
}

void TestMIpMacDataStorage::damagedFileIsKeptAsideAndMemoryEmpty()
{
    QFETCH(QByteArray, data);
    QVERIFY(WriteAll(m_sPath, data));
    {
        MIpMacDataStorage oMemory;
        oMemory.Load(m_sPath);
        QVERIFY(oMemory.Memory().isEmpty());
        QCOMPARE(oMemory.DamagedFileKeptAs(), m_sPath + MIpMacDataStorage::DamagedSuffix());
        oMemory.SetMac(Ip(10, 1, 1, 1), Mac("0000000000aa"));
    }
    QCOMPARE(ReadAll(m_sPath + MIpMacDataStorage::DamagedSuffix()), data);
    MIpMacDataStorage oMemory;
    oMemory.Load(m_sPath);
    QCOMPARE(oMemory.Memory().size(), 1);
    QCOMPARE(oMemory.GetMac(Ip(10, 1, 1, 1)), Mac("0000000000aa"));
}

void TestMIpMacDataStorage::everyTruncationIsDamage()
{
    const QByteArray baFull = KnownFile();
    for (int nSize = 1; nSize < baFull.size(); ++nSize) {
        QBuffer oBuffer;
        oBuffer.setData(baFull.left(nSize));
        oBuffer.open(QIODevice::ReadOnly);
        MIpMacDataStorage::TMemory mMemory;
        QVERIFY2(!MIpMacDataStorage::ReadMemory(oBuffer, &mMemory),
                 qPrintable(QString::number(nSize)));
        QVERIFY(mMemory.isEmpty());
    }
}

void TestMIpMacDataStorage::secondDamagedFileDoesNotReplaceFirst()
{
    QVERIFY(WriteAll(m_sPath, QByteArray("first")));
    {
        MIpMacDataStorage oMemory;
        oMemory.Load(m_sPath);
    }
    QVERIFY(WriteAll(m_sPath, QByteArray("second")));
    MIpMacDataStorage oMemory;
    oMemory.Load(m_sPath);
    QCOMPARE(oMemory.DamagedFileKeptAs(),
             m_sPath + MIpMacDataStorage::DamagedSuffix() + QStringLiteral(".1"));
    QCOMPARE(ReadAll(m_sPath + MIpMacDataStorage::DamagedSuffix()), QByteArray("first"));
    QCOMPARE(ReadAll(oMemory.DamagedFileKeptAs()), QByteArray("second"));
}

void TestMIpMacDataStorage::unchangedMemoryDoesNotRewrite()
{
    QVERIFY(WriteAll(m_sPath, KnownFile()));
    MIpMacDataStorage oMemory;
    oMemory.Load(m_sPath);
    // Setting what is already there is no change either.
    oMemory.SetMac(Ip(10, 0, 0, 1), Mac("001122334455"));
    oMemory.SetName(Ip(10, 0, 0, 1), QStringLiteral("pc1"));
    QVERIFY(!oMemory.IsModified());
    // Another program saved in the meantime: an unchanged memory must not undo that.
    QVERIFY(WriteAll(m_sPath, QByteArray(4, '\0')));
    QVERIFY(oMemory.Save());
    QCOMPARE(ReadAll(m_sPath), QByteArray(4, '\0'));
}

void TestMIpMacDataStorage::unreadableFileIsNeverOverwritten()
{
    QVERIFY(WriteAll(m_sPath, KnownFile()));
    QFile::setPermissions(m_sPath, QFileDevice::WriteOwner);
    QFile oProbe(m_sPath);
    if (oProbe.open(QIODevice::ReadOnly))
        QSKIP("running with privileges that read any file");
    {
        MIpMacDataStorage oMemory;
        oMemory.Load(m_sPath);
        oMemory.SetMac(Ip(10, 9, 9, 9), Mac("001122334455"));
        QVERIFY(!oMemory.Save());
    }
    QFile::setPermissions(m_sPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QCOMPARE(ReadAll(m_sPath), KnownFile());
}

void TestMIpMacDataStorage::largeFileLoads()
{
    const int nCount = 131072;
    {
        MIpMacDataStorage oMemory;
        oMemory.Load(m_sPath);
        for (int i = 0; i < nCount; ++i) {
            oMemory.SetMac(Ip(10, 0, 0, 0) + quint32(i), QByteArray(6, char(i)));
            oMemory.SetName(Ip(10, 0, 0, 0) + quint32(i), QStringLiteral("host-%1").arg(i));
        }
    }
    QVERIFY(QFileInfo(m_sPath).size() > 4 * 1024 * 1024);
    MIpMacDataStorage oMemory;
    oMemory.Load(m_sPath);
    QCOMPARE(oMemory.Memory().size(), nCount);
    QCOMPARE(oMemory.GetName(Ip(10, 0, 0, 0) + 77777), QStringLiteral("host-77777"));
}

void TestMIpMacDataStorage::memoryBeyondTheLimitIsNotWritten()
{
    {
        MIpMacDataStorage oMemory;
        oMemory.Load(m_sPath);
        oMemory.SetMac(Ip(10, 0, 0, 1), QByteArray(6, '\x01'));
    }
    const QByteArray baBefore = [this] {
        QFile oFile(m_sPath);
        return oFile.open(QIODevice::ReadOnly) ? oFile.readAll() : QByteArray();
    }();
    QVERIFY(!baBefore.isEmpty());
    MIpMacDataStorage oMemory;
    oMemory.Load(m_sPath);
    // Written, the next Load() would set the file aside and lose every entry.
    const QString sName(200, QLatin1Char('n'));
    const int nCount = int(MIpMacDataStorage::kMaxFileBytes / (2 * sName.size())) + 1;
    for (int i = 0; i < nCount; ++i) {
        oMemory.SetMac(Ip(10, 1, 0, 0) + quint32(i), QByteArray(6, '\x02'));
        oMemory.SetName(Ip(10, 1, 0, 0) + quint32(i), sName);
    }
    QVERIFY(!oMemory.Save());
    QFile oFile(m_sPath);
    QVERIFY(oFile.open(QIODevice::ReadOnly));
    QCOMPARE(oFile.readAll(), baBefore);
}

void TestMIpMacDataStorage::setMacReplacesMalformedEntry()
{
    MIpMacDataStorage::TMemory mMemory;
    mMemory.insert(qint32(Ip(10, 0, 0, 7)), {QVariant(QStringLiteral("x"))});
    QVERIFY(WriteAll(m_sPath, MIpMacDataStorage::SerializeMemory(mMemory)));
    MIpMacDataStorage oMemory;
    oMemory.Load(m_sPath);
    QVERIFY(oMemory.GetMac(Ip(10, 0, 0, 7)).isNull());
    oMemory.SetName(Ip(10, 0, 0, 7), QStringLiteral("seven"));
    QCOMPARE(oMemory.Memory().value(qint32(Ip(10, 0, 0, 7))).size(), 2);
    QCOMPARE(oMemory.GetMac(Ip(10, 0, 0, 7)), QByteArray(6, '\0'));
    QCOMPARE(oMemory.GetName(Ip(10, 0, 0, 7)), QStringLiteral("seven"));
}

void TestMIpMacDataStorage::emptyMacIsRememberedButInvalid()
{
    MIpMacDataStorage oMemory;
    oMemory.SetMac(Ip(10, 0, 0, 8), QByteArray(""));
    QCOMPARE(oMemory.Memory().value(qint32(Ip(10, 0, 0, 8))).at(0).toByteArray(), QByteArray(""));
    QVERIFY(oMemory.GetMac(Ip(10, 0, 0, 8)).isNull());
}

void TestMIpMacDataStorage::applyToResult_data()
{
    QTest::addColumn<QByteArray>("scanMac");
    QTest::addColumn<int>("scanStatus");
    QTest::addColumn<QString>("scanName");
    QTest::addColumn<int>("scanSize");
    QTest::addColumn<bool>("remembered");
    QTest::addColumn<bool>("kept");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("mac");
    QTest::addColumn<QString>("name");

    const QByteArray baZero(6, '\0');
    const QByteArray baKnown = Mac("001122334455");
    const QByteArray baNew = Mac("00aabbccddee");
    QTest::newRow("answered host is remembered and shown as scanned")
        << baNew << 2 << QStringLiteral("now") << 1 << true << true << 2 << baNew
        << QStringLiteral("now");
    QTest::newRow("silent host seen before is dead with old MAC and name")
        << baZero << 4 << QString() << 1 << true << true << 3 << baKnown << QStringLiteral("pc1");
    QTest::newRow("alive host without MAC keeps alive and gets the old MAC")
        << baZero << 2 << QStringLiteral("dns") << 1 << true << true << 2 << baKnown
        << QStringLiteral("pc1");
    QTest::newRow("silent host never seen is unknown")
        << baZero << 3 << QString() << 65535 << false << true << 4 << baZero << QString();
    QTest::newRow("alive host never seen without MAC stays alive")
        << baZero << 2 << QStringLiteral("dns") << 1 << false << true << 2 << baZero
        << QStringLiteral("dns");
    QTest::newRow("alive host without MAC in a scan above 65535 addresses is kept")
        << baZero << 2 << QString() << 70000 << false << true << 2 << baZero << QString();
    QTest::newRow("never seen in a scan above 65535 addresses is dropped")
        << baZero << 4 << QString() << 70000 << false << false << 4 << baZero << QString();
}

void TestMIpMacDataStorage::applyToResult()
{
    QFETCH(QByteArray, scanMac);
    QFETCH(int, scanStatus);
    QFETCH(QString, scanName);
    QFETCH(int, scanSize);
    QFETCH(bool, remembered);
    QFETCH(bool, kept);
    QFETCH(int, status);
    QFETCH(QByteArray, mac);
    QFETCH(QString, name);

    const quint32 nIp = Ip(198, 18, 1, 2);
    MIpMacDataStorage oMemory;
    if (remembered) {
        oMemory.SetMac(nIp, Mac("001122334455"));
        oMemory.SetName(nIp, QStringLiteral("pc1"));
    }
    CScanResult oResult;
    oResult.set_ip(nIp);
    oResult.set_mac(scanMac);
    oResult.set_status(scanStatus);
    oResult.set_name(scanName);
    oResult.set_scan_size(scanSize);
    QCOMPARE(oMemory.ApplyToResult(oResult), kept);
    QCOMPARE(int(oResult.status()), status);
    QCOMPARE(oResult.mac(), mac);
    QCOMPARE(oResult.name(), name);
    if (scanMac != QByteArray(6, '\0')) {
        QCOMPARE(oMemory.GetMac(nIp), scanMac);
        QCOMPARE(oMemory.GetName(nIp), scanName);
    }
}

void TestMIpMacDataStorage::instanceIsOneObjectForConcurrentCallers()
{
    const int nThreads = 8;
    QSemaphore oStart;
    std::vector<MIpMacDataStorage *> vSeen(nThreads, nullptr);
    std::vector<std::unique_ptr<QThread>> vThreads;
    for (int i = 0; i < nThreads; ++i) {
        vThreads.emplace_back(QThread::create([&oStart, &vSeen, i] {
            oStart.acquire();
            vSeen[size_t(i)] = MIpMacDataStorage::Instance();
        }));
        vThreads.back()->start();
    }
    oStart.release(nThreads);
    for (auto &pThread : vThreads)
        QVERIFY(pThread->wait(10000));
    MIpMacDataStorage *pInstance = MIpMacDataStorage::Instance();
    QVERIFY(pInstance);
    for (MIpMacDataStorage *pSeen : vSeen)
        QCOMPARE(pSeen, pInstance);
    // Owned by the application's thread whoever created it; never loaded, so never written.
    QCOMPARE(pInstance->thread(), QCoreApplication::instance()->thread());
    QVERIFY(pInstance->Path().isEmpty());
}

QTEST_GUILESS_MAIN(TestMIpMacDataStorage)
#include "tst_MIpMacDataStorage.moc"
