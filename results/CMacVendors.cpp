// SPDX-License-Identifier: GPL-3.0-or-later
#include "CMacVendors.h"

#include "ResultsLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// The largest registry file is a few MB; anything far beyond that is not a registry, and a
// device such as /dev/zero must not keep the program reading forever.
constexpr qint64 MaxRegistryBytes = 64 * 1024 * 1024;

bool IsHex(const QString &i_sText)
{
    static const QRegularExpression s_oHex(QStringLiteral("^[0-9A-F]+$"));
    return s_oHex.match(i_sText).hasMatch();
}

} // namespace

QStringList CMacVendors::DefaultFolders()
{
    // Lets the tests point the program at a registry of their own, or at none.
    const QString sOverride = qEnvironmentVariable("VISTREL_IEEE_DATA_DIR");
    if (!sOverride.isEmpty())
        return {sOverride};
    return {QStringLiteral("/usr/share/ieee-data"),
            QCoreApplication::applicationDirPath() + QStringLiteral("/ieee-data")};
}

bool CMacVendors::LoadDefault()
{
    const QStringList lsFolders = DefaultFolders();
    for (const QString &sFolder : lsFolders) {
        if (LoadFolder(sFolder))
            return true;
    }
    return false;
}

bool CMacVendors::LoadFolder(const QString &i_sFolder)
{
    const QDir oDir(i_sFolder);
    bool fAny = false;
    for (const char *pBase : {"oui", "mam", "oui36", "iab"}) {
        const QString sBase = QLatin1String(pBase);
        const QString sCsv = oDir.filePath(sBase + QStringLiteral(".csv"));
        const QString sText = oDir.filePath(sBase + QStringLiteral(".txt"));
        if (QFileInfo(sCsv).isFile() && LoadFile(sCsv))
            fAny = true;
        else if (QFileInfo(sText).isFile() && LoadFile(sText))
            fAny = true;
    }
    return fAny;
}

bool CMacVendors::LoadFile(const QString &i_sPath, QString *o_psError)
{
    const auto Fail = [o_psError](const QString &i_sError) {
        if (o_psError)
            *o_psError = i_sError;
        return false;
    };
    const QFileInfo oInfo(i_sPath);
    if (!oInfo.isFile())
        return Fail(QStringLiteral("not a file"));
    if (oInfo.size() > MaxRegistryBytes)
        return Fail(QStringLiteral("file too large"));
    QFile oFile(i_sPath);
    if (!oFile.open(QIODevice::ReadOnly))
        return Fail(oFile.errorString());
    const QByteArray baData = oFile.read(MaxRegistryBytes);
    const int nRead = LoadBytes(baData);
    if (nRead == 0)
        return Fail(QStringLiteral("no MAC address assignment found"));
    m_lsFiles << i_sPath;
    qCDebug(lcResults, "MAC vendor registry %s: %d assignments", qUtf8Printable(i_sPath), nRead);
    return true;
}

int CMacVendors::LoadBytes(const QByteArray &i_baData)
{
    if (i_baData.startsWith("Registry,") || i_baData.startsWith("\xEF\xBB\xBFRegistry,"))
        return ReadCsv(i_baData);
    return ReadText(i_baData);
}

QStringList CMacVendors::SplitCsvLine(const QString &i_sLine)
{
    QStringList lsFields;
    QString sField;
    bool fQuoted = false;
    for (int i = 0; i < i_sLine.size(); ++i) {
        const QChar c = i_sLine.at(i);
        if (fQuoted) {
            if (c != QLatin1Char('"'))
                sField += c;
            else if (i + 1 < i_sLine.size() && i_sLine.at(i + 1) == QLatin1Char('"'))
                sField += i_sLine.at(++i);
            else
                fQuoted = false;
        } else if (c == QLatin1Char('"')) {
            fQuoted = true;
        } else if (c == QLatin1Char(',')) {
            lsFields << sField;
            sField.clear();
        } else {
            sField += c;
        }
    }
    lsFields << sField;
    return lsFields;
}

