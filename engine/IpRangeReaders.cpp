// SPDX-License-Identifier: GPL-3.0-or-later
#include "IpRangeReaders.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTextCodec>

#include <algorithm>
#include <optional>

namespace {

QString StripBlanks(const QString &i_sText)
{
    QString sText = i_sText;
    sText.remove(QLatin1Char(' ')).remove(QLatin1Char('\t'));
    return sText;
}

bool ReadAddress(const QString &i_sText, quint32 *o_pAddress)
{
    quint32 nAddress = 0;
    if (!ParseIpv4Address(i_sText, &nAddress) || nAddress == 0)
        return false;
    *o_pAddress = nAddress;
    return true;
}

bool ParseEntry(const QString &i_sText, TIpRange *o_pRange)
{
    return ParseRange(i_sText, o_pRange) || ParseCidr(i_sText, o_pRange);
}

// Callers mark each text with QT_TRANSLATE_NOOP so that lupdate finds it in this context.
QString TrFile(const char *i_pText)
{
    return QCoreApplication::translate("Load from file", i_pText);
}

QString FromUtf16(const char *i_pData, int i_nBytes, bool i_fLittle)
{
    QString sText;
    sText.reserve(i_nBytes / 2);
    for (int i = 0; i + 1 < i_nBytes; i += 2) {
        const auto nLow = static_cast<unsigned char>(i_pData[i_fLittle ? i : i + 1]);
        const auto nHigh = static_cast<unsigned char>(i_pData[i_fLittle ? i + 1 : i]);
        sText.append(QChar(static_cast<ushort>(nHigh << 8 | nLow)));
    }
    return sText;
}

// UTF-16 saved without a mark, told by its NULs: every character of a range file is ASCII, whose
// high byte is NUL, so at least half the units carry a NUL on one side and none on the other.
// A stray NUL in 8-bit text fits neither pattern; that text is read as it is and the NUL then
// fails its line with a message, rather than ending the text there.
std::optional<bool> Utf16LittleEndianByNuls(const QByteArray &i_baData)
{
    const int nUnits = i_baData.size() / 2;
    int nEvenNuls = 0;
    int nOddNuls = 0;
    for (int i = 0; i < nUnits * 2; ++i) {
        if (i_baData.at(i) == '\0')
            ++(i % 2 ? nOddNuls : nEvenNuls);
    }
    if (nUnits > 0 && nEvenNuls == 0 && nOddNuls * 2 >= nUnits)
        return true;
    if (nUnits > 0 && nOddNuls == 0 && nEvenNuls * 2 >= nUnits)
        return false;
    return std::nullopt;
}

// Every decoder takes the whole length: the QByteArray overloads of Qt 5 stop at the first NUL
// and would drop the rest of the file without a word.
QString DecodeRangeFile(const QByteArray &i_baData)
{
    const auto StartsWith = [&i_baData](std::initializer_list<unsigned char> i_lBom) {
        int i = 0;
        for (unsigned char c : i_lBom) {
            if (static_cast<unsigned char>(i_baData.at(i++)) != c)
                return false;
        }
        return true;
    };
    if (i_baData.size() > 3 && StartsWith({0xEF, 0xBB, 0xBF}))
        return QString::fromUtf8(i_baData.constData() + 3, i_baData.size() - 3);
    if (i_baData.size() > 2 && (StartsWith({0xFF, 0xFE}) || StartsWith({0xFE, 0xFF}))) {
        const bool fLittle = static_cast<unsigned char>(i_baData.at(0)) == 0xFF;
        return FromUtf16(i_baData.constData() + 2, i_baData.size() - 2, fLittle);
    }
    // A lone mark of two or three bytes leaves nothing to decode: "Empty file".
    if (i_baData == QByteArray("\xEF\xBB\xBF") || i_baData == QByteArray("\xFF\xFE")
        || i_baData == QByteArray("\xFE\xFF"))
        return QString();
    if (i_baData.contains('\0')) {
        if (const std::optional<bool> oLittle = Utf16LittleEndianByNuls(i_baData))
            return FromUtf16(i_baData.constData(), i_baData.size(), *oLittle);
    }
    return QString::fromLocal8Bit(i_baData.constData(), i_baData.size());
}

// The refused text goes into a message on a terminal: control characters (a NUL, an escape)
// are shown as replacement characters, not passed on.
QString Shown(const QString &i_sPart)
{
    QString sShown = i_sPart.size() > 38 ? i_sPart.left(35) + QStringLiteral("...") : i_sPart;
    for (QChar &c : sShown) {
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0))
            c = QChar(QChar::ReplacementCharacter);
    }
    return sShown;
}

} // namespace

