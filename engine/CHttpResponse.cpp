// SPDX-License-Identifier: GPL-3.0-or-later
#include "CHttpResponse.h"

#include <QList>

#include <cstring>

namespace {

bool IsDigit(char i_c)
{
    return i_c >= '0' && i_c <= '9';
}

int HexValue(char i_c)
{
    if (IsDigit(i_c))
        return i_c - '0';
    if (i_c >= 'a' && i_c <= 'f')
        return i_c - 'a' + 10;
    if (i_c >= 'A' && i_c <= 'F')
        return i_c - 'A' + 10;
    return -1;
}

bool IsBlank(char i_c)
{
    return i_c == ' ' || i_c == '\t';
}

// A header name is a token: printable ASCII without separators.
bool IsTokenChar(char i_c)
{
    return i_c > 0x20 && i_c < 0x7F && !std::strchr("\"(),/:;<=>?@[\\]{}", i_c);
}

// Digits only, at most 18 of them so that the value fits in 63 bits; -1 otherwise.
qint64 DecimalLength(const QByteArray &i_baText)
{
    if (i_baText.isEmpty() || i_baText.size() > 18)
        return -1;
    qint64 nValue = 0;
    for (const char c : i_baText) {
        if (!IsDigit(c))
            return -1;
        nValue = nValue * 10 + (c - '0');
    }
    return nValue;
}

} // namespace

CHttpResponse::CHttpResponse(int i_nMaxBytes)
    : m_nMaxBytes(qMax(0, i_nMaxBytes))
{
}

bool CHttpResponse::Succeeded() const
{
    return m_eState == EState::Complete && m_nStatus >= 200 && m_nStatus <= 399;
}

int CHttpResponse::Feed(const char *i_pData, int i_nSize)
{
    int nUsed = 0;
    while (m_eState == EState::Reading && nUsed < i_nSize && m_nTaken < m_nMaxBytes) {
        const int nStep = Step(i_pData + nUsed, qMin(i_nSize - nUsed, m_nMaxBytes - m_nTaken));
        nUsed += nStep;
        m_nTaken += nStep;
    }
    if (m_eState == EState::Reading && m_nTaken >= m_nMaxBytes) {
        // Out of budget: a body ends here with what came; headers without end are no answer.
        const bool fInBody = m_ePhase != EPhase::StatusLine && m_ePhase != EPhase::HeaderLine;
        if (fInBody) {
            m_fCut = true;
            Finish();
        } else {
            Fail("headers beyond the byte budget");
        }
    }
    return nUsed;
}

void CHttpResponse::FeedEnd()
{
    if (m_eState != EState::Reading)
        return;
    if (m_ePhase == EPhase::BodyToClose)
        Finish();
    else
        Fail("connection closed before the response ended");
}

int CHttpResponse::Step(const char *i_pData, int i_nSize)
{
    switch (m_ePhase) {
    case EPhase::BodyLength:
    case EPhase::ChunkData: {
        const int nTake = static_cast<int>(qMin<qint64>(i_nSize, m_nLeft));
        m_baBody.append(i_pData, nTake);
        m_nLeft -= nTake;
        if (m_nLeft == 0) {
            if (m_ePhase == EPhase::BodyLength)
                Finish();
            else
                m_ePhase = EPhase::ChunkDataEnd;
        }
        return nTake;
    }
    case EPhase::BodyToClose:
        m_baBody.append(i_pData, i_nSize);
        return i_nSize;
    default:
        return StepLine(i_pData, i_nSize);
    }
}

