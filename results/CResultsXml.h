// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IpRanges.h"

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QVector>

class CScanItem;

// The results XML in the exact form every copy of the program writes and reads: CR LF line
// breaks, TAB indentation, fixed attribute order, empty attributes left out, and no line break
// after the root's end tag. Also runs the XSL step that turns such a document into the HTML or
// CSV report. Stateless; callable from any thread.
class CResultsXml final
{
public:
    CResultsXml() = delete;

    // "&", "<", ">", "'" and the double quote as entities. TAB, CR and LF become character
    // references and other characters that XML 1.0 forbids become U+FFFD, so that whatever a
    // host reported, the document stays readable and reads back the same.
    static QString Escape(const QString &i_sText);

    // The scan a document's hosts come from. The root element carries it as attributes
    // "started" (ISO 8601 with the UTC offset), "ranges", "duration" (seconds, when the scan
    // ended) and "version" (of the program that wrote it); readers skip them, as they skip any
    // attribute they do not know. Without a start (the Favorites, a copy) none is written.
    struct TScanInfo
    {
        QDateTime oStarted;
        QString sRanges;
        qint64 nDurationMs = -1;
    };
    // "first-last" or one address per range, comma separated; after kMaxRangesShown ranges the
    // rest is counted ("and 12 more ranges"), so a Favorites scan of many single hosts stays a
    // line.
    static constexpr int kMaxRangesShown = 16;
    static QString RangesText(const QVector<TIpRange> &i_vRanges);
    static QString ProgramVersion();

    static QString DocumentStart();
    static QString DocumentStart(const TScanInfo &i_oInfo);
    // One host: "\r\n\t<row ...>", its shares, its Ortavo ports, "\r\n\t</row>". Extra
    // attributes (name, unescaped value) follow the standard ones, written even when empty;
    // readers ignore them, the report stylesheets show "vendor" and "change" ("changed" lists
    // what changed, separated by spaces) as columns of their own when present.
    static QString Row(const CScanItem &i_oItem,
                       const QList<QPair<QString, QString>> &i_lExtraAttributes = {});
    static QString DocumentEnd();
    // Start, every item's row in list order, end. Empty for an empty list.
    static QString Document(const QList<CScanItem> &i_lItems);

    // What both programs save or hand over: the document of these items in list order (start and
    // end even for none), or the report the named stylesheet makes of it; empty when the XSL step
    // fails.
    static QString Export(const QList<CScanItem> &i_lItems, const QString &i_sXslFileName);
    static QString Export(const QList<CScanItem> &i_lItems,
                          const QString &i_sXslFileName,
                          const TScanInfo &i_oInfo);

    // The stylesheet of that name beside the program, else in the installed data folder.
    static QString XslPath(const QString &i_sXslFileName);
    // Runs an XSLT 2.0 stylesheet over a document. Problems go to the debug output and give an
    // empty string. Text outside any element is written as it stands (as a text output method
    // would), so a CSV keeps its ampersands and an HTML page may start with a doctype.
    static QString Transform(const QString &i_sDocument, const QString &i_sXslPath);
};
