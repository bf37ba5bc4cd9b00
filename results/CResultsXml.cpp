// SPDX-License-Identifier: GPL-3.0-or-later
#include "CResultsXml.h"

#include "CInstallDirs.h"
#include "CScanItem.h"
#include "EHostStatus.h"
#include "QStrMessageHandler.h"
#include "ResultsLog.h"

#include <QAbstractXmlReceiver>
#include <QBuffer>
#include <QFile>
#include <QXmlNamePool>
#include <QXmlQuery>
#include <QXmlSerializer>

namespace {

// A status outside the three known values (a damaged file) is left out rather than guessed.
QString StatusAttribute(EHostStatus i_eStatus)
{
    const bool fKnown = i_eStatus == EHostStatus::Alive || i_eStatus == EHostStatus::Dead
                        || i_eStatus == EHostStatus::Unknown;
    return fKnown ? HostStatusText(i_eStatus) : QString();
}

QString Flag(bool i_fOn)
{
    return i_fOn ? QStringLiteral("1") : QStringLiteral("0");
}

// QXmlQuery ignores xsl:output and serialises everything as XML, which would turn the "&" of
// a CSV field into "&amp;". Elements still go through the XML serialiser; text and atomic
// values outside every element are written raw, which is what the text output method does.
// So that a page reads in a text viewer too, an element that follows a tag (not text) starts a
// line indented by its depth, and so does an end tag that follows another end tag: text and
// the elements within it (a cell's no-break space, a list item's words) stay as they are.
// QXmlFormatter would indent as well, but drops a text of only a no-break space, which the
// report writes into an empty cell.
class CXslOutputReceiver final : public QAbstractXmlReceiver
{
public:
    CXslOutputReceiver(const QXmlQuery &i_oQuery, QIODevice *i_pDevice)
        : m_oSerializer(i_oQuery, i_pDevice)
        , m_pDevice(i_pDevice)
    {
    }

    void startElement(const QXmlName &i_oName) override
    {
        if (m_nDepth > 0 && m_eLast != ELast::Text)
            Indent(m_nDepth);
        ++m_nDepth;
        m_eLast = ELast::Start;
        m_oSerializer.startElement(i_oName);
    }
    void endElement() override
    {
        --m_nDepth;
        if (m_eLast == ELast::End)
            Indent(m_nDepth);
        m_eLast = ELast::End;
        m_oSerializer.endElement();
    }
    void attribute(const QXmlName &i_oName, const QStringRef &i_sValue) override
    {
        m_oSerializer.attribute(i_oName, i_sValue);
    }
    void comment(const QString &i_sValue) override { m_oSerializer.comment(i_sValue); }
    void characters(const QStringRef &i_sValue) override
    {
        m_eLast = ELast::Text;
        if (m_nDepth == 0)
            m_pDevice->write(i_sValue.toUtf8());
        else
            m_oSerializer.characters(i_sValue);
    }
    void startDocument() override { m_oSerializer.startDocument(); }
    void endDocument() override { m_oSerializer.endDocument(); }
    void processingInstruction(const QXmlName &i_oTarget, const QString &i_sValue) override
    {
        m_oSerializer.processingInstruction(i_oTarget, i_sValue);
    }
    void atomicValue(const QVariant &i_vValue) override
    {
        m_eLast = ELast::Text;
        if (m_nDepth == 0)
            m_pDevice->write(i_vValue.toString().toUtf8());
        else
            m_oSerializer.atomicValue(i_vValue);
    }
    void namespaceBinding(const QXmlName &i_oName) override
    {
        m_oSerializer.namespaceBinding(i_oName);
    }
    void startOfSequence() override { m_oSerializer.startOfSequence(); }
    void endOfSequence() override { m_oSerializer.endOfSequence(); }

private:
    enum class ELast
    {
        Start,
        End,
        Text,
    };

    // Through the serialiser, which first closes a start tag it holds open.
    void Indent(int i_nDepth)
    {
        m_sIndent = QLatin1Char('\n') + QString(2 * i_nDepth, QLatin1Char(' '));
        m_oSerializer.characters(QStringRef(&m_sIndent));
    }

    QXmlSerializer m_oSerializer;
    QIODevice *m_pDevice;
    int m_nDepth = 0;
    ELast m_eLast = ELast::Text;
    QString m_sIndent;
};

} // namespace

