// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QtGlobal>

// One entry of a node status answer's name table, as the host sent it. A plain value.
class CNetBiosName final
{
public:
    static constexpr int kEntrySize = 18;

    CNetBiosName() = default;
    // Decodes one table entry of exactly kEntrySize bytes: 15 name bytes, the suffix byte and
    // the two flag bytes (big-endian). Reads nothing beyond i_pEntry[kEntrySize - 1].
    static CNetBiosName FromEntry(const char *i_pEntry);

    // The 15 name bytes, cut at the first zero byte; padding spaces are kept.
    QByteArray name() const { return m_baName; }
    // The 16th byte of the NetBIOS name: 0x00 workstation, 0x1E browser election group, ...
    quint8 suffix() const { return m_nSuffix; }
    bool group() const { return m_fGroup; }
    // Owner node type, 0 B, 1 P, 2 M, 3 H.
    quint8 owner_node_type() const { return m_nOwnerNodeType; }
    bool deregistering() const { return m_fDeregistering; }
    bool conflict() const { return m_fConflict; }
    bool active() const { return m_fActive; }
    bool permanent() const { return m_fPermanent; }

private:
    QByteArray m_baName;
    quint8 m_nSuffix = 0;
    bool m_fGroup = false;
    quint8 m_nOwnerNodeType = 0;
    bool m_fDeregistering = false;
    bool m_fConflict = false;
    bool m_fActive = false;
    bool m_fPermanent = false;
};
