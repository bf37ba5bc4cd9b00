// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// Takes the title a web page shows in a browser's tab from the first bytes of its body.
// One tolerant reader serves XHTML, ordinary HTML, a body cut short and stray markup alike: it
// looks for the first title element outside comments, scripts, styles and declarations. A
// document type declaration is skipped whole, internal subset included, and the entities it
// declares are never expanded: a page cannot make its title cost more than its own bytes.
// Pure functions; callable from any thread.
class CHtmlTitle final
{
public:
    // Longest title kept, in characters; a page cannot make a results row arbitrarily wide.
    static constexpr int MaxTitleChars = 256;

    // i_baContentType is the Content-Type header (may be empty); its charset wins over the
    // page's own meta declaration, which wins over the UTF-8 default.
    // Returns an empty text when there is no title element.
    static QString FromBody(const QByteArray &i_baBody,
                            const QByteArray &i_baContentType = QByteArray());

    // Decodes character references (&amp; &#233; &#x20AC; and the common named ones),
    // collapses white space to single spaces, trims, and cuts to MaxTitleChars.
    static QString Clean(const QString &i_sRaw);

private:
    static QString DecodeBody(const QByteArray &i_baBody, const QByteArray &i_baContentType);
    static QString FromMarkup(const QString &i_sText);
};