bool ParseIpv4Address(const QString &i_sText, quint32 *o_pAddress)
{
    quint32 nAddress = 0;
    int nOctets = 0;
    int nDigits = 0;
    quint32 nOctet = 0;
    // One pass with a sentinel dot at the end closes the last octet like the others.
    for (int i = 0; i <= i_sText.size(); ++i) {
        const ushort c = i < i_sText.size() ? i_sText.at(i).unicode() : ushort('.');
        if (c == '.') {
            if (nDigits == 0 || ++nOctets > 4)
                return false;
            nAddress = nAddress << 8 | nOctet;
            nDigits = 0;
            nOctet = 0;
            continue;
        }
        if (c < '0' || c > '9')
            return false;
        if (nDigits == 1 && nOctet == 0)
            return false;
        nOctet = nOctet * 10 + (c - '0');
        if (++nDigits > 3 || nOctet > 255)
            return false;
    }
    if (nOctets != 4)
        return false;
    if (o_pAddress)
        *o_pAddress = nAddress;
    return true;
}

bool ParseRange(const QString &i_sText, TIpRange *o_pRange)
{
    const QStringList lsParts = StripBlanks(i_sText).split(QLatin1Char('-'), Qt::KeepEmptyParts);
    TIpRange oRange;
    if (lsParts.size() == 1) {
        if (!ReadAddress(lsParts.at(0), &oRange.first))
            return false;
        oRange.last = oRange.first;
    } else if (lsParts.size() == 2) {
        quint32 nA = 0;
        quint32 nB = 0;
        if (!ReadAddress(lsParts.at(0), &nA) || !ReadAddress(lsParts.at(1), &nB))
            return false;
        oRange.first = std::min(nA, nB);
        oRange.last = std::max(nA, nB);
    } else {
        return false;
    }
    if (o_pRange)
        *o_pRange = oRange;
    return true;
}

bool ParseCidr(const QString &i_sText, TIpRange *o_pRange, quint32 *o_pAddress, int *o_pPrefix)
{
    const QStringList lsParts = StripBlanks(i_sText).split(QLatin1Char('/'), Qt::KeepEmptyParts);
    if (lsParts.size() != 2)
        return false;
    quint32 nAddress = 0;
    if (!ReadAddress(lsParts.at(0), &nAddress))
        return false;
    const QString &sPrefix = lsParts.at(1);
    if (sPrefix.isEmpty() || !std::all_of(sPrefix.begin(), sPrefix.end(), [](QChar c) {
            return c.isDigit() && c.unicode() < 128;
        }))
        return false;
    bool fOk = false;
    const int nPrefix = sPrefix.toInt(&fOk);
    if (!fOk || nPrefix < 9 || nPrefix > 32)
        return false;
    // Bit 0 stays clear, so /32 behaves like /31: the two addresses differing in the lowest bit.
    const int nBits = std::min(nPrefix, 31);
    const quint32 nMask = ~quint32(0) << (32 - nBits);
    TIpRange oRange;
    oRange.first = (nAddress & nMask) + 1;
    oRange.last = (nAddress | ~nMask) - 1;
    if (oRange.last < oRange.first)
        std::swap(oRange.first, oRange.last);
    if (o_pRange)
        *o_pRange = oRange;
    if (o_pAddress)
        *o_pAddress = nAddress;
    if (o_pPrefix)
        *o_pPrefix = nPrefix;
    return true;
}

