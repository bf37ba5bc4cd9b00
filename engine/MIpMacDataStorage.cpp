// SPDX-License-Identifier: GPL-3.0-or-later
#include "MIpMacDataStorage.h"

#include "CAtomicFile.h"
#include "CScanResult.h"
#include "EngineLog.h"

#include <QAtomicPointer>
#include <QBuffer>
#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QThread>

namespace {

QAtomicPointer<MIpMacDataStorage> s_pInstance;
QMutex s_oInstanceMutex;

// QMetaType numbers of the only variant types an entry can hold.
constexpr quint32 kTypeInvalid = 0;
constexpr quint32 kTypeString = 10;
constexpr quint32 kTypeByteArray = 12;
constexpr quint32 kNullLength = 0xFFFFFFFFu;
constexpr int kMacLength = 6;
constexpr qint32 kLargestListedScan = 65535;

void DestroyInstance()
{
    delete s_pInstance.fetchAndStoreOrdered(nullptr);
}

qint32 KeyOf(quint32 i_nIp)
{
    return static_cast<qint32>(i_nIp);
}

// Lengths are checked against what the device still holds before anything is allocated, so a
// forged length of 4 GiB costs nothing.
bool ReadBytes(QDataStream &io_rStream, quint32 i_nLength, QByteArray *o_pBytes)
{
    if (i_nLength > quint64(io_rStream.device()->bytesAvailable()))
        return false;
    QByteArray baBytes(static_cast<int>(i_nLength), Qt::Uninitialized);
    if (io_rStream.readRawData(baBytes.data(), static_cast<int>(i_nLength))
        != static_cast<int>(i_nLength))
        return false;
    *o_pBytes = baBytes;
    return true;
}

bool ReadVariant(QDataStream &io_rStream, QVariant *o_pValue)
{
    quint32 nType = 0;
    qint8 nIsNull = 0;
    io_rStream >> nType >> nIsNull;
    if (io_rStream.status() != QDataStream::Ok)
        return false;
    quint32 nLength = 0;
    switch (nType) {
    case kTypeInvalid:
        *o_pValue = QVariant();
        return true;
    case kTypeByteArray: {
        io_rStream >> nLength;
        if (io_rStream.status() != QDataStream::Ok)
            return false;
        QByteArray baValue;
        if (nLength != kNullLength && !ReadBytes(io_rStream, nLength, &baValue))
            return false;
        if (nLength != kNullLength && baValue.isNull())
            baValue = QByteArray(""); // an empty, not a null, array was written
        *o_pValue = QVariant(baValue);
        return true;
    }
    case kTypeString: {
        io_rStream >> nLength;
        if (io_rStream.status() != QDataStream::Ok)
            return false;
        if (nLength == kNullLength) {
            *o_pValue = QVariant(QString());
            return true;
        }
        QByteArray baUtf16;
        if ((nLength & 1u) != 0 || !ReadBytes(io_rStream, nLength, &baUtf16))
            return false;
        QString sValue(static_cast<int>(nLength / 2), Qt::Uninitialized);
        for (int i = 0; i < sValue.size(); ++i) {
            const auto nHigh = static_cast<quint8>(baUtf16.at(2 * i));
            const auto nLow = static_cast<quint8>(baUtf16.at(2 * i + 1));
            sValue[i] = QChar(static_cast<ushort>((nHigh << 8) | nLow));
        }
        if (sValue.isNull())
            sValue = QLatin1String("");
        *o_pValue = QVariant(sValue);
        return true;
    }
    default:
        // No version of the program stores other types; reading them through QVariant would
        // let a forged file reach container readers that reserve whatever count they are given.
        return false;
    }
}

} // namespace

MIpMacDataStorage::MIpMacDataStorage(QObject *i_pParent)
    : QObject(i_pParent)
{
}

MIpMacDataStorage::~MIpMacDataStorage()
{
    Save();
    s_pInstance.testAndSetOrdered(this, nullptr);
}

