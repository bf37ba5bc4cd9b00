// SPDX-License-Identifier: GPL-3.0-or-later
#include "CNetBiosNodeStatus.h"

CNetBiosNodeStatus::CNetBiosNodeStatus()
    : m_baUnitId(kUnitIdSize, '\0')
{
}

void CNetBiosNodeStatus::AddName(const CNetBiosName &i_oName)
{
    m_lNames.append(i_oName);
}

void CNetBiosNodeStatus::set_computer_name(const QByteArray &i_baName)
{
    m_baComputerName = i_baName;
    m_fComputerNameFound = true;
}

void CNetBiosNodeStatus::set_group_name(const QByteArray &i_baName)
{
    m_baGroupName = i_baName;
    m_fGroupNameFound = true;
}

void CNetBiosNodeStatus::set_unit_id(const char *i_pUnitId)
{
    m_baUnitId = QByteArray(i_pUnitId, kUnitIdSize);
    m_fUnitIdPresent = true;
}