int CHttpResponse::StepLine(const char *i_pData, int i_nSize)
{
    const void *pEnd = std::memchr(i_pData, '\n', static_cast<size_t>(i_nSize));
    const int nPart = pEnd ? static_cast<int>(static_cast<const char *>(pEnd) - i_pData) : i_nSize;
    // One byte over the cap may still be the CR of a CRLF.
    if (m_baLine.size() + nPart > MaxLineBytes + 1) {
        Fail("line too long");
        return i_nSize;
    }
    m_baLine.append(i_pData, nPart);
    if (!pEnd)
        return i_nSize;
    QByteArray baLine;
    baLine.swap(m_baLine);
    if (baLine.endsWith('\r'))
        baLine.chop(1);
    if (baLine.size() > MaxLineBytes) {
        Fail("line too long");
        return nPart + 1;
    }
    OnLine(baLine);
    return nPart + 1;
}

void CHttpResponse::OnLine(const QByteArray &i_baLine)
{
    switch (m_ePhase) {
    case EPhase::StatusLine:
        if (!CountHeaderLine(i_baLine.size()))
            return;
        OnStatusLine(i_baLine);
        return;
    case EPhase::HeaderLine:
        if (!CountHeaderLine(i_baLine.size()))
            return;
        if (i_baLine.isEmpty())
            OnHeadersEnd();
        else
            OnHeaderLine(i_baLine);
        return;
    case EPhase::ChunkSize:
        OnChunkSizeLine(i_baLine);
        return;
    case EPhase::ChunkDataEnd:
        if (!i_baLine.isEmpty())
            Fail("chunk longer than its size");
        else
            m_ePhase = EPhase::ChunkSize;
        return;
    case EPhase::Trailer:
        // Trailer fields carry nothing the probe uses; they only count against the bounds.
        if (CountHeaderLine(i_baLine.size()) && i_baLine.isEmpty())
            Finish();
        return;
    default:
        Fail("line outside a line phase");
        return;
    }
}

bool CHttpResponse::CountHeaderLine(int i_nBytes)
{
    m_nHeaderBytes += i_nBytes + 2;
    if (++m_nHeaderLines > MaxHeaderLines) {
        Fail("too many header lines");
        return false;
    }
    if (m_nHeaderBytes > MaxHeaderBytes) {
        Fail("headers too long");
        return false;
    }
    return true;
}

void CHttpResponse::OnStatusLine(const QByteArray &i_baLine)
{
    // Stray empty lines before a status line are tolerated, as after a previous message.
    if (i_baLine.isEmpty())
        return;
    // "HTTP/1.x NNN", then a reason phrase after a space, or nothing.
    const char *p = i_baLine.constData();
    const bool fValid = i_baLine.size() >= 12 && std::memcmp(p, "HTTP/1.", 7) == 0 && IsDigit(p[7])
                        && p[8] == ' ' && IsDigit(p[9]) && IsDigit(p[10]) && IsDigit(p[11])
                        && (i_baLine.size() == 12 || p[12] == ' ');
    if (!fValid) {
        Fail("not an HTTP/1.x status line");
        return;
    }
    m_nStatus = (p[9] - '0') * 100 + (p[10] - '0') * 10 + (p[11] - '0');
    if (m_nStatus < 100) {
        Fail("status code out of range");
        return;
    }
    m_ePhase = EPhase::HeaderLine;
    m_eLastHeader = EHeader::None;
    m_baContentType.clear();
    m_baContentLength.clear();
    m_baTransferEncoding.clear();
}

