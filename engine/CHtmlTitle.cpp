// SPDX-License-Identifier: GPL-3.0-or-later
#include "CHtmlTitle.h"

#include "CNetText.h"

#include <QHash>
#include <QRegularExpression>
#include <QTextCodec>

namespace {

const QHash<QString, QChar> &NamedEntities()
{
    // The entities seen in device start pages; an unknown one is kept as written.
    static const QHash<QString, QChar> s_mEntities = {
        {QStringLiteral("amp"), QChar(0x26)},
        {QStringLiteral("lt"), QChar(0x3C)},
        {QStringLiteral("gt"), QChar(0x3E)},
        {QStringLiteral("quot"), QChar(0x22)},
        {QStringLiteral("apos"), QChar(0x27)},
        {QStringLiteral("nbsp"), QChar(0xA0)},
        {QStringLiteral("copy"), QChar(0xA9)},
        {QStringLiteral("reg"), QChar(0xAE)},
        {QStringLiteral("trade"), QChar(0x2122)},
        {QStringLiteral("hellip"), QChar(0x2026)},
        {QStringLiteral("mdash"), QChar(0x2014)},
        {QStringLiteral("ndash"), QChar(0x2013)},
        {QStringLiteral("laquo"), QChar(0xAB)},
        {QStringLiteral("raquo"), QChar(0xBB)},
        {QStringLiteral("middot"), QChar(0xB7)},
        {QStringLiteral("euro"), QChar(0x20AC)},
        {QStringLiteral("bull"), QChar(0x2022)},
        {QStringLiteral("deg"), QChar(0xB0)},
    };
    return s_mEntities;
}

// Appends the character of a numeric reference; code points that cannot stand in text become
// the replacement character rather than corrupting the string.
void AppendCodePoint(QString &io_sOut, uint i_nCode)
{
    const bool fValid =
        i_nCode != 0 && i_nCode <= 0x10FFFF && !(i_nCode >= 0xD800 && i_nCode <= 0xDFFF);
    if (!fValid) {
        io_sOut += QChar(QChar::ReplacementCharacter);
        return;
    }
    const char32_t cPoint = i_nCode;
    io_sOut += QString::fromUcs4(&cPoint, 1);
}

bool IsNameEnd(QChar i_c)
{
    return i_c == QLatin1Char('>') || i_c == QLatin1Char('/') || i_c.isSpace();
}

bool StartsTag(const QString &i_sText, int i_nPos, QLatin1String i_sTag)
{
    const int nEnd = i_nPos + i_sTag.size();
    return nEnd < i_sText.size()
           && QStringRef(&i_sText, i_nPos, i_sTag.size()).compare(i_sTag, Qt::CaseInsensitive) == 0
           && IsNameEnd(i_sText.at(nEnd));
}

bool StartsWith(const QString &i_sText, int i_nPos, QLatin1String i_sWhat)
{
    return QStringRef(&i_sText, i_nPos, qMin(i_sWhat.size(), i_sText.size() - i_nPos)) == i_sWhat;
}

// Where the markup declaration starting at i_nPos ("<!DOCTYPE ...", "<![CDATA[...") ends, or -1
// when the text ends first. A document type's internal subset is skipped with it, quoted
// literals included, so nothing it declares is read as the page.
int DeclarationEnd(const QString &i_sText, int i_nPos)
{
    if (StartsWith(i_sText, i_nPos, QLatin1String("<![CDATA["))) {
        const int nClose = i_sText.indexOf(QLatin1String("]]>"), i_nPos + 9);
        return nClose < 0 ? -1 : nClose + 3;
    }
    int nDepth = 0;
    QChar cQuote;
    for (int i = i_nPos + 2; i < i_sText.size(); ++i) {
        const QChar c = i_sText.at(i);
        if (!cQuote.isNull()) {
            if (c == cQuote)
                cQuote = QChar();
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            cQuote = c;
        } else if (c == QLatin1Char('[')) {
            ++nDepth;
        } else if (c == QLatin1Char(']')) {
            nDepth = qMax(0, nDepth - 1);
        } else if (c == QLatin1Char('>') && nDepth == 0) {
            return i + 1;
        }
    }
    return -1;
}

// The text of a title element: markup inside it is dropped (an XHTML title's text is that of
// its children), CDATA sections are kept as written, references are left for Clean.
QString TextOf(const QStringRef &i_sRaw)
{
    QString sText;
    const int nSize = i_sRaw.size();
    sText.reserve(qMin(nSize, 4 * CHtmlTitle::MaxTitleChars));
    for (int i = 0; i < nSize && sText.size() < 4 * CHtmlTitle::MaxTitleChars; ++i) {
        const QChar c = i_sRaw.at(i);
        const QChar cNext = i + 1 < nSize ? i_sRaw.at(i + 1) : QChar();
        if (c != QLatin1Char('<')
            || !(cNext.isLetter() || cNext == QLatin1Char('/') || cNext == QLatin1Char('!'))) {
            sText += c;
            continue;
        }
        const QStringRef sRest = i_sRaw.mid(i);
        int nSkip = -1;
        if (sRest.startsWith(QLatin1String("<![CDATA["))) {
            const int nClose = sRest.indexOf(QLatin1String("]]>"));
            const int nEnd = nClose < 0 ? sRest.size() : nClose;
            sText += sRest.mid(9, qMin(nEnd - 9, 4 * CHtmlTitle::MaxTitleChars));
            nSkip = nClose < 0 ? sRest.size() : nClose + 3;
        } else if (sRest.startsWith(QLatin1String("<!--"))) {
            const int nClose = sRest.indexOf(QLatin1String("-->"));
            nSkip = nClose < 0 ? sRest.size() : nClose + 3;
        } else {
            const int nClose = sRest.indexOf(QLatin1Char('>'));
            nSkip = nClose < 0 ? sRest.size() : nClose + 1;
        }
        i += nSkip - 1;
    }
    return sText;
}

} // namespace

