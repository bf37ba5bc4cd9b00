// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// The one cleaning step for text a peer sent us (host names, NetBIOS names, users, shares,
// page titles) before it is stored in a scan result: whatever a peer sends must reach the
// console, the files and the window as one harmless line, and the same line everywhere, so
// that a saved file reads back as it was written.
// Pure functions, safe on any thread.
class CNetText final
{
public:
    // Names and titles are cut at this many UTF-16 code units.
    static constexpr int kMaxNameChars = 256;

    // Every control character (C0 including tab, CR and LF, DEL, C1), line and paragraph
    // separator and bidirectional override becomes a space, so no peer can start a line,
    // move the cursor or reorder what follows it on a terminal. A lone surrogate becomes
    // U+FFFD. The result is cut at i_nMaxChars code units, never between the two halves of
    // a surrogate pair. Text without any of these comes back unchanged, spaces included.
    static QString Clean(const QString &i_sText, int i_nMaxChars = kMaxNameChars);

    // i_baUtf8 read as UTF-8, each invalid sequence replaced by U+FFFD, then cleaned as above.
    static QString Clean(const QByteArray &i_baUtf8, int i_nMaxChars = kMaxNameChars);

    // Clean() of i_sText trimmed of white space at both ends, trimmed again: a name never
    // starts or ends with what a control character became. For names, users and titles.
    static QString CleanTrimmed(const QString &i_sText, int i_nMaxChars = kMaxNameChars);

    // Whether Clean() would give a space for i_nCode.
    static bool IsUnsafe(char32_t i_nCode);
};
