// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CLocalSubnets.h"

#include <QString>

// The text rules of the range box: file references, class C conversion and the text of this
// machine's subnets. Stateless; any thread.
class CRangeBoxText final
{
public:
    CRangeBoxText() = delete;

    static QString FilePrefix() { return QStringLiteral("file://"); }

    // "file://" (any case, "\" read as "/") followed by a path; the path goes to o_psPath.
    static bool IsFileReference(const QString &i_sText, QString *o_psPath = nullptr);
    // A file reference whose path is an existing file, not a folder.
    static bool NamesExistingFile(const QString &i_sText, QString *o_psPath = nullptr);
    // Range text that the Scan button may act on: a range list or an existing file.
    static bool IsUsable(const QString &i_sText);
    // Every entry turned into the A.B.C.1 - A.B.C.254 range of its first address, duplicates
    // dropped; a null string when the text is no range list.
    static QString ClassC(const QString &i_sText);
    // "first - last" per subnet joined by ","; "127.0.0.1" when there is none.
    static QString SubnetsText(const std::vector<CLocalSubnets::TAddressMask> &i_vSubnets);
};