int CMacVendors::ReadCsv(const QByteArray &i_baData)
{
    int nRead = 0;
    const QList<QByteArray> lbaLines = i_baData.split('\n');
    for (const QByteArray &baLine : lbaLines) {
        const QStringList lsFields = SplitCsvLine(QString::fromUtf8(baLine).trimmed());
        if (lsFields.size() < 3 || lsFields.at(0) == QLatin1String("Registry"))
            continue;
        if (AddAssignment(lsFields.at(1).trimmed().toUpper(), lsFields.at(2)))
            ++nRead;
    }
    return nRead;
}

int CMacVendors::ReadText(const QByteArray &i_baData)
{
    // "00-22-72   (hex)  Owner" names a 24-bit block; the "(base 16)" line after it either
    // repeats it ("002272") or, for the smaller blocks, gives the range of the low 24 bits
    // inside it ("900000-9FFFFF" is the 28-bit block 00-22-72-9).
    static const QRegularExpression s_oHexLine(QStringLiteral(
        "^([0-9A-Fa-f]{2})-([0-9A-Fa-f]{2})-([0-9A-Fa-f]{2})\\s+\\(hex\\)\\s*(.*)$"));
    static const QRegularExpression s_oBaseLine(
        QStringLiteral("^([0-9A-Fa-f]{6})(?:-([0-9A-Fa-f]{6}))?\\s+\\(base 16\\)\\s*(.*)$"));
    int nRead = 0;
    QString sBlock;
    // A "(hex)" line waits for its "(base 16)" line, which says whether the owner has the whole
    // 24-bit block or a smaller block inside it; a "(hex)" line alone stands for the whole block.
    QString sPendingOwner;
    const auto CommitPending = [&] {
        if (!sPendingOwner.isEmpty() && AddAssignment(sBlock, sPendingOwner))
            ++nRead;
        sPendingOwner.clear();
    };
    const QList<QByteArray> lbaLines = i_baData.split('\n');
    for (const QByteArray &baLine : lbaLines) {
        const QString sLine = QString::fromUtf8(baLine).trimmed();
        const QRegularExpressionMatch oHex = s_oHexLine.match(sLine);
        if (oHex.hasMatch()) {
            CommitPending();
            sBlock = (oHex.captured(1) + oHex.captured(2) + oHex.captured(3)).toUpper();
            sPendingOwner = oHex.captured(4).trimmed();
            continue;
        }
        const QRegularExpressionMatch oBase = s_oBaseLine.match(sLine);
        if (!oBase.hasMatch())
            continue;
        const QString sLow = oBase.captured(1).toUpper();
        if (oBase.captured(2).isEmpty()) {
            sPendingOwner.clear();
            if (AddAssignment(sLow, oBase.captured(3)))
                ++nRead;
            continue;
        }
        if (sBlock.isEmpty())
            continue;
        sPendingOwner.clear();
        const QString sHigh = oBase.captured(2).toUpper();
        int nCommon = 0;
        while (nCommon < 6 && sLow.at(nCommon) == sHigh.at(nCommon))
            ++nCommon;
        const bool fWholeRange = sLow.mid(nCommon).count(QLatin1Char('0')) == 6 - nCommon
                                 && sHigh.mid(nCommon).count(QLatin1Char('F')) == 6 - nCommon;
        if (fWholeRange && AddAssignment(sBlock + sLow.left(nCommon), oBase.captured(3)))
            ++nRead;
    }
    CommitPending();
    return nRead;
}

bool CMacVendors::AddAssignment(const QString &i_sHexPrefix, const QString &i_sOwner)
{
    const QString sOwner = i_sOwner.simplified();
    if (i_sHexPrefix.size() < 6 || i_sHexPrefix.size() > 12 || !IsHex(i_sHexPrefix)
        || sOwner.isEmpty())
        return false;
    m_hOwners.insert(i_sHexPrefix, sOwner);
    return true;
}

QString CMacVendors::Lookup(const QByteArray &i_baMac) const
{
    if (i_baMac.size() != 6 || i_baMac == QByteArray(6, '\0') || i_baMac == QByteArray(6, '\xFF')
        || m_hOwners.isEmpty())
        return QString();
    const QString sHex = QString::fromLatin1(i_baMac.toHex().toUpper());
    for (int nDigits = 12; nDigits >= 6; --nDigits) {
        const auto it = m_hOwners.constFind(sHex.left(nDigits));
        if (it != m_hOwners.cend())
            return it.value();
    }
    return QString();
}
