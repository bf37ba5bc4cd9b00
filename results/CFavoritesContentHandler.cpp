// SPDX-License-Identifier: GPL-3.0-or-later
#include "CFavoritesContentHandler.h"

#include "ResultsLog.h"

#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QRegularExpression>
#include <QTextCodec>
#include <QXmlInputSource>
#include <QXmlSimpleReader>

#include <new>

namespace {

QString Attribute(const QXmlAttributes &i_oAttributes, const char *i_pName)
{
    return i_oAttributes.value(QLatin1String(i_pName));
}

// Only IPv4 rows are hosts of ours; QHostAddress would also take an IPv6 text.
bool ParseIpv4(const QString &i_sText, quint32 *o_pIp)
{
    QHostAddress oAddress;
    if (!oAddress.setAddress(i_sText) || oAddress.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    *o_pIp = oAddress.toIPv4Address();
    return true;
}

// A document declared (or defaulting to) UTF-8 must be valid UTF-8; the SAX reader would
// otherwise swallow broken bytes as replacement characters.
bool IsAcceptableEncoding(const QByteArray &i_baXml)
{
    if (i_baXml.startsWith("\xFE\xFF") || i_baXml.startsWith("\xFF\xFE"))
        return true;
    const QByteArray baHead = i_baXml.left(256);
    if (baHead.startsWith("<?xml")) {
        static const QRegularExpression s_oEncoding(
            QStringLiteral("^<\\?xml[^>]*encoding\\s*=\\s*[\"']([^\"']*)[\"']"));
        const QRegularExpressionMatch oMatch = s_oEncoding.match(QString::fromLatin1(baHead));
        if (oMatch.hasMatch()
            && oMatch.captured(1).compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) != 0
            && oMatch.captured(1).compare(QLatin1String("UTF8"), Qt::CaseInsensitive) != 0)
            return true;
    }
    QTextCodec *pUtf8 = QTextCodec::codecForMib(106);
    QTextCodec::ConverterState oState;
    pUtf8->toUnicode(i_baXml.constData(), i_baXml.size(), &oState);
    return oState.invalidChars == 0 && oState.remainingChars == 0;
}

// Results documents never declare entities. A document that does is built to make the reader
// expand a few bytes into gigabytes (the reader's own limit stops only the nested kind), and
// "<!ENTITY" can stand nowhere else: markup in attribute values is always escaped.
bool DeclaresEntities(const QByteArray &i_baXml)
{
    if (i_baXml.startsWith("\xFE\xFF") || i_baXml.startsWith("\xFF\xFE"))
        return QTextCodec::codecForMib(1015)->toUnicode(i_baXml).contains(
            QLatin1String("<!ENTITY"));
    return i_baXml.contains("<!ENTITY");
}

// Walks the document as the reader will see it and measures every run it would build as one
// string: text, an attribute value, a tag, a comment, a processing instruction, a CDATA section.
// A document type declaration is refused outright: results documents never have one, and its
// internal subset is the one place where this walk could lose step with the reader.
bool ValuesWithinLimit(const QString &i_sText)
{
    enum class EState
    {
        Text,
        Tag,
        Value,
        Comment,
        Instruction,
        CData
    };
    EState eState = EState::Text;
    QChar cQuote;
    int nRun = 0;
    int nBodyStart = 0; // of the comment, instruction or section being read
    const int nSize = i_sText.size();
    for (int i = 0; i < nSize; ++i) {
        const QChar c = i_sText.at(i);
        EState eNext = eState;
        switch (eState) {
        case EState::Text:
            if (c == QLatin1Char('<')) {
                const QStringRef sRest = i_sText.midRef(i);
                if (sRest.startsWith(QLatin1String("<!--"))) {
                    eNext = EState::Comment;
                    i += 3;
                    nBodyStart = i + 1;
                } else if (sRest.startsWith(QLatin1String("<![CDATA["))) {
                    eNext = EState::CData;
                    i += 8;
                    nBodyStart = i + 1;
                } else if (sRest.startsWith(QLatin1String("<?"))) {
                    eNext = EState::Instruction;
                    i += 1;
                    nBodyStart = i + 1;
                } else if (sRest.startsWith(QLatin1String("<!"))) {
                    return false;
                } else {
                    eNext = EState::Tag;
                }
            }
            break;
        case EState::Tag:
            if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
                cQuote = c;
                eNext = EState::Value;
            } else if (c == QLatin1Char('>')) {
                eNext = EState::Text;
            }
            break;
        case EState::Value:
            if (c == cQuote)
                eNext = EState::Tag;
            break;
        case EState::Comment:
            if (c == QLatin1Char('>') && i - 2 >= nBodyStart
                && i_sText.midRef(i - 2, 2) == QLatin1String("--"))
                eNext = EState::Text;
            break;
        case EState::Instruction:
            if (c == QLatin1Char('>') && i - 1 >= nBodyStart
                && i_sText.at(i - 1) == QLatin1Char('?'))
                eNext = EState::Text;
            break;
        case EState::CData:
            if (c == QLatin1Char('>') && i - 2 >= nBodyStart
                && i_sText.midRef(i - 2, 2) == QLatin1String("]]"))
                eNext = EState::Text;
            break;
        }
        if (eNext != eState) {
            eState = eNext;
            nRun = 0;
        } else if (++nRun > CFavoritesContentHandler::kMaxValueLength) {
            return false;
        }
    }
    return true;
}

