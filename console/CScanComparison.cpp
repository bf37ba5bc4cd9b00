// SPDX-License-Identifier: GPL-3.0-or-later
#include "CScanComparison.h"

#include "CAtomicFile.h"
#include "CFavoritesContentHandler.h"
#include "CResultsXml.h"
#include "MIpMacDataStorage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

bool IsKnownMac(const QByteArray &i_baMac)
{
    return i_baMac.size() == 6 && i_baMac != QByteArray(6, '\0')
           && i_baMac != QByteArray(6, '\xFF');
}

QStringList Sorted(QStringList i_lsList)
{
    i_lsList.sort();
    return i_lsList;
}

QList<qint32> Sorted(QList<qint32> i_lnList)
{
    std::sort(i_lnList.begin(), i_lnList.end());
    return i_lnList;
}

} // namespace

QString CScanComparison::TMark::Word() const
{
    switch (eChange) {
    case EChange::New:
        return QStringLiteral("new");
    case EChange::Gone:
        return QStringLiteral("gone");
    case EChange::Changed:
        return QStringLiteral("changed");
    case EChange::Unchanged:
        break;
    }
    return QStringLiteral("unchanged");
}

QString CScanComparison::TMark::Text() const
{
    if (eChange != EChange::Changed || lsChanged.isEmpty())
        return Word();
    return Word() + QStringLiteral(": ") + lsChanged.join(QStringLiteral(", "));
}

QString CScanComparison::RecordPathBeside(const QString &i_sMacMemoryPath)
{
    const QFileInfo oMemory(QDir::fromNativeSeparators(i_sMacMemoryPath));
    return QDir::toNativeSeparators(oMemory.dir().filePath(RecordFileName()));
}

void CScanComparison::Load(const QString &i_sPath, QString *o_psWarning)
{
    m_sPath = i_sPath;
    m_mPrevious.clear();
    QFile oFile(i_sPath);
    if (!oFile.exists())
        return;
    QList<CScanItem> lItems;
    // The reader refuses oversized documents and values too; checked here first so that an
    // oversized file is set aside without being read at all.
    const qint64 nMaxBytes = kMaxRecordBytes;
    const bool fRead = oFile.open(QIODevice::ReadOnly) && oFile.size() <= nMaxBytes
                       && CFavoritesContentHandler::ReadItems(oFile.read(nMaxBytes + 1), &lItems);
    oFile.close();
    if (!fRead) {
        const QString sAside = i_sPath + QStringLiteral(".damaged");
        QFile::remove(sAside);
        const bool fKept = QFile::rename(i_sPath, sAside);
        if (o_psWarning) {
            *o_psWarning =
                fKept ? QStringLiteral("The record of the last scan was damaged and is kept as ")
                            + sAside
                      : QStringLiteral("The record of the last scan is damaged: ") + i_sPath;
        }
        return;
    }
    for (const CScanItem &oItem : qAsConst(lItems)) {
        if (oItem.result().IsAlive())
            m_mPrevious.insert(oItem.result().ip(), oItem);
    }
}

void CScanComparison::SetPrevious(const QList<CScanResult> &i_lPrevious)
{
    m_sPath.clear();
    m_mPrevious.clear();
    for (const CScanResult &oResult : i_lPrevious)
        m_mPrevious.insert(oResult.ip(), CScanItem(oResult));
}

CScanComparison::TMark CScanComparison::Compare(const CScanResult &i_oResult,
                                                const MIpMacDataStorage *i_pMemory)
{
    const quint32 nIp = i_oResult.ip();
    m_stScanned.insert(nIp);
    if (i_oResult.IsAlive())
        m_mAliveNow.insert(nIp, CScanItem(i_oResult));

    TMark oMark;
    const auto it = m_mPrevious.constFind(nIp);
    const bool fWasAlive = it != m_mPrevious.cend();
    if (!fWasAlive) {
        oMark.eChange = i_oResult.IsAlive() ? EChange::New : EChange::Unchanged;
        return oMark;
    }
    if (!i_oResult.IsAlive()) {
        oMark.eChange = EChange::Gone;
        return oMark;
    }
    const CScanResult &oBefore = it.value().result();
    QByteArray baMacBefore = oBefore.mac();
    if (!IsKnownMac(baMacBefore) && i_pMemory)
        baMacBefore = i_pMemory->GetMac(nIp);
    // A MAC address only counts when both scans saw one: a host behind a router has none.
    if (IsKnownMac(baMacBefore) && IsKnownMac(i_oResult.mac()) && baMacBefore != i_oResult.mac())
        oMark.lsChanged << QStringLiteral("mac");
    if (oBefore.name() != i_oResult.name())
        oMark.lsChanged << QStringLiteral("name");
    if (oBefore.has_http() != i_oResult.has_http() || oBefore.has_https() != i_oResult.has_https()
        || oBefore.has_ftp() != i_oResult.has_ftp()
        || Sorted(oBefore.ortavo_ports()) != Sorted(i_oResult.ortavo_ports()))
        oMark.lsChanged << QStringLiteral("services");
    if (Sorted(oBefore.shares()) != Sorted(i_oResult.shares()))
        oMark.lsChanged << QStringLiteral("shares");
    oMark.eChange = oMark.lsChanged.isEmpty() ? EChange::Unchanged : EChange::Changed;
    return oMark;
}

bool CScanComparison::Save(QString *o_psError, QString *o_psNote) const
{
    const auto Document = [](const QMap<quint32, CScanItem> &i_mItems) {
        QString sDocument = CResultsXml::DocumentStart();
        for (const CScanItem &oItem : i_mItems)
            sDocument += CResultsXml::Row(oItem);
        sDocument += CResultsXml::DocumentEnd();
        return sDocument.toUtf8();
    };
    QMap<quint32, CScanItem> mNext = m_mPrevious;
    for (const quint32 nIp : m_stScanned)
        mNext.remove(nIp);
    for (auto it = m_mAliveNow.cbegin(); it != m_mAliveNow.cend(); ++it)
        mNext.insert(it.key(), it.value());
    QByteArray baDocument = Document(mNext);
    // A record the next run would set aside unread is no record: the hosts kept from scans of
    // other addresses give way first.
    if (baDocument.size() > kMaxRecordBytes) {
        baDocument = Document(m_mAliveNow);
        if (o_psNote)
            *o_psNote = QStringLiteral("The record of the last scan keeps only the hosts of this "
                                       "scan: with those of earlier scans it would exceed %1 MiB")
                            .arg(kMaxRecordBytes / (1024 * 1024));
    }
    if (baDocument.size() > kMaxRecordBytes) {
        if (o_psError)
            *o_psError = QStringLiteral("%1 alive hosts are more than the record holds (%2 MiB)")
                             .arg(m_mAliveNow.size())
                             .arg(kMaxRecordBytes / (1024 * 1024));
        return false;
    }
    return CAtomicFile::Save(m_sPath, baDocument, o_psError);
}