QString CHtmlTitle::FromBody(const QByteArray &i_baBody, const QByteArray &i_baContentType)
{
    return FromMarkup(DecodeBody(i_baBody, i_baContentType));
}

QString CHtmlTitle::DecodeBody(const QByteArray &i_baBody, const QByteArray &i_baContentType)
{
    static const QRegularExpression s_reCharset(
        QStringLiteral("charset\\s*=\\s*[\"']?([^\\s;\"']+)"),
        QRegularExpression::CaseInsensitiveOption);
    QTextCodec *pCodec = nullptr;
    const QRegularExpressionMatch oMatch = s_reCharset.match(QString::fromLatin1(i_baContentType));
    if (oMatch.hasMatch())
        pCodec = QTextCodec::codecForName(oMatch.captured(1).toLatin1());
    if (!pCodec)
        pCodec = QTextCodec::codecForHtml(i_baBody, QTextCodec::codecForName("UTF-8"));
    if (!pCodec)
        return QString::fromUtf8(i_baBody);
    return pCodec->toUnicode(i_baBody);
}

QString CHtmlTitle::FromMarkup(const QString &i_sText)
{
    const int nSize = i_sText.size();
    int nPos = 0;
    while ((nPos = i_sText.indexOf(QLatin1Char('<'), nPos)) >= 0) {
        // A title inside a comment, a declaration or a script is not the page's title.
        if (StartsWith(i_sText, nPos, QLatin1String("<!--"))) {
            const int nClose = i_sText.indexOf(QLatin1String("-->"), nPos + 4);
            if (nClose < 0)
                return QString();
            nPos = nClose + 3;
            continue;
        }
        if (StartsWith(i_sText, nPos, QLatin1String("<!"))) {
            nPos = DeclarationEnd(i_sText, nPos);
            if (nPos < 0)
                return QString();
            continue;
        }
        for (const QLatin1String sRaw : {QLatin1String("script"), QLatin1String("style")}) {
            if (StartsTag(i_sText, nPos + 1, sRaw)) {
                const int nClose =
                    i_sText.indexOf(QLatin1String("</") + sRaw, nPos + 1, Qt::CaseInsensitive);
                if (nClose < 0)
                    return QString();
                nPos = nClose;
                break;
            }
        }
        if (StartsTag(i_sText, nPos + 1, QLatin1String("title"))) {
            const int nOpenEnd = i_sText.indexOf(QLatin1Char('>'), nPos);
            if (nOpenEnd < 0)
                return QString();
            if (i_sText.at(nOpenEnd - 1) == QLatin1Char('/'))
                return QString();
            int nClose = i_sText.indexOf(QLatin1String("</title"), nOpenEnd, Qt::CaseInsensitive);
            // A body cut short inside the title still shows its beginning.
            if (nClose < 0)
                nClose = nSize;
            return Clean(TextOf(QStringRef(&i_sText, nOpenEnd + 1, nClose - nOpenEnd - 1)));
        }
        ++nPos;
    }
    return QString();
}

