// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CNetBiosName.h"

#include <QByteArray>
#include <QList>

// What one node status answer said: its name table in order, the names picked from it as the
// computer name (first unique 0x00 entry) and the group name (last group 0x1E entry), and the
// unit id that starts the statistics block. A default-constructed record is the empty answer.
class CNetBiosNodeStatus final
{
public:
    static constexpr int kUnitIdSize = 6;

    CNetBiosNodeStatus();

    QList<CNetBiosName> names() const { return m_lNames; }
    void AddName(const CNetBiosName &i_oName);

    // Raw 8-bit bytes as in the table (cut at a zero byte, padding kept).
    QByteArray computer_name() const { return m_baComputerName; }
    bool computer_name_found() const { return m_fComputerNameFound; }
    void set_computer_name(const QByteArray &i_baName);

    QByteArray group_name() const { return m_baGroupName; }
    bool group_name_found() const { return m_fGroupNameFound; }
    void set_group_name(const QByteArray &i_baName);

    // Always six bytes; all zero when unit_id_present() is false.
    QByteArray unit_id() const { return m_baUnitId; }
    bool unit_id_present() const { return m_fUnitIdPresent; }
    // Takes the first six bytes of i_pUnitId.
    void set_unit_id(const char *i_pUnitId);

private:
    QList<CNetBiosName> m_lNames;
    QByteArray m_baComputerName;
    bool m_fComputerNameFound = false;
    QByteArray m_baGroupName;
    bool m_fGroupNameFound = false;
    QByteArray m_baUnitId;
    bool m_fUnitIdPresent = false;
};