QString InvalidFormatText()
{
    return QCoreApplication::translate("Load from file", "Invalid file format");
}

} // namespace

CFavoritesContentHandler::CFavoritesContentHandler(bool i_fAddressesOnly)
    : m_fAddressesOnly(i_fAddressesOnly)
{
}

CFavoritesContentHandler::~CFavoritesContentHandler() = default;

void CFavoritesContentHandler::setDocumentLocator(QXmlLocator *i_pLocator)
{
    Q_UNUSED(i_pLocator)
}

bool CFavoritesContentHandler::startDocument()
{
    m_lItems.clear();
    m_oRanges.Clear();
    m_vAddresses.clear();
    m_nDepth = 0;
    m_fLastRowKept = false;
    return true;
}

bool CFavoritesContentHandler::endDocument()
{
    if (!m_fAddressesOnly || m_vAddresses.isEmpty())
        return true;
    try {
        QVector<TIpRange> vRanges;
        vRanges.reserve(m_vAddresses.size());
        for (const quint32 nAddress : qAsConst(m_vAddresses))
            vRanges.append(TIpRange{nAddress, nAddress});
        m_vAddresses.clear();
        return m_oRanges.Assign(vRanges, true);
    } catch (const std::bad_alloc &) {
        return false;
    }
}

bool CFavoritesContentHandler::startPrefixMapping(const QString &i_sPrefix, const QString &i_sUri)
{
    Q_UNUSED(i_sPrefix)
    Q_UNUSED(i_sUri)
    return true;
}

bool CFavoritesContentHandler::endPrefixMapping(const QString &i_sPrefix)
{
    Q_UNUSED(i_sPrefix)
    return true;
}