QString CHtmlTitle::Clean(const QString &i_sRaw)
{
    QString sDecoded;
    sDecoded.reserve(qMin(i_sRaw.size(), 4 * MaxTitleChars));
    const int nSize = i_sRaw.size();
    for (int i = 0; i < nSize && sDecoded.size() < 4 * MaxTitleChars; ++i) {
        const QChar c = i_sRaw.at(i);
        if (c != QLatin1Char('&')) {
            sDecoded += c;
            continue;
        }
        const int nSemi = i_sRaw.indexOf(QLatin1Char(';'), i + 1);
        // Longest reference we decode: "&#x10FFFF;" or the longest name above.
        if (nSemi < 0 || nSemi - i > 10) {
            sDecoded += c;
            continue;
        }
        const QString sRef = i_sRaw.mid(i + 1, nSemi - i - 1);
        bool fOk = false;
        if (sRef.startsWith(QLatin1Char('#'))) {
            const bool fHex = sRef.size() > 1
                              && (sRef.at(1) == QLatin1Char('x') || sRef.at(1) == QLatin1Char('X'));
            const uint nCode = sRef.mid(fHex ? 2 : 1).toUInt(&fOk, fHex ? 16 : 10);
            if (fOk)
                AppendCodePoint(sDecoded, nCode);
        } else {
            const auto it = NamedEntities().constFind(sRef);
            fOk = it != NamedEntities().constEnd();
            if (fOk)
                sDecoded += it.value();
        }
        if (fOk)
            i = nSemi;
        else
            sDecoded += c;
    }
    QString sOut;
    sOut.reserve(qMin(sDecoded.size(), MaxTitleChars));
    bool fPendingSpace = false;
    for (const QChar c : qAsConst(sDecoded)) {
        // Control characters from a hostile page must not reach a results row or a file.
        if (c.isSpace() || CNetText::IsUnsafe(c.unicode()) || c == QChar(0xA0)) {
            fPendingSpace = !sOut.isEmpty();
            continue;
        }
        if (fPendingSpace) {
            // A space and the character after it must both fit, or the title ends here: a
            // space at the cut would only be trimmed again.
            if (sOut.size() + 1 >= MaxTitleChars)
                break;
            sOut += QLatin1Char(' ');
        }
        fPendingSpace = false;
        sOut += c;
        if (sOut.size() >= MaxTitleChars)
            break;
    }
    // Never leave half of a surrogate pair at the cut.
    if (!sOut.isEmpty() && QChar(sOut.back()).isHighSurrogate())
        sOut.chop(1);
    // Nor the space before a character that the cut took away.
    if (!sOut.isEmpty() && sOut.back() == QLatin1Char(' '))
        sOut.chop(1);
    // Titles pass the same final step as every other text from a peer.
    return CNetText::Clean(sOut, MaxTitleChars);
}