bool ParseRangeList(const QString &i_sText, IpRanges *o_pRanges)
{
    QString sText = i_sText;
    sText.remove(QLatin1Char('\n'))
        .remove(QLatin1Char('\r'))
        .remove(QLatin1Char('\t'))
        .remove(QLatin1Char(' '));
    const QStringList lsParts = sText.split(QLatin1Char(','), Qt::KeepEmptyParts);
    QVector<TIpRange> vRanges;
    vRanges.reserve(lsParts.size());
    for (const QString &sPart : lsParts) {
        TIpRange oRange;
        if (!ParseEntry(sPart, &oRange))
            return false;
        vRanges.append(oRange);
    }
    if (vRanges.isEmpty())
        return false;
    if (o_pRanges)
        return o_pRanges->Assign(vRanges, true);
    return true;
}

bool LoadRangesFromData(IpRanges *o_pRanges, const QByteArray &i_baData, QString *o_pErrorText)
{
    const QString sPrefix =
        TrFile(QT_TRANSLATE_NOOP("Load from file", "Reading from file:")) + QLatin1Char(' ');
    const auto Fail = [&](const QString &i_sMessage) {
        if (o_pErrorText)
            *o_pErrorText = sPrefix + i_sMessage;
        return false;
    };

    QString sText = DecodeRangeFile(i_baData);
    if (sText.isEmpty())
        return Fail(TrFile(QT_TRANSLATE_NOOP("Load from file", "Empty file")));
    sText.remove(QLatin1Char(' ')).remove(QLatin1Char('\t')).remove(QLatin1Char('\r'));

    QVector<TIpRange> vRanges;
    const QStringList lsLines = sText.split(QLatin1Char('\n'), Qt::KeepEmptyParts);
    for (int nLine = 0; nLine < lsLines.size(); ++nLine) {
        const QString sLine = lsLines.at(nLine).section(QLatin1Char('#'), 0, 0);
        if (sLine.isEmpty())
            continue;
        const QStringList lsParts = sLine.split(QLatin1Char(','), Qt::KeepEmptyParts);
        for (const QString &sPart : lsParts) {
            TIpRange oRange;
            if (ParseEntry(sPart, &oRange)) {
                vRanges.append(oRange);
                continue;
            }
            return Fail(TrFile(QT_TRANSLATE_NOOP("Load from file",
                                                 "Text \"%2\" at line %1 is not an ip range"))
                            .arg(QString::number(nLine + 1), Shown(sPart)));
        }
    }

    IpRanges oRanges;
    if (!oRanges.Assign(vRanges, true))
        return Fail(TrFile(QT_TRANSLATE_NOOP("Load from file", "Unable to read data from file")));
    if (oRanges.Total() == 0)
        return Fail(TrFile(QT_TRANSLATE_NOOP("Load from file", "No IP addresses found")));
    if (o_pRanges)
        *o_pRanges = oRanges;
    if (o_pErrorText)
        o_pErrorText->clear();
    return true;
}

bool LoadRangesFromFile(IpRanges *o_pRanges, const QString &i_sPath, QString *o_pErrorText)
{
    const QString sPath = i_sPath.trimmed();
    QFile oFile(sPath);
    QByteArray baData;
    // Regular files only: opening a FIFO waits for a writer that may never come, and a device
    // such as /dev/zero never ends.
    const bool fOpened =
        QFileInfo(sPath).isFile() && oFile.open(QIODevice::ReadOnly) && !oFile.isSequential();
    if (fOpened && oFile.size() <= MaxRangeFileBytes) {
        // In pieces: read(MaxRangeFileBytes + 1) would reserve the whole limit for every file,
        // however small, and a 32-bit process may not find that much in one block.
        while (baData.size() <= MaxRangeFileBytes) {
            const QByteArray baPiece =
                oFile.read(qMin<qint64>(1024 * 1024, MaxRangeFileBytes + 1 - baData.size()));
            if (baPiece.isEmpty())
                break;
            baData += baPiece;
        }
    }
    if (!fOpened || oFile.error() != QFileDevice::NoError || baData.size() > MaxRangeFileBytes
        || oFile.size() > MaxRangeFileBytes) {
        if (o_pErrorText)
            *o_pErrorText =
                TrFile(QT_TRANSLATE_NOOP("Load from file", "Reading from file:")) + QLatin1Char(' ')
                + TrFile(QT_TRANSLATE_NOOP("Load from file", "Unable to read data from file"));
        return false;
    }
    return LoadRangesFromData(o_pRanges, baData, o_pErrorText);
}