bool CFavoritesContentHandler::startElement(const QString &i_sNamespaceUri,
                                            const QString &i_sLocalName,
                                            const QString &i_sQualifiedName,
                                            const QXmlAttributes &i_oAttributes)
{
    Q_UNUSED(i_sNamespaceUri)
    Q_UNUSED(i_sLocalName)
    // Our documents are three levels deep; deeper ones are attacks on the reader's stack.
    if (++m_nDepth > kMaxDepth)
        return false;

    if (i_sQualifiedName == QLatin1String("row")) {
        quint32 nIp = 0;
        const bool fParsed = ParseIpv4(Attribute(i_oAttributes, "ip"), &nIp);
        if (m_fAddressesOnly) {
            if (fParsed && nIp != 0)
                m_vAddresses.append(nIp);
            return true;
        }
        m_fLastRowKept = fParsed;
        if (!fParsed)
            return true;
        CScanResult oResult;
        oResult.set_ip(nIp);
        EHostStatus eStatus = EHostStatus::Unknown;
        if (HostStatusFromText(Attribute(i_oAttributes, "status"), &eStatus))
            oResult.set_status(eStatus);
        // Files written before the probe was recorded have none: the host then reads as alive
        // by no known probe.
        oResult.set_alive_by(AliveByFromText(Attribute(i_oAttributes, "alive_by")));
        oResult.set_name(Attribute(i_oAttributes, "name"));
        oResult.set_netbiosname(Attribute(i_oAttributes, "netbiosname"));
        oResult.set_netbiosgroup(Attribute(i_oAttributes, "netbiosgroup"));
        oResult.set_user(Attribute(i_oAttributes, "user"));
        oResult.set_mac(ParseMac(Attribute(i_oAttributes, "mac")));
        oResult.set_has_http(Attribute(i_oAttributes, "has_http") == QLatin1String("1"));
        oResult.set_has_https(Attribute(i_oAttributes, "has_https") == QLatin1String("1"));
        oResult.set_has_ftp(Attribute(i_oAttributes, "has_ftp") == QLatin1String("1"));
        oResult.set_http_title(Attribute(i_oAttributes, "http_title"));
        m_lItems.append(CScanItem(oResult, Attribute(i_oAttributes, "comments")));
        return true;
    }
    if (m_fAddressesOnly || m_lItems.isEmpty() || !m_fLastRowKept)
        return true;
    if (i_sQualifiedName == QLatin1String("share")) {
        const QString sName = Attribute(i_oAttributes, "name").trimmed();
        if (!sName.isEmpty()) {
            CScanResult &rResult = m_lItems.last().result();
            rResult.set_shares(rResult.shares() << sName);
        }
    } else if (i_sQualifiedName == QLatin1String("ortavo")) {
        bool fOk = false;
        const qint32 nPort = Attribute(i_oAttributes, "port").trimmed().toInt(&fOk, 10);
        if (fOk) {
            CScanResult &rResult = m_lItems.last().result();
            rResult.set_ortavo_ports(rResult.ortavo_ports() << nPort);
        }
    } else if (i_sQualifiedName == QLatin1String("web")) {
        bool fOk = false;
        const int nPort = Attribute(i_oAttributes, "port").trimmed().toInt(&fOk, 10);
        CScanResult &rResult = m_lItems.last().result();
        // A file is read whole into memory already; the list is bounded by the file's size.
        if (fOk && nPort >= 1 && nPort <= 65535) {
            const QString sTitle = Attribute(i_oAttributes, "title");
            rResult.set_web_servers(rResult.web_servers() << CScanResult::TWebServer{
                                        nPort,
                                        Attribute(i_oAttributes, "https") == QLatin1String("1"),
                                        sTitle.isEmpty() ? QString() : sTitle});
        }
    }
    return true;
}

bool CFavoritesContentHandler::endElement(const QString &i_sNamespaceUri,
                                          const QString &i_sLocalName,
                                          const QString &i_sQualifiedName)
{
    Q_UNUSED(i_sNamespaceUri)
    Q_UNUSED(i_sLocalName)
    Q_UNUSED(i_sQualifiedName)
    --m_nDepth;
    return true;
}

bool CFavoritesContentHandler::characters(const QString &i_sText)
{
    Q_UNUSED(i_sText)
    return true;
}

bool CFavoritesContentHandler::ignorableWhitespace(const QString &i_sText)
{
    Q_UNUSED(i_sText)
    return true;
}

bool CFavoritesContentHandler::processingInstruction(const QString &i_sTarget,
                                                     const QString &i_sData)
{
    Q_UNUSED(i_sTarget)
    Q_UNUSED(i_sData)
    return true;
}

bool CFavoritesContentHandler::skippedEntity(const QString &i_sName)
{
    Q_UNUSED(i_sName)
    return true;
}

QString CFavoritesContentHandler::errorString() const
{
    return QString();
}