void CHttpResponse::OnHeaderLine(const QByteArray &i_baLine)
{
    // An obsolete folded line continues the header before it, joined by a space.
    if (IsBlank(i_baLine.at(0))) {
        const QByteArray baMore = ' ' + i_baLine.trimmed();
        switch (m_eLastHeader) {
        case EHeader::None:
            Fail("folded line without a header");
            return;
        case EHeader::Other:
            return;
        case EHeader::ContentType:
            m_baContentType += baMore;
            return;
        case EHeader::ContentLength:
            m_baContentLength += baMore;
            return;
        case EHeader::TransferEncoding:
            m_baTransferEncoding += baMore;
            return;
        }
        return;
    }
    const int nColon = i_baLine.indexOf(':');
    int nNameEnd = 0;
    while (nNameEnd < i_baLine.size() && IsTokenChar(i_baLine.at(nNameEnd)))
        ++nNameEnd;
    // Lines that are not "name: value" are skipped, as browsers do.
    if (nColon <= 0 || nNameEnd != nColon) {
        m_eLastHeader = EHeader::Other;
        return;
    }
    const QByteArray baName = i_baLine.left(nColon).toLower();
    const QByteArray baValue = i_baLine.mid(nColon + 1).trimmed();
    // Repeated list headers are one list; a repeated Content-Length must agree with itself.
    const auto Join = [&baValue](QByteArray &io_baList) {
        if (!io_baList.isEmpty())
            io_baList += ',';
        io_baList += baValue;
    };
    if (baName == "content-type") {
        m_eLastHeader = EHeader::ContentType;
        if (m_baContentType.isEmpty())
            m_baContentType = baValue;
    } else if (baName == "content-length") {
        m_eLastHeader = EHeader::ContentLength;
        Join(m_baContentLength);
    } else if (baName == "transfer-encoding") {
        m_eLastHeader = EHeader::TransferEncoding;
        Join(m_baTransferEncoding);
    } else {
        m_eLastHeader = EHeader::Other;
    }
}

void CHttpResponse::OnHeadersEnd()
{
    if (m_nStatus == 101) {
        Fail("switching protocols, which was not asked for");
        return;
    }
    if (m_nStatus < 200) {
        m_ePhase = EPhase::StatusLine;
        return;
    }
    if (m_nStatus == 204 || m_nStatus == 304) {
        Finish();
        return;
    }
    if (!m_baTransferEncoding.isEmpty()) {
        // Chunked only as the last coding; any other coding runs to the end of the connection.
        const QList<QByteArray> lCodings = m_baTransferEncoding.split(',');
        const QByteArray baLast = lCodings.last().trimmed().toLower();
        m_ePhase = baLast == "chunked" ? EPhase::ChunkSize : EPhase::BodyToClose;
        return;
    }
    if (!m_baContentLength.isEmpty()) {
        qint64 nLength = -1;
        for (const QByteArray &baPart : m_baContentLength.split(',')) {
            const qint64 nPart = DecimalLength(baPart.trimmed());
            if (nPart < 0 || (nLength >= 0 && nPart != nLength)) {
                Fail("bad Content-Length");
                return;
            }
            nLength = nPart;
        }
        m_nLeft = nLength;
        if (m_nLeft == 0)
            Finish();
        else
            m_ePhase = EPhase::BodyLength;
        return;
    }
    m_ePhase = EPhase::BodyToClose;
}

void CHttpResponse::OnChunkSizeLine(const QByteArray &i_baLine)
{
    // 1*HEXDIG, optional blanks, then nothing or ";extension". At most 15 significant digits,
    // so the count cannot overflow; the size is only counted down, never allocated.
    const int nSize = i_baLine.size();
    int i = 0;
    while (i < nSize && i_baLine.at(i) == '0')
        ++i;
    const bool fZeros = i > 0;
    qint64 nValue = 0;
    int nDigits = 0;
    for (; i < nSize && HexValue(i_baLine.at(i)) >= 0; ++i) {
        if (++nDigits > 15) {
            Fail("chunk size too large");
            return;
        }
        nValue = nValue * 16 + HexValue(i_baLine.at(i));
    }
    if (!fZeros && nDigits == 0) {
        Fail("chunk size missing");
        return;
    }
    while (i < nSize && IsBlank(i_baLine.at(i)))
        ++i;
    if (i < nSize && i_baLine.at(i) != ';') {
        Fail("garbage after the chunk size");
        return;
    }
    if (nValue == 0) {
        m_ePhase = EPhase::Trailer;
        return;
    }
    m_nLeft = nValue;
    m_ePhase = EPhase::ChunkData;
}

void CHttpResponse::Fail(const char *i_pWhy)
{
    m_eState = EState::Failed;
    m_pFailure = i_pWhy;
}

void CHttpResponse::Finish()
{
    m_eState = EState::Complete;
}