MIpMacDataStorage *MIpMacDataStorage::Instance()
{
    MIpMacDataStorage *pInstance = s_pInstance.loadAcquire();
    if (pInstance)
        return pInstance;
    QMutexLocker oLock(&s_oInstanceMutex);
    pInstance = s_pInstance.loadAcquire();
    if (pInstance)
        return pInstance;
    pInstance = new MIpMacDataStorage;
    // A post routine rather than a parent: it works from any thread, and still destroys (and so
    // saves) the memory when the application object is destroyed.
    if (QCoreApplication *pApp = QCoreApplication::instance()) {
        if (pInstance->thread() != pApp->thread())
            pInstance->moveToThread(pApp->thread());
        qAddPostRoutine(DestroyInstance);
    }
    s_pInstance.storeRelease(pInstance);
    return pInstance;
}

QString MIpMacDataStorage::DefaultPath()
{
    return QDir::toNativeSeparators(QDir(QDir::homePath()).filePath(FileName()));
}

void MIpMacDataStorage::Load(const QString &i_sPath)
{
    m_mMemory.clear();
    m_fModified = false;
    m_fSaveBlocked = false;
    m_sDamagedKeptAs.clear();
    if (i_sPath.isEmpty())
        return;
    m_sPath = i_sPath;

    QFile oFile(m_sPath);
    if (!oFile.exists())
        return;
    if (!oFile.open(QIODevice::ReadOnly)) {
        // Unreadable but present: what it holds is unknown, so it must not be replaced.
        qCWarning(lcEngine) << "cannot read the IP-to-MAC memory" << m_sPath << oFile.errorString();
        m_fSaveBlocked = true;
        return;
    }
    TMemory mMemory;
    if (oFile.size() > kMaxFileBytes) {
        qCWarning(lcEngine) << "the IP-to-MAC memory" << m_sPath << "is" << oFile.size()
                            << "bytes, more than this program writes; starting empty";
        oFile.close();
        KeepDamagedFileAside();
        return;
    }
    if (ReadMemory(oFile, &mMemory)) {
        m_mMemory = mMemory;
        return;
    }
    oFile.close();
    qCWarning(lcEngine) << "the IP-to-MAC memory" << m_sPath << "is damaged; starting empty";
    KeepDamagedFileAside();
}

void MIpMacDataStorage::KeepDamagedFileAside()
{
    for (int i = 0; i < 100; ++i) {
        const QString sAside = m_sPath + DamagedSuffix()
                               + (i == 0 ? QString() : QLatin1Char('.') + QString::number(i));
        if (QFileInfo::exists(sAside))
            continue;
        if (QFile::rename(m_sPath, sAside)) {
            m_sDamagedKeptAs = sAside;
            qCWarning(lcEngine) << "damaged IP-to-MAC memory kept as" << sAside;
            return;
        }
        break;
    }
    qCWarning(lcEngine)
        << "cannot move the damaged IP-to-MAC memory aside; it will not be rewritten";
    m_fSaveBlocked = true;
}

bool MIpMacDataStorage::Save()
{
    if (m_sPath.isEmpty() || m_fSaveBlocked)
        return false;
    // Rewriting an unchanged file gains nothing and could undo another program's save.
    if (!m_fModified && QFileInfo::exists(m_sPath))
        return true;
    const QByteArray baData = SerializeMemory(m_mMemory);
    // The next Load() would set such a file aside and lose every entry; the older file is kept.
    if (baData.size() > kMaxFileBytes) {
        qCWarning(lcEngine) << "the IP-to-MAC memory has grown beyond" << kMaxFileBytes
                            << "bytes and is not written";
        return false;
    }
    QString sError;
    if (!CAtomicFile::Save(m_sPath, baData, &sError)) {
        qCWarning(lcEngine) << "cannot write the IP-to-MAC memory" << m_sPath << sError;
        return false;
    }
    m_fModified = false;
    return true;
}

QByteArray MIpMacDataStorage::SerializeMemory(const TMemory &i_mMemory)
{
    QByteArray baData;
    QBuffer oBuffer(&baData);
    oBuffer.open(QIODevice::WriteOnly);
    QDataStream oStream(&oBuffer);
    oStream << i_mMemory; // QMap writes its entries from the largest key down
    return baData;
}