QList<CScanItem> CFavoritesContentHandler::TakeItems()
{
    QList<CScanItem> lItems;
    lItems.swap(m_lItems);
    return lItems;
}

QByteArray CFavoritesContentHandler::ParseMac(const QString &i_sText)
{
    const QByteArray baNoMac(6, '\xFF');
    QByteArray baMac;
    if (TextToMac(i_sText, &baMac))
        return baMac;
    // Files are read leniently: colon-separated bytes with empty parts skipped still read.
    const QStringList lsParts = i_sText.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (lsParts.size() != 6)
        return baNoMac;
    for (const QString &sPart : lsParts) {
        bool fOk = false;
        const uint nByte = sPart.toUInt(&fOk, 16);
        if (!fOk || nByte > 0xFF)
            return baNoMac;
        baMac.append(static_cast<char>(nByte));
    }
    return baMac;
}

bool CFavoritesContentHandler::Parse(const QByteArray &i_baXml,
                                     CFavoritesContentHandler &io_rHandler)
{
    if (i_baXml.size() > kMaxDocumentBytes || !IsAcceptableEncoding(i_baXml)
        || DeclaresEntities(i_baXml)) {
        io_rHandler.startDocument();
        return false;
    }
    QXmlInputSource oSource;
    oSource.setData(i_baXml);
    // Checked on the decoded text, in whatever encoding the document declares, exactly as the
    // reader will walk it.
    if (!ValuesWithinLimit(oSource.data())) {
        io_rHandler.startDocument();
        return false;
    }
    QXmlSimpleReader oReader;
    oReader.setContentHandler(&io_rHandler);
    bool fParsed = false;
    try {
        fParsed = oReader.parse(&oSource, false);
    } catch (const std::bad_alloc &) {
        fParsed = false;
    }
    if (!fParsed) {
        // Half a document is no document: leave nothing behind for the caller to take.
        io_rHandler.startDocument();
    }
    return fParsed;
}

bool CFavoritesContentHandler::ReadItems(const QByteArray &i_baXml, QList<CScanItem> *o_plItems)
{
    CFavoritesContentHandler oHandler(false);
    if (!Parse(i_baXml, oHandler))
        return false;
    if (o_plItems)
        *o_plItems = oHandler.TakeItems();
    return true;
}

bool CFavoritesContentHandler::ReadFile(const QString &i_sFileName,
                                        QByteArray *o_pbaData,
                                        QString *o_psError)
{
    QFile oFile(i_sFileName);
    if (!oFile.open(QIODevice::ReadOnly)) {
        if (o_psError)
            *o_psError = QCoreApplication::translate("Load from file", "Cannot open the file");
        return false;
    }
    if (oFile.size() > kMaxDocumentBytes) {
        qCWarning(lcResults) << "refusing" << i_sFileName << "of" << oFile.size() << "bytes";
        if (o_psError)
            *o_psError = InvalidFormatText();
        return false;
    }
    *o_pbaData = oFile.read(kMaxDocumentBytes + 1);
    return true;
}

bool CFavoritesContentHandler::ReadItemsFromFile(const QString &i_sFileName,
                                                 QList<CScanItem> *o_plItems,
                                                 QString *o_psError)
{
    QByteArray baXml;
    if (!ReadFile(i_sFileName, &baXml, o_psError))
        return false;
    if (!ReadItems(baXml, o_plItems)) {
        if (o_psError)
            *o_psError = InvalidFormatText();
        return false;
    }
    return true;
}

bool CFavoritesContentHandler::ReadRangesFromFile(const QString &i_sFileName,
                                                  IpRanges *o_pRanges,
                                                  QString *o_psError)
{
    QByteArray baXml;
    if (!ReadFile(i_sFileName, &baXml, o_psError))
        return false;
    CFavoritesContentHandler oHandler(true);
    if (!Parse(baXml, oHandler)) {
        if (o_psError)
            *o_psError = InvalidFormatText();
        return false;
    }
    if (o_pRanges)
        *o_pRanges = oHandler.Ranges();
    return true;
}
