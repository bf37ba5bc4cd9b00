// SPDX-License-Identifier: GPL-3.0-or-later
#include "CRangeBoxText.h"

#include "CScanResult.h"
#include "IpRangeReaders.h"

#include <QFileInfo>
#include <QStringList>

bool CRangeBoxText::IsFileReference(const QString &i_sText, QString *o_psPath)
{
    const int nPrefix = FilePrefix().size();
    if (i_sText.size() <= nPrefix)
        return false;
    QString sHead = i_sText.left(nPrefix);
    sHead.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (sHead.toLower() != FilePrefix())
        return false;
    if (o_psPath)
        *o_psPath = i_sText.mid(nPrefix);
    return true;
}

bool CRangeBoxText::NamesExistingFile(const QString &i_sText, QString *o_psPath)
{
    QString sPath;
    if (!IsFileReference(i_sText, &sPath))
        return false;
    const QFileInfo oInfo(sPath);
    if (!oInfo.exists() || !oInfo.isFile())
        return false;
    if (o_psPath)
        *o_psPath = sPath;
    return true;
}

bool CRangeBoxText::IsUsable(const QString &i_sText)
{
    return ParseRangeList(i_sText, nullptr) || NamesExistingFile(i_sText);
}

QString CRangeBoxText::ClassC(const QString &i_sText)
{
    if (i_sText.isEmpty() || !ParseRangeList(i_sText, nullptr))
        return QString();
    QStringList lsRanges;
    const QStringList lsParts = i_sText.split(QLatin1Char(','), Qt::KeepEmptyParts);
    for (const QString &sPart : lsParts) {
        QString sFirst = sPart.section(QLatin1Char('-'), 0, 0);
        sFirst.remove(QLatin1Char('\t')).remove(QLatin1Char(' '));
        const QStringList lsFields = sFirst.split(QLatin1Char('.'));
        // ParseRangeList also takes the line breaks this split does not remove; such a part has
        // no three fields worth keeping.
        if (lsFields.size() < 3)
            continue;
        const QString sNet = QStringList(lsFields.mid(0, 3)).join(QLatin1Char('.')).trimmed();
        const QString sRange = sNet + QStringLiteral(".1 - ") + sNet + QStringLiteral(".254");
        if (!lsRanges.contains(sRange))
            lsRanges << sRange;
    }
    return lsRanges.join(QLatin1Char(','));
}

QString CRangeBoxText::SubnetsText(const std::vector<CLocalSubnets::TAddressMask> &i_vSubnets)
{
    QStringList lsRanges;
    for (const CLocalSubnets::TAddressMask &oSubnet : i_vSubnets) {
        const quint32 nAddress = oSubnet.address;
        const quint32 nMask = oSubnet.mask;
        // 0.0.0.0 is an adapter without an address; its range would wrap round to all of IPv4.
        if (nAddress == 0 || nMask <= 0x1FF)
            continue;
        const quint32 nNetwork = nAddress & nMask;
        quint32 nFirst = nNetwork + 1;
        quint32 nLast = (~nMask | nAddress) - 1;
        if (nLast < nFirst) {
            nFirst = nNetwork;
            nLast = nNetwork;
        }
        lsRanges << IpToText(nFirst) + QStringLiteral(" - ") + IpToText(nLast);
    }
    if (lsRanges.isEmpty())
        return QStringLiteral("127.0.0.1");
    return lsRanges.join(QLatin1Char(','));
}
