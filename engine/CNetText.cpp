// SPDX-License-Identifier: GPL-3.0-or-later
#include "CNetText.h"

#include <QChar>

bool CNetText::IsUnsafe(char32_t i_nCode)
{
    if (i_nCode < 0x20 || (i_nCode >= 0x7F && i_nCode <= 0x9F))
        return true;
    // Line and paragraph separators end a line in some viewers; the embeddings, overrides
    // and isolates let a name show the rest of its row in another order than it is stored.
    return i_nCode == 0x2028 || i_nCode == 0x2029 || (i_nCode >= 0x202A && i_nCode <= 0x202E)
           || (i_nCode >= 0x2066 && i_nCode <= 0x2069);
}

QString CNetText::Clean(const QString &i_sText, int i_nMaxChars)
{
    const int nMax = qMax(0, i_nMaxChars);
    const int nSize = qMin(i_sText.size(), nMax);
    QString sOut;
    sOut.reserve(nSize);
    for (int i = 0; i < nSize; ++i) {
        const QChar c = i_sText.at(i);
        if (c.isHighSurrogate()) {
            if (i + 1 < i_sText.size() && i_sText.at(i + 1).isLowSurrogate()) {
                // Both halves fit, or neither is taken.
                if (i + 1 >= nMax)
                    break;
                sOut += c;
                sOut += i_sText.at(++i);
            } else {
                sOut += QChar(QChar::ReplacementCharacter);
            }
            continue;
        }
        if (c.isLowSurrogate()) {
            sOut += QChar(QChar::ReplacementCharacter);
            continue;
        }
        sOut += IsUnsafe(c.unicode()) ? QChar(QLatin1Char(' ')) : c;
    }
    return sOut;
}

QString CNetText::CleanTrimmed(const QString &i_sText, int i_nMaxChars)
{
    // Trimmed first too, so that leading blanks do not use up the length a name may have.
    return Clean(i_sText.trimmed(), i_nMaxChars).trimmed();
}

QString CNetText::Clean(const QByteArray &i_baUtf8, int i_nMaxChars)
{
    // Decoded by length rather than as a C string: a zero byte is a control character like
    // any other, not the end of the text. The decoder puts U+FFFD for each invalid sequence,
    // an encoded surrogate and an over-long form included.
    return Clean(QString::fromUtf8(i_baUtf8.constData(), i_baUtf8.size()), i_nMaxChars);
}