QString CResultsXml::Escape(const QString &i_sText)
{
    QString sText = i_sText;
    sText.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    sText.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    sText.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    sText.replace(QLatin1Char('\''), QLatin1String("&apos;"));
    sText.replace(QLatin1Char('"'), QLatin1String("&quot;"));
    // A reader turns a raw line break or TAB in an attribute into a space, and a control
    // character (a NetBIOS name may hold one) makes the whole document unreadable: keep the
    // former as character references and replace the latter.
    QString sSafe;
    for (int i = 0; i < sText.size(); ++i) {
        const QChar c = sText.at(i);
        const ushort u = c.unicode();
        if (u >= 0x20 && !c.isSurrogate() && u != 0xFFFE && u != 0xFFFF) {
            if (!sSafe.isNull())
                sSafe += c;
            continue;
        }
        if (sSafe.isNull())
            sSafe = sText.left(i);
        if (u == '\t' || u == '\n' || u == '\r') {
            sSafe += QStringLiteral("&#%1;").arg(u);
        } else if (c.isHighSurrogate() && i + 1 < sText.size()
                   && sText.at(i + 1).isLowSurrogate()) {
            sSafe += c;
            sSafe += sText.at(++i);
        } else {
            sSafe += QChar(QChar::ReplacementCharacter);
        }
    }
    return sSafe.isNull() ? sText : sSafe;
}

QString CResultsXml::RangesText(const QVector<TIpRange> &i_vRanges)
{
    QStringList lsRanges;
    for (int i = 0; i < i_vRanges.size() && i < kMaxRangesShown; ++i) {
        const TIpRange &oRange = i_vRanges.at(i);
        lsRanges << (oRange.first == oRange.last
                         ? IpToText(oRange.first)
                         : IpToText(oRange.first) + QLatin1Char('-') + IpToText(oRange.last));
    }
    if (i_vRanges.size() > kMaxRangesShown)
        lsRanges << QStringLiteral("and %1 more ranges").arg(i_vRanges.size() - kMaxRangesShown);
    return lsRanges.join(QStringLiteral(", "));
}

QString CResultsXml::ProgramVersion()
{
    return QStringLiteral(VISTREL_VERSION_TEXT);
}

QString CResultsXml::DocumentStart()
{
    return DocumentStart(TScanInfo());
}

QString CResultsXml::DocumentStart(const TScanInfo &i_oInfo)
{
    QString sStart = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Vistrel");
    if (i_oInfo.oStarted.isValid()) {
        const QDateTime oStarted =
            i_oInfo.oStarted.toOffsetFromUtc(i_oInfo.oStarted.offsetFromUtc());
        sStart += QStringLiteral(" started=\"%1\" ranges=\"%2\"")
                      .arg(oStarted.toString(Qt::ISODate), Escape(i_oInfo.sRanges));
        if (i_oInfo.nDurationMs >= 0)
            sStart += QStringLiteral(" duration=\"%1\"")
                          .arg(QString::number(double(i_oInfo.nDurationMs) / 1000.0, 'f', 1));
        sStart += QStringLiteral(" version=\"%1\"").arg(Escape(ProgramVersion()));
    }
    return sStart + QLatin1Char('>');
}

QString CResultsXml::DocumentEnd()
{
    return QStringLiteral("\r\n</Vistrel>");
}

