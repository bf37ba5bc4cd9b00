// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IpRanges.h"

#include <QString>

// Readers of range text. Each returns true on success and writes its outputs only then.

// Exactly four decimal octets of ASCII digits, 0 to 255, without leading zeros: "010" is refused
// rather than read as octal, and "127.1", "0x7f.1" or "2130706433" are refused rather than
// widened into an address nobody wrote. Every address typed or loaded by the user goes through
// here. 0.0.0.0 reads; callers that cannot scan it refuse it themselves.
bool ParseIpv4Address(const QString &i_sText, quint32 *o_pAddress);

// One entry "A" or "A-B"; a reversed pair is swapped. 0.0.0.0 and IPv6 text are rejected.
bool ParseRange(const QString &i_sText, TIpRange *o_pRange);

// One entry "A/n" with 9 <= n <= 32, network and broadcast addresses left out.
bool ParseCidr(const QString &i_sText,
               TIpRange *o_pRange,
               quint32 *o_pAddress = nullptr,
               int *o_pPrefix = nullptr);

// A comma-separated list of entries, normalised and sorted into o_pRanges when given.
bool ParseRangeList(const QString &i_sText, IpRanges *o_pRanges);

// A range file: one or more comma-separated entries per line, "#" comments, byte-order marks.
// On failure o_pRanges is unchanged and o_pErrorText (when given) holds the translated message.
bool LoadRangesFromFile(IpRanges *o_pRanges, const QString &i_sPath, QString *o_pErrorText);

// The same for the bytes of a file already read; the messages still speak of a file.
bool LoadRangesFromData(IpRanges *o_pRanges, const QByteArray &i_baData, QString *o_pErrorText);

// Files larger than this are refused as unreadable rather than pulled into memory whole.
constexpr qint64 MaxRangeFileBytes = 64 * 1024 * 1024;