bool MIpMacDataStorage::ReadMemory(QIODevice &i_rDevice, TMemory *o_pMemory)
{
    TMemory mMemory;
    QDataStream oStream(&i_rDevice);
    quint32 nEntries = 0;
    oStream >> nEntries;
    for (quint32 i = 0; i < nEntries && oStream.status() == QDataStream::Ok; ++i) {
        qint32 nKey = 0;
        quint32 nElements = 0;
        oStream >> nKey >> nElements;
        TEntry lEntry;
        for (quint32 j = 0; j < nElements && oStream.status() == QDataStream::Ok; ++j) {
            QVariant vElement;
            if (!ReadVariant(oStream, &vElement)) {
                oStream.setStatus(QDataStream::ReadCorruptData);
                break;
            }
            lEntry.append(vElement);
        }
        if (oStream.status() == QDataStream::Ok)
            mMemory.insert(nKey, lEntry);
    }
    if (oStream.status() != QDataStream::Ok)
        return false;
    if (o_pMemory)
        *o_pMemory = mMemory;
    return true;
}

QByteArray MIpMacDataStorage::GetMac(quint32 i_nIp) const
{
    const auto it = m_mMemory.constFind(KeyOf(i_nIp));
    if (it == m_mMemory.constEnd() || it->size() != 2)
        return QByteArray();
    const QByteArray baMac = it->at(0).toByteArray();
    return baMac.size() == kMacLength ? baMac : QByteArray();
}

QString MIpMacDataStorage::GetName(quint32 i_nIp) const
{
    const auto it = m_mMemory.constFind(KeyOf(i_nIp));
    if (it == m_mMemory.constEnd() || it->size() != 2)
        return QString();
    return it->at(1).toString();
}

MIpMacDataStorage::TEntry &MIpMacDataStorage::EnsureEntry(quint32 i_nIp)
{
    TEntry &rEntry = m_mMemory[KeyOf(i_nIp)];
    if (rEntry.size() != 2) {
        rEntry = TEntry{QVariant(QByteArray(kMacLength, '\0')), QVariant(QString())};
        m_fModified = true;
    }
    return rEntry;
}

void MIpMacDataStorage::SetMac(quint32 i_nIp, const QByteArray &i_baMac)
{
    TEntry &rEntry = EnsureEntry(i_nIp);
    const QVariant vMac(i_baMac);
    if (rEntry.at(0).type() != QVariant::ByteArray || rEntry.at(0).toByteArray() != i_baMac
        || rEntry.at(0).toByteArray().isNull() != i_baMac.isNull()) {
        rEntry[0] = vMac;
        m_fModified = true;
    }
}

void MIpMacDataStorage::SetName(quint32 i_nIp, const QString &i_sName)
{
    TEntry &rEntry = EnsureEntry(i_nIp);
    if (rEntry.at(1).type() != QVariant::String || rEntry.at(1).toString() != i_sName
        || rEntry.at(1).toString().isNull() != i_sName.isNull()) {
        rEntry[1] = QVariant(i_sName);
        m_fModified = true;
    }
}

bool MIpMacDataStorage::ApplyToResult(CScanResult &io_oResult)
{
    const quint32 nIp = io_oResult.ip();
    if (io_oResult.mac() != QByteArray(kMacLength, '\0')) {
        SetMac(nIp, io_oResult.mac());
        if (!io_oResult.name().isEmpty())
            SetName(nIp, io_oResult.name());
        return true;
    }
    const QByteArray baMac = GetMac(nIp);
    if (!baMac.isNull()) {
        io_oResult.set_mac(baMac);
        if (io_oResult.status() != EHostStatus::Alive)
            io_oResult.set_status(EHostStatus::Dead);
    } else if (io_oResult.status() != EHostStatus::Alive) {
        // A host that answered (by ICMP from behind a router, or this machine's own address,
        // which ARP never answers) stays alive: only a silent one is unknown.
        io_oResult.set_status(EHostStatus::Unknown);
        if (io_oResult.scan_size() > kLargestListedScan)
            return false;
    }
    const QString sName = GetName(nIp);
    if (!sName.isNull())
        io_oResult.set_name(sName);
    return true;
}