QString CResultsXml::Row(const CScanItem &i_oItem,
                         const QList<QPair<QString, QString>> &i_lExtraAttributes)
{
    const CScanResult &oResult = i_oItem.result();
    const bool fNoMac = oResult.mac() == QByteArray(6, '\xFF');
    const QString aAttributes[][2] = {
        {QStringLiteral("ip"), oResult.IpText()},
        {QStringLiteral("status"), StatusAttribute(oResult.status())},
        {QStringLiteral("alive_by"), AliveByText(oResult.alive_by())},
        {QStringLiteral("name"), Escape(oResult.name())},
        {QStringLiteral("netbiosname"), Escape(oResult.netbiosname())},
        {QStringLiteral("netbiosgroup"), Escape(oResult.netbiosgroup())},
        {QStringLiteral("mac"), fNoMac ? QString() : oResult.MacText()},
        {QStringLiteral("user"), Escape(oResult.user())},
        {QStringLiteral("has_http"), Flag(oResult.has_http())},
        {QStringLiteral("http_title"), Escape(oResult.http_title())},
        {QStringLiteral("has_https"), Flag(oResult.has_https())},
        {QStringLiteral("has_ftp"), Flag(oResult.has_ftp())},
        {QStringLiteral("comments"), Escape(i_oItem.comments())},
    };
    QString sRow = QStringLiteral("\r\n\t<row ");
    bool fFirst = true;
    for (const auto &aAttribute : aAttributes) {
        if (aAttribute[1].isEmpty())
            continue;
        if (!fFirst)
            sRow += QLatin1Char(' ');
        fFirst = false;
        sRow += QStringLiteral("%1=\"%2\"").arg(aAttribute[0], aAttribute[1]);
    }
    // Written even when empty: a report's column for an extra attribute depends on its presence.
    for (const auto &oExtra : i_lExtraAttributes)
        sRow += QStringLiteral(" %1=\"%2\"").arg(oExtra.first, Escape(oExtra.second));
    sRow += QLatin1Char('>');
    for (const QString &sShare : oResult.shares())
        sRow += QStringLiteral("\r\n\t\t<share name=\"%1\"/>").arg(Escape(sShare));
    for (const qint32 nPort : oResult.ortavo_ports())
        sRow += QStringLiteral("\r\n\t\t<ortavo port=\"%1\"/>").arg(nPort);
    for (const CScanResult::TWebServer &oServer : oResult.web_servers()) {
        sRow += QStringLiteral("\r\n\t\t<web port=\"%1\" https=\"%2\"")
                    .arg(oServer.nPort)
                    .arg(Flag(oServer.fHttps));
        if (!oServer.sTitle.isEmpty())
            sRow += QStringLiteral(" title=\"%1\"").arg(Escape(oServer.sTitle));
        sRow += QStringLiteral("/>");
    }
    sRow += QStringLiteral("\r\n\t</row>");
    return sRow;
}

QString CResultsXml::Document(const QList<CScanItem> &i_lItems)
{
    if (i_lItems.isEmpty())
        return QString();
    QString sDocument = DocumentStart();
    for (const CScanItem &oItem : i_lItems)
        sDocument += Row(oItem);
    sDocument += DocumentEnd();
    return sDocument;
}

QString CResultsXml::Export(const QList<CScanItem> &i_lItems, const QString &i_sXslFileName)
{
    return Export(i_lItems, i_sXslFileName, TScanInfo());
}

QString CResultsXml::Export(const QList<CScanItem> &i_lItems,
                            const QString &i_sXslFileName,
                            const TScanInfo &i_oInfo)
{
    QString sDocument = DocumentStart(i_oInfo);
    for (const CScanItem &oItem : i_lItems)
        sDocument += Row(oItem);
    sDocument += DocumentEnd();
    if (i_sXslFileName.isEmpty())
        return sDocument;
    return Transform(sDocument, XslPath(i_sXslFileName));
}

QString CResultsXml::XslPath(const QString &i_sXslFileName)
{
    return CInstallDirs::DataFile(i_sXslFileName);
}

QString CResultsXml::Transform(const QString &i_sDocument, const QString &i_sXslPath)
{
    QXmlQuery oQuery(QXmlQuery::XSLT20, QXmlNamePool());
    QStrMessageHandler oMessages;
    oQuery.setMessageHandler(&oMessages);
    if (!oQuery.setFocus(i_sDocument)) {
        qCWarning(lcResults) << "XSL input rejected:" << oMessages.Messages();
        return QString();
    }
    QFile oXsl(i_sXslPath);
    if (!oXsl.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qCWarning(lcResults) << "cannot open the stylesheet" << i_sXslPath << oXsl.errorString();
        return QString();
    }
    const QString sXsl = QString::fromUtf8(oXsl.readAll());
    oMessages.Clear();
    oQuery.setQuery(sXsl, QUrl());
    if (!oQuery.isValid()) {
        qCWarning(lcResults) << "stylesheet" << i_sXslPath
                             << "is not valid:" << oMessages.Messages();
        return QString();
    }
    oMessages.Clear();
    QByteArray baOutput;
    QBuffer oBuffer(&baOutput);
    oBuffer.open(QIODevice::WriteOnly);
    {
        CXslOutputReceiver oReceiver(oQuery, &oBuffer);
        if (!oQuery.evaluateTo(&oReceiver))
            qCWarning(lcResults) << "stylesheet" << i_sXslPath << "failed:" << oMessages.Messages();
    }
    return QString::fromUtf8(baOutput);
}
