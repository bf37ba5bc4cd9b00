// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CScanItem.h"
#include "IpRanges.h"

#include <QList>
#include <QVector>
#include <QXmlContentHandler>

class QByteArray;
class QString;

// Reads the results XML back, for QXmlSimpleReader. In items mode it collects every host with
// its shares and Ortavo ports; in addresses mode only the row addresses, as sorted and merged
// ranges. It is lenient about content (unknown elements and attributes are ignored, bad values
// fall back to defaults) and leaves only malformed XML to fail the parse.
//
// Use the static Read...() functions rather than a reader of your own: they also bound the
// input size, refuse byte sequences that are not UTF-8 and documents that declare entities, and
// limit the nesting depth, so a hostile
// file or drop payload cannot exhaust memory or the stack. Not thread-bound; one parse at a time.
class CFavoritesContentHandler final : public QXmlContentHandler
{
public:
    explicit CFavoritesContentHandler(bool i_fAddressesOnly);
    ~CFavoritesContentHandler() override;

    void setDocumentLocator(QXmlLocator *i_pLocator) override;
    bool startDocument() override;
    bool endDocument() override;
    bool startPrefixMapping(const QString &i_sPrefix, const QString &i_sUri) override;
    bool endPrefixMapping(const QString &i_sPrefix) override;
    bool startElement(const QString &i_sNamespaceUri,
                      const QString &i_sLocalName,
                      const QString &i_sQualifiedName,
                      const QXmlAttributes &i_oAttributes) override;
    bool endElement(const QString &i_sNamespaceUri,
                    const QString &i_sLocalName,
                    const QString &i_sQualifiedName) override;
    bool characters(const QString &i_sText) override;
    bool ignorableWhitespace(const QString &i_sText) override;
    bool processingInstruction(const QString &i_sTarget, const QString &i_sData) override;
    bool skippedEntity(const QString &i_sName) override;
    QString errorString() const override;

    const QList<CScanItem> &Items() const { return m_lItems; }
    QList<CScanItem> TakeItems();
    const IpRanges &Ranges() const { return m_oRanges; }

    // Documents larger than this are refused before any parsing. Saved results are the user's
    // own files and a row with shares and a title takes up to a few kilobytes, so a large scan
    // saved by an earlier version must still load; reading costs about six times the size.
    // Files the program reads without being asked (the last-scan record) have caps of their own.
    static constexpr qint64 kMaxDocumentBytes = 256 * 1024 * 1024;
    // Documents with a longer attribute value, text, comment or tag are refused before parsing:
    // the reader builds each of them whole, in several copies. Names and titles are at most 256
    // characters; a comment typed by the user is the longest value a results file holds.
    static constexpr int kMaxValueLength = 64 * 1024;
    static constexpr int kMaxDepth = 64;

    // Parses bytes with this handler. False on malformed, oversized or non-UTF-8 input, on
    // overlong values (kMaxValueLength), on document type declarations and on entity
    // declarations; the handler then holds nothing.
    static bool Parse(const QByteArray &i_baXml, CFavoritesContentHandler &io_rHandler);
    // Items mode over a drop payload or file contents.
    static bool ReadItems(const QByteArray &i_baXml, QList<CScanItem> *o_plItems);
    // The two file commands: "Cannot open the file" or "Invalid file format" on failure.
    static bool
    ReadItemsFromFile(const QString &i_sFileName, QList<CScanItem> *o_plItems, QString *o_psError);
    static bool
    ReadRangesFromFile(const QString &i_sFileName, IpRanges *o_pRanges, QString *o_psError);

    // "aa:bb:cc:dd:ee:ff" with empty parts skipped; all 0xFF when malformed.
    static QByteArray ParseMac(const QString &i_sText);

private:
    static bool ReadFile(const QString &i_sFileName, QByteArray *o_pbaData, QString *o_psError);

    QList<CScanItem> m_lItems;
    IpRanges m_oRanges;
    bool m_fAddressesOnly;
    QVector<quint32> m_vAddresses;
    int m_nDepth = 0;
    // Shares and ports belong to the row just read; after a dropped row they have no owner.
    bool m_fLastRowKept = false;
};
